#pragma once
// A whole script run through the engine, with its trace and output kept and its globals read
// back by name.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "script/application.h"
#include "script/engine.h"
#include "script/host.h"

namespace kestrel::script {

struct ScriptRunner {
    CollectTrace trace;  // outlives the engine, which traces as it unloads
    std::string out;     // what writeln sent to standard output
    std::unique_ptr<Engine> engine = std::make_unique<Engine>();
    RunOutcome outcome;

    // onOutput, when given, runs at every line writeln sends, while the script is running.
    explicit ScriptRunner(std::string_view program, std::function<bool()> cancel = {},
                          std::function<void(const ScriptRunner&)> onOutput = {}, Application* application = nullptr) {
        engine->trace.setSink(&trace);
        engine->application = application;
        if (application) engine->objects.setExtensionClasses(modelBindingClasses());
        engine->objects.standardOutput = [this, onOutput = std::move(onOutput)](std::string_view text) {
            out += text;
            if (onOutput) onOutput(*this);
        };
        engine->cancelRequested = std::move(cancel);
        outcome = runScript(*engine, program);
    }
    const ScriptValue& global(std::string_view name) const {
        const Symbol* s = findSymbol(*engine, name);
        EXPECT_NE(s, nullptr) << name;
        static const ScriptValue none{};
        if (!s || s->slot < 0) return none;
        return engine->stack.entries[static_cast<std::size_t>(s->slot)].value;
    }
    std::int32_t integer(std::string_view name) const {
        const ScriptValue& v = global(name);
        EXPECT_EQ(v.type, kInteger) << name;
        return v.payload.integer;
    }
    std::string text(std::string_view name) const { return valueText(*engine, global(name)); }
    float real(std::string_view name) const {
        const ScriptValue& v = global(name);
        EXPECT_EQ(v.type, kFloat) << name;
        return v.payload.real;
    }
    // Unloads and says whether the leak report found nothing.
    bool unloadsClean() {
        unloadScript(*engine);
        return trace.contains("No memory leaks detected :)") && !trace.contains("Memory leaks detected");
    }
};

}  // namespace kestrel::script
