#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "app/settings.h"

using namespace kestrel::app;

namespace {

Settings unusual() {
    Settings s;
    s.lightMasks[2] = {7, -1, 65536};
    s.portBase = 0x378;
    s.maxViewportWidth = 800;
    s.maxViewportHeight = 600;
    s.mimeVersion = kMimeType2;
    s.minimumMovement = 0.5;
    return s;
}

}  // namespace

TEST(Settings, TheFileHoldsItsFieldsAtFixedPlaces) {
    const std::string bytes = configBytes(unusual());
    ASSERT_EQ(bytes.size(), kConfigFileBytes);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x04\0\0\0", 4));
    EXPECT_EQ(bytes.substr(24, 4), std::string("\x07\0\0\0", 4));  // third view's X mask
    EXPECT_EQ(bytes.substr(48, 2), "\x78\x03");
    EXPECT_EQ(bytes.substr(50, 4), std::string("\x20\x03\0\0", 4));
    EXPECT_EQ(bytes.substr(58, 4), std::string("\x02\0\0\0", 4));
    double movement = 0;
    std::memcpy(&movement, bytes.data() + 62, 8);
    EXPECT_EQ(movement, 0.5);
    EXPECT_EQ(readConfig(bytes), unusual());
}

TEST(Settings, OddFilesReadWithDefaultsForWhatTheyLack) {
    std::string bytes = configBytes(unusual());
    std::string seven = bytes;
    seven[58] = 7;
    EXPECT_EQ(readConfig(seven).mimeVersion, kMimeType1);
    // Shorter than 70 bytes: the minimum movement keeps its default, the rest is read.
    const Settings short62 = readConfig(bytes.substr(0, 62));
    EXPECT_EQ(short62.minimumMovement, 0.0);
    EXPECT_EQ(short62.mimeVersion, kMimeType2);
    // A field cut in half is not half-read.
    EXPECT_EQ(readConfig(bytes.substr(0, 51)).maxViewportWidth, Settings{}.maxViewportWidth);
    EXPECT_EQ(readConfig(bytes.substr(0, 51)).portBase, 0x378);
    EXPECT_EQ(readConfig(""), Settings{});
    const double nan = std::nan("");
    std::memcpy(bytes.data() + 62, &nan, 8);
    EXPECT_EQ(readConfig(bytes).minimumMovement, 0.0);
}

TEST(Settings, SavingMakesTheFolderAndLoadingFallsBackToDefaults) {
    const auto folder = std::filesystem::temp_directory_path() / "kestrel-settings-test";
    std::filesystem::remove_all(folder);
    const std::string path = (folder / "kestrel" / "Kestrel.config").string();
    kestrel::formats::HostFileSystem files;
    EXPECT_EQ(loadSettings(files, path), Settings{});
    EXPECT_TRUE(saveSettings(files, path, unusual()));
    EXPECT_EQ(loadSettings(files, path), unusual());
    std::filesystem::remove_all(folder);
}

TEST(Settings, TheFileLivesInTheUsersConfigurationFolder) {
    const char* home = std::getenv("HOME");
    const std::string savedHome = home ? home : "";
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(configPath(), "/cfg/kestrel/Kestrel.config");
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(configPath(), "/home/u/.config/kestrel/Kestrel.config");
    setenv("HOME", savedHome.c_str(), 1);
}

TEST(Settings, PortTextIsHexadecimalWithOrWithoutAPrefix) {
    for (const char* text : {"$378", "0x378", "378", "0X378"}) EXPECT_EQ(parsePortText(text), 0x378) << text;
    for (const char* text : {"", "$", "0x", "37g", "$$378", "10000", "-1"}) EXPECT_FALSE(parsePortText(text)) << text;
}
