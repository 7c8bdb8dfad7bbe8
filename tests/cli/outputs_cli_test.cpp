// kestrel-cli's runtime outputs, run as a separate process on copies of the sample: the TMD
// through convert and read back with tmd-info, and MIMe files through mime.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "cli_process.h"
#include "json_value.h"

namespace kestrel::cli::test {
namespace {

namespace fs = std::filesystem;

// The whole sample project, movements and textures included, copied into dir.
fs::path copyProject(const TempDir& dir) {
    for (const auto& entry : fs::directory_iterator(sourceDir() / "data/samples"))
        fs::copy_file(entry.path(), dir / entry.path().filename().string());
    return dir / "robot.rsd";
}

}  // namespace

TEST(CliTmd, ConvertWritesATmdThatTmdInfoReadsBack) {
    const TempDir dir;
    const fs::path rsd = copyProject(dir);
    const std::string tmd = (dir / "robot.tmd").string();
    const CliRun convert = runCli({"convert", rsd.string(), tmd});
    ASSERT_EQ(convert.status, 0) << convert.err;
    EXPECT_EQ(convert.out, "wrote " + tmd + "\n");

    const CliRun info = runCli({"tmd-info", "--json", tmd});
    ASSERT_EQ(info.status, 0) << info.err;
    const auto json = parseJson(info.out);
    ASSERT_TRUE(json) << info.out;
    const Json& object = (*json)["objects"][0];
    EXPECT_EQ((*json)["id"].number, 0x41);
    EXPECT_EQ(object["vertexCount"].number, 17);
    ASSERT_EQ(object["packets"].items.size(), 14u);
    // The body texture is 4-bit at VRAM (640, 0) with its colour table at (0, 480).
    const Json& first = object["packets"][0];
    EXPECT_EQ(first["tsb"].number, 640 / 64);
    EXPECT_EQ(first["cba"].number, 480 << 6);

    const CliRun text = runCli({"tmd-info", tmd});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("lit flat quadrilateral"), std::string::npos) << text.out;

    // A second convert keeps the first file as the backup.
    ASSERT_EQ(runCli({"convert", rsd.string(), tmd}).status, 0);
    EXPECT_TRUE(fs::exists(dir / "robot.tmd_backup"));

    writeFile(dir / "cut.tmd", readFile(tmd).substr(0, 60));
    const CliRun cut = runCli({"tmd-info", (dir / "cut.tmd").string()});
    EXPECT_EQ(cut.status, 1);
    EXPECT_TRUE(cut.err.starts_with("error: " + (dir / "cut.tmd").string() + ": ")) << cut.err;
}

