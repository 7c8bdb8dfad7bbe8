#include "app/script_session.h"

#include <algorithm>

#include "script/engine.h"

namespace kestrel::app {

// The engine's trace lines, on to the session's trace callback and kept while an unload
// makes its leak report.
class ScriptSession::TraceForward final : public script::TraceSink {
public:
    explicit TraceForward(ScriptSession& owner) : session(owner) {}
    void write(std::string_view text) override {
        if (collecting) collected.emplace_back(text.substr(0, text.ends_with('\n') ? text.size() - 1 : text.size()));
        if (session.trace) session.trace(text);
    }
    ScriptSession& session;
    bool collecting = false;
    std::vector<std::string> collected;
};

ScriptSession::ScriptSession(Document& document)
    : document_(document),
      traceForward_(std::make_unique<TraceForward>(*this)),
      engine_(std::make_unique<script::Engine>()) {
    engine_->trace.setSink(traceForward_.get());
    engine_->objects.setExtensionClasses(script::modelBindingClasses());
    engine_->application = this;
    engine_->objects.standardOutput = [this](std::string_view text) {
        writeOutput(text.substr(0, text.ends_with('\n') ? text.size() - 1 : text.size()));
    };
    clearSlots();
}

ScriptSession::~ScriptSession() {
    unload();
    engine_->application = nullptr;
}

void ScriptSession::clearSlots() { slots_.fill(kEmptySlot); }

ScriptRun ScriptSession::runStep(const std::string& step, const std::function<script::RunOutcome()>& body) {
    engine_->stopFlag = stopFlag;
    engine_->cancelRequested = cancelRequested;
    engine_->memory.limit =
        memoryLimit
            ? memoryLimit
            : std::uint64_t{static_cast<unsigned>(std::max(1, document_.settings().scriptMemoryMegabytes))} << 20;
    document_.beginStep(step);
    const script::RunOutcome outcome = body();
    if (outcome.completed) {
        document_.endStep();
        return {true, {}};
    }
    // Whatever the script changed before it stopped goes back, and the script with it.
    document_.cancelStep();
    unload();
    return {false, outcome.reason.empty() ? outcome.stoppedBy : outcome.reason};
}

ScriptRun ScriptSession::run(std::string_view program) {
    unload();
    return runStep("Run script", [&] {
        script::RunOutcome outcome = script::runScript(*engine_, program);
        loaded_ = engine_->program.count > 0;
        const std::vector<std::string> names = script::scriptFunctions(*engine_);
        for (std::size_t i = 0; i < names.size() && i < slots_.size(); ++i) slots_[i] = names[i];
        return outcome;
    });
}

std::optional<ScriptRun> ScriptSession::callSlot(int slot) {
    if (slot < 0 || slot >= kFunctionSlots || slots_[static_cast<std::size_t>(slot)] == kEmptySlot) return std::nullopt;
    const std::string name = slots_[static_cast<std::size_t>(slot)];
    if (!loaded_ || !script::findSymbol(*engine_, name)) return std::nullopt;
    return runStep("Function" + std::to_string(slot + 1) + ": " + name, [&] {
        return script::callFunction(*engine_, name).value_or(script::RunOutcome{true, {}, {}});
    });
}

std::optional<ScriptRun> ScriptSession::call(std::string_view name) {
    if (!loaded_) return std::nullopt;
    const script::Symbol* symbol = script::findSymbol(*engine_, name);
    if (!symbol || symbol->signature[1] != ':') return std::nullopt;
    return runStep("Call " + std::string(name), [&] {
        return script::callFunction(*engine_, name).value_or(script::RunOutcome{true, {}, {}});
    });
}

std::vector<std::string> ScriptSession::unload() {
    traceForward_->collected.clear();
    traceForward_->collecting = true;
    script::unloadScript(*engine_);
    traceForward_->collecting = false;
    loaded_ = false;
    clearSlots();
    return std::move(traceForward_->collected);
}

void ScriptSession::putEditFrame(std::vector<model::ModelVertex> vertices, std::vector<model::ModelPolygon> polygons) {
    document_.edit("PutEditFrame", [&](model::Model& m) {
        const auto vertexCount = static_cast<int>(vertices.size());
        const auto polygonCount = static_cast<std::int32_t>(polygons.size());
        m.vertices = vertices;
        m.normals = model::CowArray<model::ModelVertex>(vertices.size());
        m.polygons = polygons;
        // Groups and bones keep what still exists.
        for (std::size_t g = 0; g < m.groups.size(); ++g) {
            auto& members = m.groups[g].polygons;
            std::erase_if(members, [&](std::int32_t p) { return p >= polygonCount; });
        }
        for (model::Bone& bone : m.skeleton.bones)
            std::erase_if(bone.vertices, [&](int v) { return v >= vertexCount; });
    });
}

void ScriptSession::redrawViews() {
    if (redraw) redraw();
}

void ScriptSession::showAbout(bool scriptLanguage) {
    if (about) about(scriptLanguage);
}

void ScriptSession::writeOutput(std::string_view line) {
    if (output) output(line);
}

std::int32_t ScriptSession::consolePort() const { return document_.settings().portBase; }

void ScriptSession::consoleCommand(script::ConsoleCommand command) {
    if (console) return console(command);
    writeOutput("ActionReplay: no console is set up, so nothing was sent");
}

}  // namespace kestrel::app
