#pragma once
// The link's interfaces on the host: the card's registers through the kernel's port access
// (x86 Linux), the steady clock, and the calling thread's scheduling priority.
//
// Port access needs the CAP_SYS_RAWIO capability. It is enough to give it to the program
// that talks to the console (`sudo setcap cap_sys_rawio+ep kestrel-cli`), which then runs as
// the user; nothing has to run as root. A kernel in lockdown refuses port access to every
// program.
#include <cstdint>
#include <expected>
#include <memory>
#include <string>

#include "link/port_io.h"

namespace kestrel::link {

class LinuxPortIo final : public PortIo {
public:
    // Asks for the registers at base..base+2; when refused, says why and what to do.
    static std::expected<std::unique_ptr<LinuxPortIo>, std::string> open(std::uint16_t base);

    void out8(std::uint16_t port, std::uint8_t value) override;
    std::uint8_t in8(std::uint16_t port) override;

private:
    LinuxPortIo() = default;
};

// Why port access was refused, in words a user can act on: errorNumber is errno after the
// refusal, lockdown the contents of /sys/kernel/security/lockdown (empty when unreadable).
std::string portAccessAdvice(int errorNumber, const std::string& lockdown, std::uint16_t base);

class SteadyClock final : public Clock {
public:
    std::int64_t seconds() override;
    void sleep(std::int64_t microseconds) override;
};

// Raises the thread's priority when the system allows it; otherwise leaves it as it is.
class ThreadPriority final : public Priority {
public:
    int raise() override;
    void restore(int saved) override;
};

}  // namespace kestrel::link
