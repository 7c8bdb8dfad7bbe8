// The desktop entry, the AppStream metadata, the icons and the MIME types as a desktop reads
// them: each passes its validator, they agree on one name, and the MIME database built from
// the package tells Kestrel's files apart without claiming other programs' files.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <regex>

#include "install_support.h"

namespace kestrel::install::test {
namespace {

namespace fs = std::filesystem;

std::string dataFile(const std::string& suffix) { return (desktopDataDir() / (std::string(kAppId) + suffix)).string(); }

std::set<std::string> splitList(const std::string& list) {
    std::set<std::string> items;
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find(';', start);
        if (end == std::string::npos) end = list.size();
        if (end > start) items.insert(list.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

// Every match of pattern's first group in text.
std::set<std::string> captures(const std::string& text, const std::string& pattern) {
    std::set<std::string> found;
    const std::regex re(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
        found.insert((*it)[1]);
    return found;
}

TEST(DesktopFiles, TheEntryAndTheMetadataPassTheirValidators) {
    const CliRun entry = runProgram({"desktop-file-validate", dataFile(".desktop")});
    EXPECT_EQ(entry.status, 0) << described("desktop-file-validate", entry);
    // It prints nothing when all is well; hints and warnings would be worth a look too.
    EXPECT_EQ(entry.out + entry.err, "");

    const CliRun metadata = runProgram({"appstreamcli", "validate", "--no-net", dataFile(".metainfo.xml")});
    EXPECT_EQ(metadata.status, 0) << described("appstreamcli validate", metadata);
    // "Validation was successful", at most with pedantic notes: no warnings or infos.
    EXPECT_EQ(metadata.out.find("W: "), std::string::npos) << metadata.out;
    EXPECT_EQ(metadata.out.find("I: "), std::string::npos) << metadata.out;
}

TEST(DesktopFiles, OneNameJoinsTheEntryTheMetadataTheIconAndTheMimeTypes) {
    const std::string entry = readFile(dataFile(".desktop"));
    const std::string metadata = readFile(dataFile(".metainfo.xml"));
    const std::string mime = readFile(dataFile(".mime.xml"));
    const std::string id(kAppId);

    EXPECT_EQ(field(entry, "Icon", '='), id);
    EXPECT_EQ(captures(metadata, R"(<id>([^<]*)</id>)"), std::set<std::string>{id});
    EXPECT_EQ(captures(metadata, R"(<launchable type="desktop-id">([^<]*)</launchable>)"),
              std::set<std::string>{id + ".desktop"});
    EXPECT_TRUE(fs::exists(dataFile(".svg")));

    // What the window opens is offered for, declared, and a known type.
    const std::set<std::string> offered = splitList(field(entry, "MimeType", '='));
    const std::set<std::string> defined = captures(mime, R"(<mime-type type="([^"]+)\")");
    EXPECT_EQ(offered, captures(metadata, R"(<mediatype>([^<]*)</mediatype>)"));
    EXPECT_EQ(offered.size(), 4u);
    for (const std::string& type : offered) EXPECT_TRUE(defined.contains(type)) << type << " is not defined";
    EXPECT_EQ(defined.size(), 7u);
    // The entry starts the window, and the metadata names both programs.
    EXPECT_EQ(field(entry, "Exec", '='), "kestrel %f");
    EXPECT_EQ(captures(metadata, R"(<binary>([^<]*)</binary>)"), (std::set<std::string>{"kestrel", "kestrel-cli"}));
}

// The width and height in a PNG file's IHDR chunk (bytes 16 to 23, big-endian).
std::pair<std::uint32_t, std::uint32_t> pngSize(const std::string& png) {
    const auto big32 = [&png](std::size_t at) {
        std::uint32_t v = 0;
        for (std::size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(png[at + i]);
        return v;
    };
    if (png.size() < 24 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || png.compare(12, 4, "IHDR") != 0)
        return {0, 0};
    return {big32(16), big32(20)};
}

TEST(DesktopFiles, EachPngIconIsTheSizeItsFolderNames) {
    for (int side : {16, 32, 48, 64, 128, 256}) {
        const fs::path png = desktopDataDir() / "icons" / std::to_string(side) / (std::string(kAppId) + ".png");
        const auto size = static_cast<std::uint32_t>(side);
        EXPECT_EQ(pngSize(readFile(png)), std::make_pair(size, size)) << png;
    }
}

class MimeTypes : public ::testing::Test {
protected:
    // A MIME database of the system's types and Kestrel's package, as a desktop has once the
    // package is installed; the user's own types are left out.
    void SetUp() override {
        fs::create_directories(data.path() / "share/mime/packages");
        fs::create_directories(data.path() / "home");
        fs::copy_file(dataFile(".mime.xml"), data.path() / "share/mime/packages" / (std::string(kAppId) + ".xml"));
        const CliRun update = runProgram({"update-mime-database", (data.path() / "share/mime").string()});
        ASSERT_EQ(update.status, 0) << described("update-mime-database", update);
        // It names schema errors on stderr but still exits 0.
        ASSERT_EQ(update.err.find("rror"), std::string::npos) << update.err;
    }

    std::string typeOf(const fs::path& file) const {
        const CliRun info = runProgram({"gio", "info", "-a", "standard::content-type", file.string()}, {},
                                       {"XDG_DATA_DIRS=" + (data.path() / "share").string() + ":/usr/share",
                                        "XDG_DATA_HOME=" + (data.path() / "home").string()});
        if (info.status != 0) return described("gio info", info);
        return field(info.out, "  standard::content-type", ':');
    }

    fs::path copy(const std::string& sample, const std::string& name) const {
        fs::copy_file(sourceDir() / "data/samples" / sample, files.path() / name);
        return files.path() / name;
    }

    fs::path write(const std::string& name, const std::string& bytes) const {
        cli::test::writeFile(files.path() / name, bytes);
        return files.path() / name;
    }

    TempDir data, files;
};

TEST_F(MimeTypes, KestrelsFilesAreKnownByNameAndContents) {
    std::map<fs::path, std::string> expected{
        {copy("robot.rsd", "robot.rsd"), "application/x-playstation-rsd"},
        {copy("robot.rsd", "ROBOT.RSD"), "application/x-playstation-rsd"},
        {copy("robot.rsd", "robot-model"), "application/x-playstation-rsd"},
        {copy("scene.ase", "scene.ase"), "application/x-3dsmax-ase"},
        {copy("object.asc", "object.asc"), "application/x-3dstudio-asc"},
        {copy("demo.ks", "demo.ks"), "text/x-kestrel-script"},
        {copy("robot_body.tim", "robot_body.tim"), "image/x-playstation-tim"},
    };
    // The TMD and MIMe files as Kestrel writes them.
    const fs::path sample = sourceDir() / "data/samples/robot.rsd";
    const fs::path tmd = files.path() / "robot.tmd", type1 = files.path() / "nod.MIM",
                   type2 = files.path() / "nod-type2";
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"convert", sample.string(), tmd.string()},
             {"mime", sample.string(), "--movement", "nod", "--format", "type1", "-o", type1.string()},
             {"mime", sample.string(), "--movement", "nod", "--format", "type2", "-o", type2.string()}}) {
        const CliRun made = cli::test::runCli(args);
        ASSERT_EQ(made.status, 0) << described("kestrel-cli " + args.front(), made);
    }
    expected[tmd] = "application/x-playstation-tmd";
    expected[type1] = "application/x-playstation-mime-animation";
    expected[type2] = "application/x-playstation-mime-animation";  // by its header alone
    for (const auto& [file, type] : expected) EXPECT_EQ(typeOf(file), type) << file.filename();
}

TEST_F(MimeTypes, OtherProgramsFilesWithTheSameEndingsKeepTheirTypes) {
    const std::string armour = "-----BEGIN PGP SIGNATURE-----\n\niQEzBAEBCAAdFiEE\n-----END PGP SIGNATURE-----\n";
    EXPECT_EQ(typeOf(write("release.asc", armour)), "application/pgp-signature");
    EXPECT_EQ(typeOf(write("key.asc", "-----BEGIN PGP PUBLIC KEY BLOCK-----\n\nmQINBF\n")), "application/pgp-keys");
    EXPECT_EQ(typeOf(write("store.ks", std::string("\xFE\xED\xFE\xED\0\0\0\2\0\0\0\1", 12))),
              "application/x-java-keystore");
}

}  // namespace
}  // namespace kestrel::install::test
