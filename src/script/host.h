#pragma once
// Running a whole script: tokenise, pre-parse, start the object system and run the top level;
// and unloading it again, which releases everything the run made and reports leaks.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::script {

struct Engine;

struct RunOutcome {
    bool completed = false;  // the top level ran to its end
    // Why the run ended early: "Express 712", "preparse 319", "limit 20", "interrupted 0";
    // empty when it completed.
    std::string stoppedBy;
    std::string reason;  // what the trace said last before the run stopped
};

// Loads the program into the engine (unloading any program before it) and runs its top
// level. The globals and functions stay for callFunction until unloadScript.
RunOutcome runScript(Engine& engine, std::string_view program);
// Calls a function of the loaded script by name; nothing when there is no such function.
// A fatal error in the call unloads the script.
std::optional<RunOutcome> callFunction(Engine& engine, std::string_view name);
// The names of the loaded script's functions, in symbol-table order.
std::vector<std::string> scriptFunctions(const Engine& engine);
// Releases every value, frame, with-object, static object, token and symbol of the script,
// then traces the leak report.
void unloadScript(Engine& engine);

}  // namespace kestrel::script
