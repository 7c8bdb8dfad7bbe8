#pragma once
// Which Kestrel this is: the project version and, for a build from a git checkout, the
// commit it was built from. Both programs' --version and the About box show it.
#include <string>
#include <string_view>

namespace kestrel::app {

// The reverse-DNS name the desktop entry, the AppStream metadata, the icon and the MIME
// package are installed under (data/desktop/).
inline constexpr std::string_view kApplicationId = "org.kestrel.Kestrel";

// "0.1" (the CMake project version).
std::string_view versionNumber();
// The abbreviated commit, with "-dirty" when the tracked files differed from it; empty for a
// build from sources outside a git checkout.
std::string_view versionRevision();
// "0.1 (git 3589182)", or "0.1" when there is no revision.
std::string versionText();
// What --version prints: "kestrel-cli 0.1 (git 3589182)".
std::string versionLine(std::string_view program);

}  // namespace kestrel::app
