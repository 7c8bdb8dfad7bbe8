#pragma once
// A port that passes every access on and writes down each byte written to and read from the
// data register, one line each as "W xx" or "R xx" (hexadecimal), so that a conversation with
// real hardware can be read afterwards. Handshake polls are not written down.
#include <cstdint>
#include <string>

#include "link/port_io.h"

namespace kestrel::link {

class TranscriptPort final : public PortIo {
public:
    TranscriptPort(PortIo& wrapped, std::uint16_t watchedPort) : inner(wrapped), dataPort(watchedPort) {}

    void out8(std::uint16_t port, std::uint8_t value) override {
        if (port == dataPort) note('W', value);
        inner.out8(port, value);
    }
    std::uint8_t in8(std::uint16_t port) override {
        const std::uint8_t value = inner.in8(port);
        if (port == dataPort) note('R', value);
        return value;
    }
    const std::string& text() const { return lines; }

private:
    void note(char direction, std::uint8_t value) {
        static constexpr char kHex[] = "0123456789abcdef";
        lines += direction;
        lines += ' ';
        lines += kHex[value >> 4];
        lines += kHex[value & 15];
        lines += '\n';
    }

    PortIo& inner;
    std::uint16_t dataPort;
    std::string lines;
};

}  // namespace kestrel::link
