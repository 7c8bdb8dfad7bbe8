// K-Script against Lua 5.4 on the same counting loop, in the same run:
//   figure kscript_vs_lua R   the K-Script loop / the Lua loop (lua5.4, a process of its own)
//   figure kscript_ms T, figure lua_ms T
//   figure kscript_vertex_pass_10k_ms T   a script reading and writing the x of every vertex of a
//                                          10,000-vertex model through KSmodel and KSvertex, and
//                                          writing the model back (one undo step)
// The Lua loop uses a local numeric for, Lua's fastest form of it, so the ratio is a strict one.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>

#include "app/script_session.h"
#include "figures.h"
#include "formats/file_system.h"
#include "script/engine.h"
#include "script/host.h"

extern char** environ;

namespace {

constexpr const char* kScript = "var s = 0; var i; for (i = 0; i < 2000000; i++) { s += i * 2; }";
constexpr const char* kLua = "local s = 0 for i = 0, 1999999 do s = s + i * 2 end";

void BM_KScriptLoop(benchmark::State& state) {
    kestrel::script::Engine engine;
    for (auto _ : state) {
        const auto outcome = kestrel::script::runScript(engine, kScript);
        if (!outcome.completed) {
            state.SkipWithError(outcome.reason.c_str());
            break;
        }
    }
    kestrel::script::unloadScript(engine);
}

void BM_LuaLoop(benchmark::State& state) {
    const char* arguments[] = {"lua5.4", "-e", kLua, nullptr};
    for (auto _ : state) {
        pid_t child = 0;
        if (posix_spawnp(&child, "lua5.4", nullptr, nullptr, const_cast<char**>(arguments), environ) != 0) {
            state.SkipWithError("lua5.4 cannot be started (./scripts/bench installs it)");
            break;
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("lua5.4 failed");
            break;
        }
    }
}

constexpr const char* kVertexPass =
    "var m = new KSmodel(1); for (var i = 0; i < m.n_vert; i++) { var v = m.vert[i]; v.x = v.x + 1.0; }\n"
    "m.PutEditFrame();";

void BM_KScriptVertexPass(benchmark::State& state) {
    kestrel::app::Document document(std::make_unique<kestrel::formats::MemoryFileSystem>());
    document.edit("Grid", [](kestrel::model::Model& m) {
        for (int i = 0; i < 10000; ++i) m.addVertex(kestrel::model::makeVector(i % 100, i / 100, 0));
        for (int i = 0; i + 3 < 10000; i += 4) m.addPolygon(i, i + 1, i + 2, i + 3);
    });
    kestrel::app::ScriptSession session(document);
    for (auto _ : state) {
        const auto run = session.run(kVertexPass);
        if (!run.completed) {
            state.SkipWithError(run.stopped.c_str());
            break;
        }
        document.undo();
    }
}

BENCHMARK(BM_KScriptVertexPass)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LuaLoop)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_KScriptLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

const bool registered = [] {
    kestrel::bench::addRatio("kscript_vs_lua", "BM_KScriptLoop", "BM_LuaLoop");
    kestrel::bench::addMilliseconds("kscript_ms", "BM_KScriptLoop");
    kestrel::bench::addMilliseconds("lua_ms", "BM_LuaLoop");
    kestrel::bench::addMilliseconds("kscript_vertex_pass_10k_ms", "BM_KScriptVertexPass");
    return true;
}();

}  // namespace
