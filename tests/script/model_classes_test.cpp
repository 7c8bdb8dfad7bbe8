// The model binding classes over a small model held by a stand-in application: the numbers
// the classes promise, what PutEditFrame writes back, and what it refuses.
#include <gtest/gtest.h>

#include <vector>

#include "model/model.h"
#include "script_runner.h"

namespace kestrel::script {
namespace {

class FakeApplication final : public Application {
public:
    model::Model model;
    int puts = 0, redraws = 0, abouts = 0, scriptAbouts = 0;
    std::vector<std::string> lines;
    std::vector<ConsoleCommand> sent;

    const model::Model& currentModel() const override { return model; }
    void putEditFrame(std::vector<model::ModelVertex> vertices, std::vector<model::ModelPolygon> polygons) override {
        ++puts;
        model.vertices = vertices;
        model.normals = model::CowArray<model::ModelVertex>(vertices.size());
        model.polygons = polygons;
    }
    void redrawViews() override { ++redraws; }
    void showAbout(bool scriptLanguage) override { ++(scriptLanguage ? scriptAbouts : abouts); }
    void writeOutput(std::string_view line) override { lines.emplace_back(line); }
    std::int32_t consolePort() const override { return 0x320; }
    void consoleCommand(ConsoleCommand command) override { sent.push_back(command); }
};

// A unit square of two triangles over four vertices, one textured, and a texture list.
model::Model square() {
    model::Model m;
    for (auto [x, y] : {std::pair{0.0, 0.0}, {10.0, 0.0}, {10.0, 10.0}, {0.0, 10.0}})
        m.addVertex(model::makeVector(x, y, 0.1));  // 0.1 narrows in single precision
    model::ModelPolygon a;
    a.vId = {0, 1, 2, -1};
    a.nId = a.vId;
    a.rgb = {0x102030, 0x102030, 0x102030, 0};
    model::ModelPolygon b = a;
    b.vId = {0, 2, 3, -1};
    b.nId = b.vId;
    b.type = model::PTYPE_TEXTURED;
    b.tId = 0;
    b.tu = {1, 2, 3, 0};
    b.tv = {4, 5, 6, 0};
    b.uRel = {0.5, 0.25, 0.75, 0};
    b.mat_flag = 3;
    m.polygons = {a, b};
    m.textureFiles = {"skin.tim"};
    return m;
}

struct ModelRun {
    FakeApplication app;
    std::unique_ptr<ScriptRunner> runner;
    explicit ModelRun(std::string_view program, model::Model m = square()) {
        app.model = std::move(m);
        runner = std::make_unique<ScriptRunner>(program, nullptr, nullptr, &app);
        EXPECT_TRUE(runner->outcome.completed) << runner->outcome.reason;
    }
    ScriptRunner& operator*() { return *runner; }
};

}  // namespace

// Scripts have at most 20 globals: each run here keeps to that.
TEST(ModelClasses, VertexVectorOperationsAndTheirRefusals) {
    ModelRun r(
        "v = new KSvertex(3.0, 4.0, 0.0); d = v.Distance(); v.Unify(); ux = v.x; uy = v.y;\n"
        "a = new KSvertex(1.0); az = a.z; ax = a.x;\n"
        "n = new KSvertex(1, 2, 3); nx = n.x; ny = n.y; nz = n.z;\n"
        "big = new KSvertex(1.0, 2.0, 3.0, 4.0); bigx = big.x;");
    ScriptRunner& s = *r;
    EXPECT_FLOAT_EQ(s.real("d"), 5.0f);
    EXPECT_FLOAT_EQ(s.real("ux"), 0.6f);
    EXPECT_FLOAT_EQ(s.real("uy"), 0.8f);
    EXPECT_FLOAT_EQ(s.real("az"), 1.0f);  // a single float sets z
    EXPECT_FLOAT_EQ(s.real("ax"), 0.0f);
    for (const char* f : {"nx", "ny", "nz"}) EXPECT_FLOAT_EQ(s.real(f), 0.0f) << f;
    int illegal = 0;
    for (const std::string& line : s.trace.lines) illegal += line == "illegal constructor for KSvertex class\n";
    EXPECT_EQ(illegal, 3);
    EXPECT_FLOAT_EQ(s.real("bigx"), 2.0f);  // the extra float is refused, nothing overrun
    EXPECT_TRUE(s.unloadsClean());

    ModelRun o(
        "a = new KSvertex(1.0); b = new KSvertex(1.0, 2.0, 3.0); c = new KSvertex(b); c.Add(b); cz = c.z;\n"
        "c.Subtract(a); cz2 = c.z; c.Scale(2); cs = c.x; c.Scale(\"x\"); cs2 = c.x; c.Add(5);\n"
        "c.Add(new Boolean(1)); cs3 = c.x; x = new KSvertex(1.0, 0.0, 0.0); y = new KSvertex(0.0, 1.0, 0.0);\n"
        "k = x.CrossProduct(y); kz = k.z; t = b.toString(); ang = y.AngleZ();");
    ScriptRunner& t = *o;
    EXPECT_FLOAT_EQ(t.real("cz"), 6.0f);
    EXPECT_FLOAT_EQ(t.real("cz2"), 5.0f);  // a is (0, 0, 1)
    EXPECT_FLOAT_EQ(t.real("cs"), 4.0f);   // x was 2, scaled by the integer 2
    EXPECT_FLOAT_EQ(t.real("cs2"), 4.0f);
    EXPECT_FLOAT_EQ(t.real("cs3"), 4.0f);
    EXPECT_TRUE(t.trace.contains("KSvertex.Scale():illegal parameter\n"));
    EXPECT_TRUE(t.trace.contains("KSvertex.Add():illegal parameter\n"));
    EXPECT_TRUE(t.trace.contains("KSvertex.Add():parameter is wrong object class\n"));
    EXPECT_FLOAT_EQ(t.real("kz"), 1.0f);
    EXPECT_EQ(t.text("t"), "{1.000000,2.000000,3.000000}");
    EXPECT_NEAR(t.real("ang"), 1.5707964f, 1e-6);
    EXPECT_TRUE(t.unloadsClean());
}

TEST(ModelClasses, PolygonsCarryTheirCornersAndTheConstants) {
    ModelRun r(
        "p = new KSpolygon(0, 1, 2); t = p.toString(); sh = p.shading; ty = p.type; c = p.PTYPE_TEXTURED_COLOURED;\n"
        "v3 = p.vId[3]; q = new KSpolygon(1, 2, 3, 4, 5, 1.0); qt = q.toString();");
    ScriptRunner& s = *r;
    EXPECT_EQ(s.text("t"), "{v_id=[0,1,2,0],tuv=[{0,0},{0,0},{0,0},{0,0}],t_id=0}");
    EXPECT_EQ(s.integer("sh"), 70);
    EXPECT_EQ(s.integer("ty"), 67);
    EXPECT_EQ(s.integer("c"), 68);
    EXPECT_EQ(s.integer("v3"), 0);
    EXPECT_EQ(s.text("qt"), "{v_id=[1,2,3,4],tuv=[{0,0},{0,0},{0,0},{0,0}],t_id=0}");
    EXPECT_TRUE(s.trace.contains("illegal constructor for KSpolygon class\n"));
    EXPECT_TRUE(s.unloadsClean());
}

TEST(ModelClasses, AModelSnapshotReadsTheModelAndWritesItBack) {
    ModelRun r(
        "m = new KSmodel(1); nv = m.n_vert; np = m.n_poly; p = m.poly[1]; t = p.toString(); ty = p.type;\n"
        "mf = p.mat_flag; r0 = m.poly[0].rgb[0]; e = new KSmodel(0); en = e.vert.length; z = new KSmodel(); zv = "
        "z.vert;\n"
        "m.PutEditFrame();");
    ScriptRunner& s = *r;
    EXPECT_EQ(s.integer("nv"), 4);
    EXPECT_EQ(s.integer("np"), 2);
    EXPECT_EQ(s.text("t"), "{v_id=[0,2,3,-1],tuv=[{1,4},{2,5},{3,6},{0,0}],t_id=0}");
    EXPECT_EQ(s.integer("ty"), 'T');
    EXPECT_EQ(s.integer("mf"), 3);
    EXPECT_EQ(s.integer("r0"), 0x102030);
    EXPECT_EQ(s.integer("en"), 0);
    EXPECT_TRUE(s.global("zv").type == kObject && !s.global("zv").payload.object);  // no argument: no arrays
    // Written back unchanged, narrowed to single precision; the normals fresh and empty; what
    // scripts do not see kept from the model's polygon.
    const model::Model before = square();
    ASSERT_EQ(r.app.puts, 1);
    const model::Model& after = r.app.model;
    ASSERT_EQ(after.vertexCount(), 4);
    EXPECT_EQ(after.vertices[2].x, 10.0);
    EXPECT_EQ(after.vertices[2].z, static_cast<double>(0.1f));
    EXPECT_EQ(after.normalCount(), 4);
    EXPECT_EQ(after.normals[0], model::ModelVertex{});
    for (int k = 0; k < 2; ++k) EXPECT_EQ(after.polygons[k], before.polygons[k]) << k;
    EXPECT_TRUE(s.unloadsClean());
}

TEST(ModelClasses, EditsReachTheModelOnlyThroughPutEditFrameAndBadSnapshotsAreRefused) {
    ModelRun r(
        "m = new KSmodel(1); m.vert[1].y = 7.0; m.vert[3] = 5; m.PutEditFrame();\n"
        "m.GetEditFrame(); m.poly[0].vId[2] = 9; m.PutEditFrame();\n"
        "m.GetEditFrame(); m.poly[0].type = 1; m.PutEditFrame();\n"
        "m.GetEditFrame(); m.poly[0].type = m.poly[0].PTYPE_TEXTURED; m.poly[0].tId = 4; m.PutEditFrame();\n"
        "m.GetEditFrame(); m.n_vert = 9; m.PutEditFrame();\n"
        "m.GetEditFrame(); m.n_vert = 3; m.n_poly = 1; m.vert[2].x = -1.5; m.vert[1].y = 7; m.PutEditFrame();");
    ScriptRunner& s = *r;
    const auto refused = [&](std::string_view why) {
        for (const std::string& line : r.app.lines)
            if (line.find(why) != std::string::npos && line.ends_with("the model is unchanged")) return true;
        return false;
    };
    EXPECT_TRUE(refused("vert[3] is not a KSvertex"));
    EXPECT_TRUE(refused("poly[0]: corner 2 names vertex 9 of 4"));
    EXPECT_TRUE(refused("poly[0]: type 1 is not one of the PTYPE_ constants"));
    EXPECT_TRUE(refused("poly[0]: a textured polygon names texture 4 of 1"));
    EXPECT_TRUE(refused("n_vert or n_poly is more than vert or poly holds"));
    // Only the last one went through: three vertices, the first polygon, the moved vertex.
    ASSERT_EQ(r.app.puts, 1);
    EXPECT_EQ(r.app.model.vertexCount(), 3);
    EXPECT_EQ(r.app.model.polygonCount(), 1);
    EXPECT_EQ(r.app.model.vertices[2].x, -1.5);
    EXPECT_EQ(r.app.model.vertices[1].y, 7.0);  // an integer written into a float field
    EXPECT_TRUE(s.unloadsClean());
}

TEST(ModelClasses, TheApplicationAndTheConsoleAreReachedThroughTheHost) {
    ModelRun r(
        "KSkestrel.writeln(\"hello\", 3, 1.5); k = new KSkestrel(4, 5); mode = k.mode; KSkestrel.Redraw();\n"
        "KSkestrel.About(); KSkestrel.AboutRS(); a = new ActionReplay(); port = a.io_port; a.ResetPSX(); "
        "a.SendModel();\n"
        "base_io.writeln(\"to the trace and the user\");");
    ScriptRunner& s = *r;
    EXPECT_EQ(r.app.lines, (std::vector<std::string>{"hello", "3", "1.500000", "to the trace and the user"}));
    EXPECT_TRUE(s.trace.contains("hello\n") && s.trace.contains("3\n"));
    EXPECT_EQ(s.out, "");             // KSkestrel.writeln sends numbers to the trace, not standard output
    EXPECT_EQ(s.integer("mode"), 4);  // the first integer wins
    EXPECT_EQ(r.app.redraws, 1);
    EXPECT_EQ(r.app.abouts, 1);
    EXPECT_EQ(r.app.scriptAbouts, 1);
    EXPECT_EQ(s.integer("port"), 0x320);
    EXPECT_EQ(r.app.sent, (std::vector<ConsoleCommand>{ConsoleCommand::Reset, ConsoleCommand::SendModel}));
    EXPECT_TRUE(s.unloadsClean());

    // Without an application the classes say so and do nothing.
    CollectTrace trace;
    Engine engine;
    engine.trace.setSink(&trace);
    engine.objects.setExtensionClasses(modelBindingClasses());
    EXPECT_TRUE(runScript(engine, "m = new KSmodel(1); m.PutEditFrame(); KSkestrel.Redraw();").completed);
    EXPECT_TRUE(trace.contains("KSmodel.KSmodel():there is no model to work on\n"));
    EXPECT_TRUE(trace.contains("KSkestrel.Redraw():there is no application\n"));
    unloadScript(engine);
}

}  // namespace kestrel::script
