#pragma once
// The settings that outlive a run of the program, and the 70-byte configuration file that
// keeps them: light masks of the four views, the console port, the largest viewport, the
// MIMe file version and the minimum registered movement.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "formats/error.h"
#include "formats/file_system.h"

namespace kestrel::app {

inline constexpr std::size_t kConfigFileBytes = 70;
inline constexpr int kMimeType1 = 1;  // "Type 1 (KESTRELLIB v1 && v2)": C source or plain binary
inline constexpr int kMimeType2 = 2;  // "Type 2 (KESTRELLIB v3)": compressed binary

inline constexpr int kDefaultAutosaveMinutes = 3;
inline constexpr int kMostAutosaveMinutes = 120;

struct Settings {
    // X, Y and Z light masks of each view, in the panes' order: top left, top right,
    // bottom left, bottom right.
    std::array<std::array<std::int32_t, 3>, 4> lightMasks{{{4, 2, 1}, {4, 2, 1}, {4, 2, 1}, {4, 2, 1}}};
    std::uint16_t portBase = 0x320;
    std::int32_t maxViewportWidth = 1280;
    std::int32_t maxViewportHeight = 1024;
    // Type 1 until chosen otherwise, so that "Generate MIMe Info" works from the first run.
    std::int32_t mimeVersion = kMimeType1;
    // Type 2 only: coordinate differences smaller than this count as no movement.
    double minimumMovement = 0.0;
    // The previewer program "Send Viewer" uploads; empty: ps.pxe beside the program. Not part
    // of the configuration file's fixed layout (the window settings keep it).
    std::string previewerFile;
    // Minutes between recovery copies of a document with unsaved changes; 0: none are kept.
    // Not part of the configuration file either.
    int autosaveMinutes = kDefaultAutosaveMinutes;
    // The memory a script may hold at once, in megabytes (kept with the window settings).
    int scriptMemoryMegabytes = 256;
    // The console the window talks to: the emulated one instead of the card at portBase, for
    // those without the hardware (kept with the window settings).
    bool emulatedConsole = false;

    bool operator==(const Settings&) const = default;
};

// The file's fields in order; fields the file does not wholly hold keep their defaults. A
// MIMe version other than 1 or 2 reads as 1; a minimum movement that is not a finite,
// non-negative number reads as 0.
Settings readConfig(std::string_view bytes);
std::string configBytes(const Settings& settings);

// The program's folder under an XDG base folder: $VARIABLE/kestrel, else ~/UNDERHOME/kestrel;
// empty when neither variable is set.
std::string kestrelFolder(const char* variable, const char* underHome);

// $XDG_CONFIG_HOME/kestrel/Kestrel.config, or ~/.config/kestrel/Kestrel.config; empty when
// neither variable is set.
std::string configPath();

// The defaults when the file does not exist or cannot be read.
Settings loadSettings(const formats::FileSystem& files, const std::string& path);
// Writes the whole file, making its folder when needed.
std::expected<void, formats::Error> saveSettings(formats::FileSystem& files, const std::string& path,
                                                 const Settings& settings);

// The previewer program to upload: the setting, else ps.pxe in the running program's folder.
std::string previewerPath(const Settings& settings);

// The Options dialog's port text: hexadecimal, after an optional leading "$" or "0x".
std::optional<std::uint16_t> parsePortText(std::string_view text);

}  // namespace kestrel::app
