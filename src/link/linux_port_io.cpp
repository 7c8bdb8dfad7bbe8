#include "link/linux_port_io.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>
#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define KESTREL_HAS_PORT_IO 1
#endif

namespace kestrel::link {

namespace {

std::string hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

// The lockdown file lists the modes with the one in force in brackets: "[none] integrity".
std::string lockdownMode(const std::string& contents) {
    const auto open = contents.find('['), close = contents.find(']');
    if (open == std::string::npos || close == std::string::npos || close < open) return "";
    return contents.substr(open + 1, close - open - 1);
}

}  // namespace

std::string portAccessAdvice(int errorNumber, const std::string& lockdown, std::uint16_t base) {
    const std::string ports = "I/O ports " + hex(base) + " to " + hex(base + 2u);
    const std::string mode = lockdownMode(lockdown);
    if (!mode.empty() && mode != "none")
        return "cannot use " + ports + ": the kernel is in lockdown (" + mode +
               "), which refuses port access to every program; start the system without lockdown "
               "(for example with Secure Boot off) to use the Action Replay card";
    if (errorNumber == EPERM || errorNumber == EACCES)
        return "cannot use " + ports +
               ": port access needs the CAP_SYS_RAWIO capability; give it to "
               "this program once with 'sudo setcap cap_sys_rawio+ep <path of kestrel-cli>' and run it "
               "as yourself (or use --emulate to try without hardware)";
    if (errorNumber == ENOSYS)
        return "cannot use " + ports +
               ": this system offers no port access (as inside a container or "
               "some virtual machines); run Kestrel on the machine the card is in, or use --emulate";
    return "cannot use " + ports + ": " + std::strerror(errorNumber);
}

std::expected<std::unique_ptr<LinuxPortIo>, std::string> LinuxPortIo::open(std::uint16_t base) {
#ifdef KESTREL_HAS_PORT_IO
    // ioperm reaches the ports below 0x400; above them only the whole-range switch does.
    const bool granted = base + 3u <= 0x400 ? ioperm(base, 3, 1) == 0 : iopl(3) == 0;
    if (granted) return std::unique_ptr<LinuxPortIo>(new LinuxPortIo());
    const int error = errno;
    std::ifstream file("/sys/kernel/security/lockdown");
    std::stringstream contents;
    contents << file.rdbuf();
    return std::unexpected(portAccessAdvice(error, contents.str(), base));
#else
    return std::unexpected("cannot use I/O ports " + hex(base) + ": port input and output exist only on x86 machines");
#endif
}

void LinuxPortIo::out8([[maybe_unused]] std::uint16_t port, [[maybe_unused]] std::uint8_t value) {
#ifdef KESTREL_HAS_PORT_IO
    outb(value, port);
#endif
}

std::uint8_t LinuxPortIo::in8([[maybe_unused]] std::uint16_t port) {
#ifdef KESTREL_HAS_PORT_IO
    return inb(port);
#else
    return 0xFF;
#endif
}

std::int64_t SteadyClock::seconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SteadyClock::sleep(std::int64_t microseconds) {
    std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
}

int ThreadPriority::raise() {
    const auto thread = static_cast<id_t>(gettid());
    errno = 0;
    const int saved = getpriority(PRIO_PROCESS, thread);
    if (errno == 0) setpriority(PRIO_PROCESS, thread, saved - 10);  // refused without the right: ignored
    return saved;
}

void ThreadPriority::restore(int saved) { setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), saved); }

}  // namespace kestrel::link
