// kestrel-cli script: runs a K-Script file. writeln of numbers reaches standard output; the
// engine trace (writeln of texts included) goes to standard error with --trace.
#include <ostream>
#include <vector>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/report.h"
#include "script/dump.h"
#include "script/engine.h"
#include "script/host.h"

namespace kestrel::cli {

namespace {

// Sends the trace on to standard error when asked.
class CliTrace final : public script::TraceSink {
public:
    CliTrace(std::ostream& err, bool echo) : err(err), echo(echo) {}
    void write(std::string_view text) override {
        if (echo) err << text;
    }

private:
    std::ostream& err;
    bool echo;
};

void dumpFrontEnd(std::string_view program, std::ostream& out) {
    script::Engine engine;
    if (!script::tokeniseProgram(engine, program)) {
        out << "The program has more than " << script::kTokenStoreSize - 1 << " tokens.\n";
        return;
    }
    out << "Tokens:\n" << script::dumpTokens(engine);
    script::preParse(engine);
    out << "After pre-parsing:\n" << script::dumpTokens(engine) << "Symbols:\n" << script::dumpSymbols(engine);
}

}  // namespace

int runScript(app::Document& document, const ScriptOptions& options, std::ostream& out, std::ostream& err) {
    const auto text = document.files().readFile(options.file);
    if (!text) return reportError(err, formats::makeError(options.file, 0, "cannot open the file"));
    if (options.dumpTokens) dumpFrontEnd(*text, out);

    CliTrace trace(err, options.trace);
    script::Engine engine;
    engine.trace.setSink(&trace);
    engine.objects.standardOutput = [&out](std::string_view t) { out << t; };
    const CtrlC ctrlC;
    engine.stopFlag = &CtrlC::flag();
    engine.memory.limit = options.memoryLimit ? options.memoryLimit
                                              : std::uint64_t{static_cast<unsigned>(document.settings().scriptMemoryMegabytes)} << 20;

    auto outcome = script::runScript(engine, *text);
    std::vector<formats::Warning> warnings;
    for (const script::ScriptWarning& w : engine.warnings) warnings.push_back(formats::makeWarning(options.file, w.line, w.message));
    reportWarnings(err, warnings);
    if (outcome.completed && !options.call.empty()) {
        const auto called = script::callFunction(engine, options.call);
        if (!called) {
            script::unloadScript(engine);
            return reportError(err, formats::makeError(options.file, 0, "the script has no function named '" + options.call + "'"));
        }
        outcome = *called;
    }
    script::unloadScript(engine);
    if (!outcome.completed)
        return reportError(err, formats::makeError(options.file, 0, "the script stopped: " + outcome.reason));
    return kExitSuccess;
}

}  // namespace kestrel::cli
