#pragma once
// How the command line shows text that came out of a file: errors and warnings on one line
// each, names and paths without bytes that a terminal would act on.
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

#include "formats/error.h"

namespace kestrel::cli {

// The text with control characters, DEL, C1 controls and bytes that are not UTF-8 shown as
// \xNN, so a name read from a file can neither break a line nor drive the terminal.
std::string printable(std::string_view text);

// "warning: robot.mat:7: ..." per warning, one line each.
void reportWarnings(std::ostream& err, std::span<const formats::Warning> warnings);
// "error: robot.ply:14: ..." on one line; returns the failure exit status.
int reportError(std::ostream& err, const formats::Error& error);

}  // namespace kestrel::cli
