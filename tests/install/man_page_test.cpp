// kestrel-cli's man page: how help text is read and written as troff, and the page this build
// wrote, rendered by groff and man as a reader would see it.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "install_support.h"
#include "man_page.h"

namespace kestrel::install::test {
namespace {

using cli::test::runCli;
using man::parseHelp;
using man::troffText;

TEST(ManPageHelp, ReadsTheDescriptionUsageAndEntriesWithTheirContinuations) {
    const man::Help help = parseHelp(
        "Draw one edit view of a model\n"
        "Usage: kestrel-cli render [OPTIONS] FILE\n"
        "\n"
        "Positionals:\n"
        "  FILE TEXT REQUIRED          The model file\n"
        "\n"
        "Options:\n"
        "  -h,--help                   Print this help message and exit\n"
        "  --mode TEXT:{wireframe,textured}=wireframe\n"
        "                              wireframe or textured\n"
        "  --port TEXT Excludes: --emulate\n"
        "                              The card's port base\n"
        "                              (in hexadecimal)\n"
        "  --fit                       Scale view to fit\n");
    EXPECT_EQ(help.description, "Draw one edit view of a model");
    EXPECT_EQ(help.usage, "kestrel-cli render [OPTIONS] FILE");
    ASSERT_EQ(help.sections.size(), 2u);
    const man::HelpSection* options = help.section("Options");
    ASSERT_NE(options, nullptr);
    ASSERT_EQ(options->entries.size(), 4u);
    EXPECT_EQ(options->entries[1].name, "--mode TEXT:{wireframe,textured}=wireframe");
    EXPECT_EQ(options->entries[1].text, "wireframe or textured");
    // A name with single spaces in it stays whole; a text over two lines is one.
    EXPECT_EQ(options->entries[2].name, "--port TEXT Excludes: --emulate");
    EXPECT_EQ(options->entries[2].text, "The card's port base (in hexadecimal)");
    EXPECT_EQ(options->entries[3].text, "Scale view to fit");
    EXPECT_EQ(help.section("Positionals")->entries.front().name, "FILE TEXT REQUIRED");
    EXPECT_EQ(help.section("Subcommands"), nullptr);
}

TEST(ManPageHelp, TextCannotBecomeARequestOrAnEscape) {
    EXPECT_EQ(troffText(".hidden line"), "\\&.hidden line");
    EXPECT_EQ(troffText("'quoted"), "\\&'quoted");
    EXPECT_EQ(troffText("c:\\models\\a.ply"), "c:\\emodels\\ea.ply");
    EXPECT_EQ(troffText("--merge-radius"), "\\-\\-merge\\-radius");
    EXPECT_EQ(troffText("a . in the middle"), "a . in the middle");
}

// The page as groff lays it out for a terminal, and what groff said of it.
struct Rendered {
    std::string text, warnings;
};
Rendered render(const std::filesystem::path& page) {
    const CliRun run = runProgram({"groff", "-man", "-Tutf8", "-ww", "-P", "-cbou", page.string()});
    EXPECT_EQ(run.status, 0) << run.err;
    return {run.out, run.err};
}

std::filesystem::path builtPage() { return buildDir() / "docs/kestrel-cli.1"; }

TEST(ManPage, RendersWithoutWarnings) {
    ASSERT_TRUE(std::filesystem::exists(builtPage())) << builtPage();
    const Rendered rendered = render(builtPage());
    EXPECT_EQ(rendered.warnings, "");
    for (const char* heading : {"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "COMMANDS", "EXIT STATUS"})
        EXPECT_NE(rendered.text.find(std::string("\n") + heading + "\n"), std::string::npos) << heading;
    // man itself, as a reader runs it, says nothing either.
    const CliRun man =
        runProgram({"man", "--warnings", "-l", builtPage().string()}, {}, {"MANPAGER=cat", "MANWIDTH=80"});
    EXPECT_EQ(man.status, 0) << man.err;
    EXPECT_EQ(man.err, "");
    EXPECT_NE(man.out.find("kestrel-cli - Kestrel command-line tools"), std::string::npos) << man.out;
}

// Every subcommand kestrel-cli --help lists has its heading, and every option its help lists
// is on the page.
TEST(ManPage, NamesEverySubcommandAndItsOptions) {
    const std::string page = render(builtPage()).text;
    const CliRun help = runCli({"--help"});
    ASSERT_EQ(help.status, 0);
    std::vector<std::string> commands;
    bool listing = false;
    for (const std::string& line : lines(help.out)) {
        if (line == "Subcommands:") listing = true;
        std::smatch m;
        if (listing && std::regex_match(line, m, std::regex(R"(  (\S+)\s+.*)"))) commands.push_back(m[1]);
    }
    ASSERT_GE(commands.size(), 13u) << help.out;
    for (const std::string& command : commands) {
        EXPECT_NE(page.find("\n   " + command + "\n"), std::string::npos) << "no heading for " << command;
        EXPECT_NE(page.find("kestrel-cli " + command + " [OPTIONS]"), std::string::npos) << command;
        const CliRun own = runCli({command, "--help"});
        ASSERT_EQ(own.status, 0) << command;
        std::set<std::string> options;
        static const std::regex option(R"(--[a-z][a-z-]*)");
        for (auto it = std::sregex_iterator(own.out.begin(), own.out.end(), option); it != std::sregex_iterator(); ++it)
            options.insert(it->str());
        for (const std::string& o : options) EXPECT_NE(page.find(o), std::string::npos) << command << " " << o;
    }
}

}  // namespace
}  // namespace kestrel::install::test
