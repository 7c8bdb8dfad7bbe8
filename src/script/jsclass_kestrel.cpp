// The binding classes of the application itself: KSkestrel (About boxes, redraw, writeln)
// and ActionReplay (the console link).
#include <array>

#include "script/application.h"
#include "script/engine.h"
#include "script/frames.h"
#include "script/jsclass.h"
#include "script/jsclass_model.h"

namespace kestrel::script {

namespace {

// Without an application there is nothing to show, redraw or send to.
Application* applicationFor(Engine& engine, const char* method) {
    if (!engine.application) engine.trace("%s():there is no application\n", method);
    return engine.application;
}

// ---- KSkestrel ----

constexpr int kMode = 0;

// The first integer argument wins: they are read from the last.
void kestrelConstruct(Engine& engine, ScriptObject& self, ScriptValue&) {
    if (!isOf(self, ksKestrelClass())) return;
    engine.trace("CLASS:KSkestrel:constructor\n");
    for (int i = argumentCount(engine) - 1; i >= 0; --i) {
        const ScriptValue& a = argument(engine, i);
        if (a.type == kInteger)
            valueCopy(engine, self.fields[kMode], a);
        else
            engine.trace("illegal constructor for KSkestrel class\n");
    }
}

// Every argument, numbers included, as a line of the trace; the application shows them too.
void kestrelWriteln(Engine& engine, ScriptObject&, ScriptValue&) {
    const int count = argumentCount(engine);
    for (int i = 0; i < count; ++i) {
        const ScriptValue& a = argument(engine, i);
        std::string line;
        switch (a.type) {
            case kInteger:
            case kFloat:
                line = valueText(engine, a);
                break;
            case kObject:
                line = joinText(engine, a);
                break;
            case kText:
                if (!a.payload.text) {
                    engine.trace("base_io.writeln:*UNASSIGNED STRING VARIABLE*\n");
                    continue;
                }
                line = a.payload.text;
                break;
            default:
                engine.trace("base_io.writeln:unknown variable type '%c'\n", a.type);
                continue;
        }
        engine.trace("%s\n", line.c_str());
        if (engine.application) engine.application->writeOutput(line);
    }
}

void kestrelAbout(Engine& engine, ScriptObject&, ScriptValue&) {
    if (Application* a = applicationFor(engine, "KSkestrel.About")) a->showAbout(false);
}
void kestrelAboutScript(Engine& engine, ScriptObject&, ScriptValue&) {
    if (Application* a = applicationFor(engine, "KSkestrel.AboutRS")) a->showAbout(true);
}
void kestrelRedraw(Engine& engine, ScriptObject&, ScriptValue&) {
    if (Application* a = applicationFor(engine, "KSkestrel.Redraw")) a->redrawViews();
}

constexpr MethodEntry kKestrelMethods[] = {
    {kestrelConstruct, "KSkestrel", "V:"}, {kestrelWriteln, "writeln", "V:S"}, {kestrelAbout, "About", "V:"},
    {kestrelAboutScript, "AboutRS", "V:"}, {kestrelRedraw, "Redraw", "V:"},
};
constexpr FieldEntry kKestrelFields[] = {{"mode", kInteger}};
constexpr ObjectClass kKestrelClass{"KSkestrel", kClassConstruct, kKestrelMethods, kKestrelFields};

// ---- ActionReplay ----

void actionReplayConstruct(Engine& engine, ScriptObject& self, ScriptValue&) {
    if (!isOf(self, actionReplayClass())) return;
    engine.trace("CLASS:ActionReplay:constructor\n");
    setInteger(engine, self.fields[0], engine.application ? engine.application->consolePort() : 0);
}

template <ConsoleCommand Command>
void actionReplaySend(Engine& engine, ScriptObject&, ScriptValue&) {
    if (Application* a = applicationFor(engine, "ActionReplay")) a->consoleCommand(Command);
}

constexpr MethodEntry kActionReplayMethods[] = {
    {actionReplayConstruct, "ActionReplay", "V:"},
    {actionReplaySend<ConsoleCommand::Reset>, "ResetPSX", "V:"},
    {actionReplaySend<ConsoleCommand::Halt>, "HaltPSX", "V:"},
    {actionReplaySend<ConsoleCommand::Resume>, "ResumePSX", "V:"},
    {actionReplaySend<ConsoleCommand::SendViewer>, "SendViewer", "V:"},
    {actionReplaySend<ConsoleCommand::SendModel>, "SendModel", "V:"},
    {actionReplaySend<ConsoleCommand::SendTextures>, "SendTextures", "V:"},
};
constexpr FieldEntry kActionReplayFields[] = {{"io_port", kInteger}};
constexpr ObjectClass kActionReplayClass{"ActionReplay", kClassConstruct, kActionReplayMethods, kActionReplayFields};

}  // namespace

const ObjectClass& ksKestrelClass() { return kKestrelClass; }
const ObjectClass& actionReplayClass() { return kActionReplayClass; }

std::span<const ObjectClass* const> modelBindingClasses() {
    static const std::array<const ObjectClass*, 5> classes{&ksKestrelClass(), &ksVertexClass(), &ksPolygonClass(),
                                                           &ksModelClass(), &actionReplayClass()};
    return classes;
}

}  // namespace kestrel::script
