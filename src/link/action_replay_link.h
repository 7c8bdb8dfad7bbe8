#pragma once
// The byte-level link to a PlayStation through an Action Replay cartridge and its PC card:
// the data register (base + 0) and the handshake register (base + 2, bit 0 set while the
// cartridge has not answered the last byte), the waits with their time limit and Escape,
// the cartridge's command frame, and the checksummed block transfer the running previewer
// accepts.
//
// Failure is sticky: a time-out or Escape sets aborted(), and while it is set exchanges no
// longer wait, so a command that runs on finishes at once; the caller that reports the
// failure clears it. The waits without a time limit (the upload's bytes, a block's bytes,
// RunAt) end on Escape, and give up after 30 seconds of silence. Any wait that goes unanswered
// for more than a moment sleeps between its looks and ends on Escape, timed or not.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "link/port_io.h"

namespace kestrel::link {

inline constexpr std::uint16_t kDefaultPortBase = 0x320;

// The previewer's block checksum: a 16-bit CRC with generator 0x1021 over seven bits of each
// byte (a 0 bit, then bits 0 to 6), started at 0.
std::uint16_t blockChecksum(std::span<const std::uint8_t> bytes);

class ActionReplayLink {
public:
    // How long a timed wait lasts: until the seconds clock has moved on by more than this.
    static constexpr std::int64_t kTimeLimit = 3;
    static constexpr std::size_t kChunk = 254;

    ActionReplayLink(PortIo& port, Clock& clock, KeyState& keys, Priority& priority,
                     std::uint16_t portBase = kDefaultPortBase);

    std::uint16_t port() const { return portBase; }
    bool aborted() const { return abortFlag; }
    void clearAborted() { abortFlag = false; }

    void sendByte(std::uint8_t byte);
    std::uint8_t receiveByte(bool timed);
    std::uint8_t exchangeByte(std::uint8_t byte);
    // Returns true when every chunk was sent and its checksum confirmed.
    bool sendBlock(std::span<const std::uint8_t> data);
    // Repeats the attempt until it answers `wanted`; false once aborted() is set, or when the
    // console has answered something else for as long as the time limit.
    bool repeatUntil(const std::function<std::uint8_t()>& attempt, std::uint8_t wanted);

    void halt();
    void resume();
    void reset();
    // Resets the console and writes a PS-X EXE image (a 2048-byte header, then the program)
    // into its memory, with the start-up stub over header bytes 0x40..0x6F. Returns the
    // program's entry address, or 0 when the image is too short for its header or the
    // console's echo of a byte was wrong.
    std::uint32_t uploadExecutable(std::vector<std::uint8_t> image);
    void runAt(std::uint32_t address);

private:
    std::uint16_t data() const { return portBase; }
    std::uint16_t handshake() const { return static_cast<std::uint16_t>(portBase + 2); }
    bool answered() { return (port_.in8(handshake()) & 1) == 0; }
    void timedWait(bool withEscape);
    void untimedWait();
    void checkEscape();
    // Counts a pass of a wait that has not been answered; once the wait has gone on for long,
    // sleeps a little and looks at Escape.
    void waitedAgain(int& passes);
    std::uint8_t timed(std::uint8_t byte);    // T: write, timed wait, read
    std::uint8_t untimed(std::uint8_t byte);  // U: write, untimed wait, read
    bool synchronise(bool sendZero);          // the long form; false when aborted
    // "n", the code and its operands, each timed, then the closing 0x00.
    void command(std::uint8_t code, std::span<const std::uint8_t> operands);

    PortIo& port_;
    Clock& clock;
    KeyState& keys;
    Priority& priority;
    std::uint16_t portBase;
    bool abortFlag = false;
};

}  // namespace kestrel::link
