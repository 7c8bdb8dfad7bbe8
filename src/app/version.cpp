#include "app/version.h"

// Generated at build time (cmake/version.cmake); only this file includes it, so a new commit
// recompiles this file alone.
#include "version_info.h"

namespace kestrel::app {

std::string_view versionNumber() { return KESTREL_VERSION; }

std::string_view versionRevision() { return KESTREL_REVISION; }

std::string versionText() {
    std::string text{versionNumber()};
    if (!versionRevision().empty()) text += " (git " + std::string{versionRevision()} + ")";
    return text;
}

std::string versionLine(std::string_view program) { return std::string{program} + " " + versionText(); }

}  // namespace kestrel::app
