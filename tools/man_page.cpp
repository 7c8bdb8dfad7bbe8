#include "man_page.h"

#include <algorithm>

namespace kestrel::man {

namespace {

std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\r')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

std::size_t indentOf(std::string_view line) {
    const std::size_t first = line.find_first_not_of(' ');
    return first == std::string_view::npos ? line.size() : first;
}

void append(std::string& text, std::string_view more) {
    if (!text.empty() && !more.empty()) text += ' ';
    text += more;
}

}  // namespace

const HelpSection* Help::section(std::string_view title) const {
    for (const HelpSection& s : sections)
        if (s.title == title) return &s;
    return nullptr;
}

Help parseHelp(std::string_view text) {
    Help help;
    bool usageSeen = false;
    for (std::string_view line : linesOf(text)) {
        const std::string_view content = trimmed(line);
        if (content.empty()) continue;
        if (content.starts_with("Usage: ")) {
            help.usage = content.substr(7);
            usageSeen = true;
            continue;
        }
        if (!usageSeen) {
            append(help.description, content);
            continue;
        }
        const std::size_t indent = indentOf(line);
        if (indent == 0 && content.ends_with(':')) {
            help.sections.push_back({std::string(content.substr(0, content.size() - 1)), {}});
            continue;
        }
        if (help.sections.empty()) {
            append(help.description, content);
            continue;
        }
        std::vector<HelpEntry>& entries = help.sections.back().entries;
        // An entry starts two spaces in, its name and text parted by two spaces or more; a line
        // indented further goes on with the text of the entry before it.
        if (indent <= 2 || entries.empty()) {
            const std::size_t gap = content.find("  ");
            if (gap == std::string_view::npos)
                entries.push_back({std::string(content), {}});
            else
                entries.push_back({std::string(content.substr(0, gap)), std::string(trimmed(content.substr(gap)))});
        } else {
            append(entries.back().text, content);
        }
    }
    return help;
}

std::string troffText(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    // A line that starts with a control character would be read as a request.
    if (!out.empty() && (out.front() == '.' || out.front() == '\'')) out.insert(0, "\\&");
    return out;
}

namespace {

void entries(std::string& page, const HelpSection& section) {
    for (const HelpEntry& e : section.entries) {
        if (e.name.starts_with("-h,--help")) continue;  // every command has it; said once, above
        page += ".TP\n.B " + troffText(e.name) + "\n" + troffText(e.text.empty() ? "(no description)" : e.text) + "\n";
    }
}

// Text as a sentence: with one full stop at its end, or without one (a NAME line's).
std::string sentence(std::string_view text, bool stop = true) {
    while (text.ends_with('.')) text.remove_suffix(1);
    return std::string(text) + (stop ? "." : "");
}

// A usage line without the program's (and subcommand's) name.
std::string afterPrefix(const std::string& usage, const std::string& prefix) {
    return std::string(trimmed(usage.starts_with(prefix) ? std::string_view(usage).substr(prefix.size()) : usage));
}

}  // namespace

std::string manPage(const ManPageInput& in) {
    const std::string name = troffText(in.program);
    std::string page;
    page += ".\\\" Made from the output of " + in.program + " --help and of each subcommand's --help.\n";
    page += ".TH " + troffText(in.program) + " 1 \"\" \"" + troffText(in.version) + "\" \"User Commands\"\n";
    page += ".SH NAME\n" + name + " \\- " + troffText(sentence(in.help.description, false)) + "\n";
    page += ".SH SYNOPSIS\n";
    page += ".B " + name + "\n" + troffText(afterPrefix(in.help.usage, in.program)) + "\n.br\n";
    for (const auto& [command, help] : in.commands)
        page += ".B " + name + " " + troffText(command) + "\n" +
                troffText(afterPrefix(help.usage, in.program + " " + command)) + "\n.br\n";
    page += ".SH DESCRIPTION\n" + troffText(sentence(in.help.description)) +
            " Each job is a subcommand, listed below with its arguments and options; every "
            "subcommand also takes\n.B \\-h,\\-\\-help\n(print its help and exit).\n";
    if (const HelpSection* options = in.help.section("Options")) {
        page += ".SH OPTIONS\n";
        for (const HelpEntry& e : options->entries)
            page += ".TP\n.B " + troffText(e.name) + "\n" + troffText(e.text) + "\n";
    }
    page += ".SH COMMANDS\n";
    for (const auto& [command, help] : in.commands) {
        page += ".SS " + troffText(command) + "\n" + troffText(sentence(help.description)) + "\n.PP\n";
        page += ".B Usage:\n" + troffText(help.usage) + "\n";
        for (const HelpSection& section : help.sections) {
            if (section.title == "Options" &&
                std::all_of(section.entries.begin(), section.entries.end(),
                            [](const HelpEntry& e) { return e.name.starts_with("-h,--help"); }))
                continue;
            page += ".PP\n" + troffText(section.title == "Positionals" ? "Arguments" : section.title) + ":\n";
            entries(page, section);
        }
    }
    page +=
        ".SH EXIT STATUS\n"
        "0 on success; 1 when the job failed, with a one\\-line reason on standard error\n"
        "(\\fBerror: ...\\fR); 2 when the command line is wrong.\n"
        "Warnings about a file go to standard error, one a line.\n";
    page +=
        ".SH SEE ALSO\n"
        "The window, \\fBkestrel\\fR, does the same jobs interactively; the Kestrel manual,\n"
        ".I share/doc/kestrel/manual.md\n"
        "under the prefix Kestrel was installed to (\\fI/usr\\fR for the Debian package), describes both.\n";
    return page;
}

}  // namespace kestrel::man
