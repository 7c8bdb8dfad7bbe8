#pragma once
// The document's K-Script engine: runs a script over the document's model, each run or
// function call one undo step that a script stopping half-way takes back, keeps the loaded
// script's first twelve functions in slots, and gives the binding classes the document, the
// output, the views and the console through callbacks the window or the command line sets.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/document.h"
#include "script/application.h"
#include "script/host.h"

namespace kestrel::script {
struct Engine;
}

namespace kestrel::app {

inline constexpr int kFunctionSlots = 12;
inline constexpr const char* kEmptySlot = "----";

struct ScriptRun {
    bool completed = false;
    std::string stopped;  // why and where a run that did not complete stopped
};

class ScriptSession final : private script::Application {
public:
    explicit ScriptSession(Document& document);
    ~ScriptSession() override;
    ScriptSession(const ScriptSession&) = delete;
    ScriptSession& operator=(const ScriptSession&) = delete;

    // Unloads the last script, loads this one, fills the slots with its functions and runs its
    // top level as the undo step "Run script". A run that stops leaves the document as it was
    // and the script unloaded.
    ScriptRun run(std::string_view program);
    // Calls the function in slot (0 to 11) as the step "Function<slot+1>: <name>"; nothing
    // when the slot is free.
    std::optional<ScriptRun> callSlot(int slot);
    // Calls a function by name as the step "Call <name>"; nothing when there is no such function.
    std::optional<ScriptRun> call(std::string_view name);
    // Releases everything of the loaded script; the lines of the leak report.
    std::vector<std::string> unload();

    bool loaded() const { return loaded_; }
    // The functions' names, "----" where there is none.
    const std::array<std::string, kFunctionSlots>& slots() const { return slots_; }
    script::Engine& engine() { return *engine_; }

    // Where the script's lines go: writeln output, refusals and numbers.
    std::function<void(std::string_view)> output;
    // Every line of the engine trace, when set.
    std::function<void(std::string_view)> trace;
    std::function<void()> redraw;
    std::function<void(bool scriptLanguage)> about;
    // Asked now and then during a run; true stops it ("script interrupted").
    std::function<bool()> cancelRequested;
    const std::atomic<bool>* stopFlag = nullptr;
    std::uint64_t memoryLimit = 0;  // bytes a script may hold at once; 0: the settings' limit
    // The console commands of ActionReplay; without it they report that no console is set up.
    std::function<void(script::ConsoleCommand)> console;

private:
    class TraceForward;
    // Runs body (a run or a call) as one undo step, taken back when it stops.
    ScriptRun runStep(const std::string& step, const std::function<script::RunOutcome()>& body);
    void clearSlots();

    // script::Application
    const model::Model& currentModel() const override { return document_.model(); }
    void putEditFrame(std::vector<model::ModelVertex> vertices, std::vector<model::ModelPolygon> polygons) override;
    void redrawViews() override;
    void showAbout(bool scriptLanguage) override;
    void writeOutput(std::string_view line) override;
    std::int32_t consolePort() const override;
    void consoleCommand(script::ConsoleCommand command) override;

    Document& document_;
    std::unique_ptr<TraceForward> traceForward_;
    std::unique_ptr<script::Engine> engine_;
    std::array<std::string, kFunctionSlots> slots_;
    bool loaded_ = false;
};

}  // namespace kestrel::app
