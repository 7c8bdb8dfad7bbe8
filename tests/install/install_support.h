#pragma once
// What the install tests share: running programs and reading what they print.
#include <string>
#include <vector>

#include "cli_process.h"

namespace kestrel::install::test {

using cli::test::CliRun;
using cli::test::CliSetup;
using cli::test::readFile;
using cli::test::runProgram;
using cli::test::sourceDir;
using cli::test::TempDir;

std::vector<std::string> lines(const std::string& text);

// "what failed: status N" and what it printed, for a failed assertion's message.
std::string described(const std::string& what, const CliRun& run);

}  // namespace kestrel::install::test
