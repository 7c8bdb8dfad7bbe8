#pragma once
// kestrel-cli's man page, made from what the program itself prints for --help: the help of the
// program and of each subcommand read into their parts, and those parts written as a troff
// page of the man macros.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrel::man {

// One line of a help section: the option or argument ("-o,--output TEXT REQUIRED") and what it
// does, which CLI11 puts on the next line when the name is long.
struct HelpEntry {
    std::string name, text;
};
struct HelpSection {
    std::string title;  // "Options", "Positionals", "Subcommands"
    std::vector<HelpEntry> entries;
};
struct Help {
    std::string description;  // the lines before "Usage:"
    std::string usage;        // without "Usage: "
    std::vector<HelpSection> sections;
    const HelpSection* section(std::string_view title) const;
};

Help parseHelp(std::string_view text);

// Text as one troff line: backslashes escaped, a leading '.' or '\'' made harmless, and the
// hyphens of option names (--json) kept hyphens rather than dashes.
std::string troffText(std::string_view text);

struct ManPageInput {
    std::string program;                                 // "kestrel-cli"
    std::string version;                                 // what --version prints
    Help help;                                           // the program's own --help
    std::vector<std::pair<std::string, Help>> commands;  // each subcommand's --help, in order
};
std::string manPage(const ManPageInput& input);

}  // namespace kestrel::man
