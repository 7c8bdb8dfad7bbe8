#pragma once
// What the window keeps between runs besides the configuration file: its placement
// ("Settings"/"WindowPos"), the bar layout ("General"), the answer to the start-up device
// question, the previewer program and the four most recent files, in an INI file.
#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <optional>
#include <string>

namespace kestrel::ui {

// A window placement as ten numbers: flags (2: reopen maximised), the show command, the
// minimised and maximised positions, and the normal rectangle's left, top, right and bottom.
struct WindowPlacement {
    unsigned flags = 0;
    unsigned showCommand = 1;  // 1 normal, 2 minimised, 3 maximised
    int minX = -1, minY = -1, maxX = -1, maxY = -1;
    int left = 0, top = 0, right = 0, bottom = 0;

    bool operator==(const WindowPlacement&) const = default;
};
inline constexpr unsigned kRestoreMaximised = 2;
inline constexpr unsigned kShowMaximised = 3;

// "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d"; nothing unless the text is exactly ten such numbers.
std::optional<WindowPlacement> parseWindowPlacement(const QString& text);
QString formatWindowPlacement(const WindowPlacement& placement);

inline constexpr int kRecentFiles = 4;

class UiStore {
public:
    // The INI file at the path given; defaultPath() is where the program keeps it.
    explicit UiStore(const QString& path);
    // $XDG_CONFIG_HOME/kestrel/kestrel.ini, or ~/.config/kestrel/kestrel.ini.
    static QString defaultPath();

    std::optional<WindowPlacement> placement() const;
    void setPlacement(const WindowPlacement& placement);
    QByteArray barLayout() const;
    void setBarLayout(const QByteArray& layout);
    // Whether the panes draw with OpenGL; nothing until the question has been answered.
    std::optional<bool> useHardware() const;
    void setUseHardware(bool use);
    bool emulatedConsole() const;
    void setEmulatedConsole(bool on);
    std::string previewerFile() const;
    void setPreviewerFile(const std::string& path);
    // Minutes between recovery copies (0: none); the default until one is chosen.
    int autosaveMinutes() const;
    void setAutosaveMinutes(int minutes);
    // Megabytes a script may hold at once; the default until one is chosen.
    int scriptMemoryMegabytes() const;
    void setScriptMemoryMegabytes(int megabytes);
    // The most recent first, at most kRecentFiles.
    QStringList recentFiles() const;
    void setRecentFiles(const QStringList& files);
    // Writes what was set to the file.
    void sync() { settings_->sync(); }

private:
    std::unique_ptr<QSettings> settings_;
};

// The list after opening path: it moves to the front; the oldest beyond the limit drops off.
QStringList withRecentFile(QStringList files, const QString& path);

}  // namespace kestrel::ui
