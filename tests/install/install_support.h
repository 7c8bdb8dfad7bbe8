#pragma once
// What the install tests share: the build under test, the files an install of it holds, and
// the files a folder holds.
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "cli_process.h"

namespace kestrel::install::test {

using cli::test::CliRun;
using cli::test::CliSetup;
using cli::test::readFile;
using cli::test::runProgram;
using cli::test::sourceDir;
using cli::test::TempDir;

inline constexpr std::string_view kAppId = "org.kestrel.Kestrel";

inline std::filesystem::path buildDir() { return KESTREL_BUILD_DIR; }
inline std::filesystem::path desktopDataDir() { return sourceDir() / "data/desktop"; }

// The files an install under the prefix /usr holds, relative to the root ("usr/bin/kestrel");
// without the window, only kestrel-cli.
std::set<std::string> expectedInstall();
// Where each of the installed data files comes from: the source tree, or the build for what
// the build makes.
std::filesystem::path sourceOf(const std::string& installed);

// The regular files under root, relative to it.
std::set<std::string> filesUnder(const std::filesystem::path& root);
std::vector<std::string> lines(const std::string& text);
// The value of "Key=" in a desktop entry or "Key: " in a control file; empty when absent.
std::string field(const std::string& text, const std::string& key, char separator);

// "what failed: status N" and what it printed, for a failed assertion's message.
std::string described(const std::string& what, const CliRun& run);

}  // namespace kestrel::install::test