TEST(CliMime, WritesAllThreeFormatsOfTheSampleMovement) {
    const TempDir dir;
    const std::string rsd = copyProject(dir).string();
    const CliRun c = runCli({"mime", rsd, "--movement", "nod"});
    ASSERT_EQ(c.status, 0) << c.err;
    const std::string source = readFile(dir / "robot_mime.C");
    EXPECT_TRUE(source.starts_with("// " + (dir / "robot_mime.C").string() + "\n")) << source;
    EXPECT_NE(source.find("SVECTOR MIMe_nod_Keyframe_1"), std::string::npos);
    EXPECT_NE(source.find("MIME_MOVEMENT robot_nod_mime[]={\n"), std::string::npos);

    const CliRun type1 =
        runCli({"mime", rsd, "--movement", "nod", "--format", "type1", "-o", (dir / "nod.mim").string()});
    ASSERT_EQ(type1.status, 0) << type1.err;
    EXPECT_EQ(readFile(dir / "nod.mim").size(), 8u * (3 + 1) + 8u * 3 * 17);

    const CliRun type2 = runCli({"mime", rsd, "--movement", "nod", "--format", "type2", "--min-movement", "0"});
    ASSERT_EQ(type2.status, 0) << type2.err;
    EXPECT_TRUE(readFile(dir / "robot_mime.MIM").starts_with(std::string("KESTREL MIMe TYPE2\0\0", 20)));

    const CliRun missing = runCli({"mime", rsd, "--movement", "walk"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("walk"), std::string::npos);
    EXPECT_EQ(runCli({"mime", rsd, "--movement", "nod", "--format", "type3"}).status, 2);
}

TEST(CliScript, RunsTheSampleScriptAndReportsAStoppedRun) {
    const std::string demo = (sourceDir() / "data/samples/demo.ks").string();
    const CliRun run = runCli({"script", demo, "--call", "report"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.out.starts_with("42\n1.500000\n3.141590\n7\n")) << run.out;
    EXPECT_TRUE(run.out.ends_with("720\n8\n7\njoined: 0-3-0-0-0-0-9\n16\n")) << run.out;
    EXPECT_EQ(run.err, "");

    const CliRun traced = runCli({"script", demo, "--trace"});
    ASSERT_EQ(traced.status, 0);
    EXPECT_NE(traced.err.find("joined: 0-3-0-0-0-0-9\n"), std::string::npos);
    EXPECT_NE(traced.err.find("No memory leaks detected :)\n"), std::string::npos);

    const TempDir dir;
    writeFile(dir / "stop.ks", "x = 1;\nx = x / 0;\n");
    const CliRun stopped = runCli({"script", (dir / "stop.ks").string()});
    EXPECT_EQ(stopped.status, 1);
    EXPECT_EQ(stopped.err,
              "error: " + (dir / "stop.ks").string() + ": the script stopped: ERROR: division by zero at line 2\n");

    const CliRun dump = runCli({"script", (dir / "stop.ks").string(), "--dump-tokens"});
    EXPECT_NE(dump.out.find("After pre-parsing:\n"), std::string::npos);
    EXPECT_NE(dump.out.find("T_VARREF symbol x"), std::string::npos);
    EXPECT_EQ(runCli({"script", demo, "--call", "missing"}).status, 1);
}

}  // namespace kestrel::cli::test

namespace kestrel::cli::test {

// create makes a primitive alone or added to a model, as a set that opens again; a request past
// the limits writes nothing.
TEST(CliCreate, PrimitivesAreWrittenAloneOrIntoAModel) {
    const TempDir dir;
    const std::string sphere = (dir / "s.rsd").string();
    const CliRun made = runCli({"create", "sphere", "--subdivisions", "3", "-o", sphere});
    ASSERT_EQ(made.status, 0) << made.err;
    const CliRun info = runCli({"info", "--json", sphere});
    ASSERT_EQ(info.status, 0) << info.err;
    const auto json = parseJson(info.out);
    ASSERT_TRUE(json) << info.out;
    EXPECT_EQ((*json)["counts"]["vertices"].number, 6 * 64 - 1);
    EXPECT_EQ((*json)["counts"]["polygons"].number, 6 * 64);
    EXPECT_EQ((*json)["groups"][0]["name"].string, "Sphere0");

    const std::string both = (dir / "both.rsd").string();
    ASSERT_EQ(runCli({"create", "mesh", "--squares", "3,2", "--name", "floor", "--into", sphere, "-o", both}).status,
              0);
    const auto joined = parseJson(runCli({"info", "--json", both}).out);
    ASSERT_TRUE(joined);
    EXPECT_EQ((*joined)["counts"]["polygons"].number, 6 * 64 + 12);
    EXPECT_EQ((*joined)["groups"][1]["name"].string, "floor");

    const CliRun refused = runCli({"create", "sphere", "--subdivisions", "12", "-o", (dir / "big.rsd").string()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("at most 9 subdivisions fit"), std::string::npos) << refused.err;
    EXPECT_FALSE(fs::exists(dir / "big.rsd"));
}

}  // namespace kestrel::cli::test

namespace kestrel::cli::test {

// A script over a model writes the model it made; one that stops, or that Ctrl-C interrupts,
// writes nothing.
TEST(CliScript, AScriptOverAModelSavesWhatItMade) {
    const TempDir dir;
    const std::string stand = (sourceDir() / "data/samples/stand.ks").string();
    const std::string robot = (sourceDir() / "data/samples/robot.rsd").string();
    const CliRun run = runCli({"script", stand, "--model", robot, "-o", (dir / "stood.rsd").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("scaled by 1.765517\n"), std::string::npos) << run.out;  // 256 / 145
    EXPECT_NE(run.out.find("wrote " + (dir / "stood.ply").string()), std::string::npos);
    const CliRun info = runCli({"info", (dir / "stood.rsd").string(), "--json"});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("\"vertices\":17"), std::string::npos) << info.out;
    const std::string ply = readFile(dir / "stood.ply");
    EXPECT_NE(ply.find("0.000000 -256.000000 0.000000"), std::string::npos);  // the hat's tip, 256 up

    // Without -o nothing is written; --call runs functions after the top level, in order.
    writeFile(dir / "calls.ks", "var n = 0; function a() { n++; } function b() { KSkestrel.writeln(n * 10); }");
    const CliRun calls = runCli({"script", (dir / "calls.ks").string(), "--call", "a", "--call", "a", "--call", "b"});
    ASSERT_EQ(calls.status, 0) << calls.err;
    EXPECT_EQ(calls.out, "20\n");

    writeFile(dir / "stop.ks", "var m = new KSmodel(1); m.vert[0].x = 1.0; m.PutEditFrame(); x = 1 / 0;");
    EXPECT_EQ(runCli({"script", (dir / "stop.ks").string(), "--model", robot, "-o", (dir / "no.rsd").string()}).status,
              1);
    EXPECT_FALSE(std::filesystem::exists(dir / "no.rsd"));

    writeFile(dir / "spin.ks", "var m = new KSmodel(1); m.PutEditFrame(); while (1) { }");
    CliSetup interrupt;
    interrupt.whileRunning = [](int pid) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        kill(pid, SIGINT);
    };
    const CliRun spun =
        runCli({"script", (dir / "spin.ks").string(), "--model", robot, "-o", (dir / "spun.rsd").string()}, interrupt);
    EXPECT_EQ(spun.status, 1);
    EXPECT_NE(spun.err.find("interrupted"), std::string::npos) << spun.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "spun.rsd"));
}

}  // namespace kestrel::cli::test
