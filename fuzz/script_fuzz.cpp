// Fuzz target for the script engine: any text is tokenised and pre-parsed, where every link
// must name a token of the program and unloading must give back every block; then it runs
// under a step and memory budget, which it must survive whatever it does.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "script/engine.h"
#include "script/host.h"

namespace {

void fail(const char* why) {
    std::fprintf(stderr, "script_fuzz: %s\n", why);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kestrel::script;
    Engine engine;
    const auto count = tokeniseProgram(engine, std::string_view(reinterpret_cast<const char*>(data), size));
    if (!count) {
        if (engine.program.tokens[0].kind != T_END) fail("a refused program left tokens behind");
        return 0;
    }
    if (*count < 1 || *count > kTokenStoreSize) fail("token count out of range");
    preParse(engine);
    for (int i = 0; i < *count; ++i) {
        const Token& t = engine.program.tokens[static_cast<std::size_t>(i)];
        if (t.link < -1 || t.link >= kTokenStoreSize || t.dataLink < -1 || t.dataLink >= kTokenStoreSize)
            fail("a link points outside the token store");
    }
    if (engine.stack.top < 0 || engine.stack.top > kValueStackSize) fail("value stack top out of range");
    deleteTokenised(engine);
    releaseSymbols(engine);
    if (engine.memory.liveBlocks() != 0) fail("blocks left after unloading");

    // Scripts that loop for ever are stopped after a few hundred jumps and calls, and one that
    // grows a value is stopped at a megabyte: what the fuzzer learns from a loop is in its
    // first passes, and a long run only slows the search down.
    Engine run;
    int polls = 0;
    run.cancelRequested = [&polls] { return ++polls > 2; };
    run.memory.limit = 1 << 20;
    run.objects.standardOutput = [](std::string_view) {};
    runScript(run, std::string_view(reinterpret_cast<const char*>(data), size));
    unloadScript(run);
    if (run.stack.top != 0 || run.frames.depth != 0 || run.with.depth != 0) fail("run state left after unloading");
    return 0;
}
