// kestrel-cli script: runs a K-Script file over a model and saves what it made of it. What
// writeln writes reaches standard output; the engine trace goes to standard error with --trace.
#include <ostream>
#include <vector>

#include "app/script_session.h"
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
    CliTrace(std::ostream& errorStream, bool echoTrace) : err(errorStream), echo(echoTrace) {}
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
    if (!text) return reportError(err, formats::makeError(options.file, 0, formats::cannotOpen(text.error())));
    if (options.dumpTokens) dumpFrontEnd(*text, out);
    if (!options.model.empty()) {
        const auto opened = document.openFile(options.model);
        if (!opened) return reportError(err, opened.error());
        reportWarnings(err, *opened);
    }

    CliTrace trace(err, options.trace);
    app::ScriptSession session(document);
    session.trace = [&trace](std::string_view line) { trace.write(line); };
    session.output = [&out](std::string_view line) { out << line << '\n'; };
    const CtrlC ctrlC;
    session.stopFlag = &CtrlC::flag();
    session.memoryLimit = options.memoryLimit;

    const auto stopped = [&](const app::ScriptRun& run) {
        return reportError(err, formats::makeError(options.file, 0, "the script stopped: " + run.stopped));
    };
    const app::ScriptRun ran = session.run(*text);
    std::vector<formats::Warning> warnings;
    for (const script::ScriptWarning& w : session.engine().warnings)
        warnings.push_back(formats::makeWarning(options.file, w.line, w.message));
    reportWarnings(err, warnings);
    if (!ran.completed) return stopped(ran);
    for (const std::string& name : options.calls) {
        const auto called = session.call(name);
        if (!called)
            return reportError(err,
                               formats::makeError(options.file, 0, "the script has no function named '" + name + "'"));
        if (!called->completed) return stopped(*called);
    }
    session.unload();
    if (options.output.empty()) return kExitSuccess;
    const auto saved = document.saveAs(options.output);
    if (!saved) return reportError(err, saved.error());
    reportWarnings(err, saved->warnings);
    for (const auto& path : saved->written) out << "wrote " << printable(path) << '\n';
    return kExitSuccess;
}

}  // namespace kestrel::cli
