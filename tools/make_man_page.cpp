// Writes kestrel-cli's man page from its own help:
//   make_man_page PATH/TO/kestrel-cli OUT.1
// It runs the program with --version, --help and each subcommand's --help.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "man_page.h"

namespace {

// What the command prints on standard output; false when it could not run or failed.
bool output(const std::string& command, std::string& text) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return false;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, got);
    return pclose(pipe) == 0;
}

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_man_page PROGRAM OUT.1\n";
        return 2;
    }
    const std::string program = quoted(argv[1]);
    kestrel::man::ManPageInput page;
    page.program = "kestrel-cli";
    std::string version, help;
    if (!output(program + " --version", version) || !output(program + " --help", help)) {
        std::cerr << "make_man_page: " << argv[1] << " --help failed\n";
        return 1;
    }
    if (!version.empty() && version.back() == '\n') version.pop_back();
    page.version = version;
    page.help = kestrel::man::parseHelp(help);
    const kestrel::man::HelpSection* commands = page.help.section("Subcommands");
    if (!commands || commands->entries.empty()) {
        std::cerr << "make_man_page: " << argv[1] << " --help lists no subcommands\n";
        return 1;
    }
    for (const kestrel::man::HelpEntry& command : commands->entries) {
        std::string text;
        if (!output(program + " " + quoted(command.name) + " --help", text)) {
            std::cerr << "make_man_page: " << argv[1] << " " << command.name << " --help failed\n";
            return 1;
        }
        page.commands.emplace_back(command.name, kestrel::man::parseHelp(text));
    }
    std::ofstream out(argv[2], std::ios::binary);
    if (!(out << kestrel::man::manPage(page)) || !out.flush()) {
        std::cerr << "make_man_page: cannot write " << argv[2] << '\n';
        return 1;
    }
    return 0;
}
