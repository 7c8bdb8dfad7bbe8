// What a user is told when the card's ports cannot be had.
#include <gtest/gtest.h>

#include <cerrno>

#include "link/linux_port_io.h"

namespace kestrel::link {
namespace {

TEST(PortAccess, TheRefusalSaysWhyAndWhatToDo) {
    const std::string lockdown = portAccessAdvice(EPERM, "none [integrity] confidentiality\n", 0x320);
    EXPECT_NE(lockdown.find("I/O ports 0x320 to 0x322"), std::string::npos) << lockdown;
    EXPECT_NE(lockdown.find("lockdown (integrity)"), std::string::npos) << lockdown;

    const std::string capability = portAccessAdvice(EPERM, "[none] integrity confidentiality\n", 0x320);
    EXPECT_NE(capability.find("CAP_SYS_RAWIO"), std::string::npos) << capability;
    EXPECT_NE(capability.find("setcap cap_sys_rawio+ep"), std::string::npos) << capability;
    EXPECT_EQ(portAccessAdvice(EPERM, "", 0x320), capability);  // no lockdown file: the capability

    EXPECT_NE(portAccessAdvice(ENOSYS, "", 0x378).find("no port access"), std::string::npos);
}

}  // namespace
}  // namespace kestrel::link
