// Scripts over the document: a run or a call is one undo step that a stopped run takes back,
// the function slots follow the loaded script, and the script's lines reach the user.
#include <gtest/gtest.h>

#include <atomic>

#include "app/script_session.h"
#include "formats/file_system.h"
#include "unit_quad.h"

namespace kestrel::app {
namespace {

struct Session {
    Document document{std::make_unique<formats::MemoryFileSystem>()};
    ScriptSession scripts{document};
    std::vector<std::string> lines;
    Session() {
        document.edit("Quad", [](model::Model& m) { test::addUnitQuad(m); });
        scripts.output = [this](std::string_view line) { lines.emplace_back(line); };
    }
};

constexpr const char* kMoveFirstVertex = "var m = new KSmodel(1); m.vert[0].x = 5.0; m.PutEditFrame();\n";

}  // namespace

TEST(ScriptSession, ARunIsOneUndoStepAndAStoppedRunLeavesTheModelAsItWas) {
    Session s;
    const model::Model before = s.document.model();
    const ScriptRun run = s.scripts.run(std::string(kMoveFirstVertex) + "m.vert[1].y = 6.0; m.PutEditFrame();");
    ASSERT_TRUE(run.completed) << run.stopped;
    EXPECT_EQ(s.document.model().vertices[0].x, 5.0);
    EXPECT_EQ(s.document.model().vertices[1].y, 6.0);
    EXPECT_EQ(s.document.undoName(), "Run script");  // two writes, one step
    ASSERT_TRUE(s.document.undo());
    EXPECT_EQ(s.document.model(), before);
    EXPECT_EQ(s.document.undoName(), "Quad");

    // Stopped after its first write: the write goes back, nothing is recorded, the script is gone.
    const ScriptRun stopped = s.scripts.run(std::string(kMoveFirstVertex) + "function f() {}\nx = 1 / 0;\n");
    EXPECT_FALSE(stopped.completed);
    EXPECT_NE(stopped.stopped.find("division by zero at line 3"), std::string::npos) << stopped.stopped;
    EXPECT_EQ(s.document.model(), before);
    EXPECT_EQ(s.document.undoName(), "Quad");
    EXPECT_FALSE(s.scripts.loaded());
    EXPECT_EQ(s.scripts.slots()[0], kEmptySlot);

    // Interrupted in an endless loop: the same.
    std::atomic<bool> stop{false};
    s.scripts.cancelRequested = [&] {
        stop = true;
        return true;
    };
    const ScriptRun interrupted = s.scripts.run(std::string(kMoveFirstVertex) + "while (1) { }");
    EXPECT_FALSE(interrupted.completed);
    EXPECT_TRUE(stop);
    EXPECT_NE(interrupted.stopped.find("interrupted"), std::string::npos) << interrupted.stopped;
    EXPECT_EQ(s.document.model(), before);
}

TEST(ScriptSession, TheSlotsNameTheFirstTwelveFunctionsAndCallsAreStepsOfTheirOwn) {
    Session s;
    ASSERT_TRUE(s.scripts
                    .run("var n = 0; function f() { n++; KSkestrel.writeln(n); } function g() {}\n"
                         "function h() { var m = new KSmodel(1); m.vert[2].z = 1.0 * n; m.PutEditFrame(); }")
                    .completed);
    EXPECT_EQ(s.scripts.slots()[0], "f");
    EXPECT_EQ(s.scripts.slots()[1], "g");
    EXPECT_EQ(s.scripts.slots()[2], "h");
    for (int i = 3; i < kFunctionSlots; ++i) EXPECT_EQ(s.scripts.slots()[static_cast<std::size_t>(i)], kEmptySlot) << i;
    EXPECT_FALSE(s.scripts.callSlot(3));
    ASSERT_TRUE(s.scripts.callSlot(0));
    ASSERT_TRUE(s.scripts.callSlot(0));  // the globals stay between calls
    EXPECT_EQ(s.lines, (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(s.document.undoName(), "Quad");  // calls that change nothing record nothing
    ASSERT_TRUE(s.scripts.callSlot(2)->completed);
    EXPECT_EQ(s.document.model().vertices[2].z, 2.0);
    EXPECT_EQ(s.document.undoName(), "Function3: h");
    EXPECT_FALSE(s.scripts.call("nothing"));

    // Thirteen functions: twelve slots. The next run clears the slots before filling them.
    std::string many;
    for (char c = 'a'; c <= 'm'; ++c) many += std::string("function ") + c + "() {}\n";
    ASSERT_TRUE(s.scripts.run(many).completed);
    EXPECT_EQ(s.scripts.slots()[11], "l");
    ASSERT_TRUE(s.scripts.run("function only() {}").completed);
    EXPECT_EQ(s.scripts.slots()[0], "only");
    EXPECT_EQ(s.scripts.slots()[1], kEmptySlot);

    const std::vector<std::string> report = s.scripts.unload();
    EXPECT_NE(std::find(report.begin(), report.end(), "No memory leaks detected :)"), report.end());
    EXPECT_FALSE(s.scripts.loaded());
    EXPECT_EQ(s.scripts.slots()[0], kEmptySlot);
}

TEST(ScriptSession, SnapshotsThatShrinkTheModelTrimGroupsAndBonesAndTheConsoleMustBeSetUp) {
    Session s;
    s.document.edit("Setup", [](model::Model& m) {
        m.groups.push_back({"quad", {0}});
        m.skeleton.joints = {{}, {}};
        m.skeleton.bones.push_back(model::Bone{0, 1, {1, 3}});
    });
    ASSERT_TRUE(s.scripts
                    .run("var m = new KSmodel(1); m.n_vert = 2; m.n_poly = 0; m.PutEditFrame();\n"
                         "var a = new ActionReplay(); a.SendModel();")
                    .completed);
    const model::Model& after = s.document.model();
    EXPECT_EQ(after.vertexCount(), 2);
    EXPECT_EQ(after.normalCount(), 2);
    EXPECT_TRUE(after.groups[0].polygons.empty());
    EXPECT_EQ(after.skeleton.bones[0].vertices, std::vector<int>{1});
    EXPECT_EQ(s.lines.back(), "ActionReplay: no console is set up, so nothing was sent");

    std::vector<script::ConsoleCommand> sent;
    s.scripts.console = [&](script::ConsoleCommand c) { sent.push_back(c); };
    ASSERT_TRUE(s.scripts.run("ActionReplay.HaltPSX();").completed);
    EXPECT_EQ(sent, std::vector<script::ConsoleCommand>{script::ConsoleCommand::Halt});
}

}  // namespace kestrel::app
