#include "ui/window/ui_store.h"

#include "app/settings.h"

#include <QDir>

namespace kestrel::ui {

namespace {
const char* const kPlacementKey = "Settings/WindowPos";
const char* const kBarLayoutKey = "BarLayout/General";
const char* const kUseHardwareKey = "Settings/UseHardware";
const char* const kPreviewerKey = "Settings/PreviewerFile";
const char* const kAutosaveKey = "Settings/AutosaveMinutes";
const char* const kScriptMemoryKey = "Settings/ScriptMemoryMB";
const char* const kEmulatedConsoleKey = "Settings/EmulatedConsole";
const char* const kRecentKey = "Recent File List/File%1";
}  // namespace

std::optional<WindowPlacement> parseWindowPlacement(const QString& text) {
    const QStringList parts = text.split(',');
    if (parts.size() != 10) return std::nullopt;
    std::array<long long, 10> n{};
    for (int i = 0; i < 10; ++i) {
        bool ok = false;
        n[static_cast<std::size_t>(i)] = parts[i].trimmed().toLongLong(&ok);
        if (!ok) return std::nullopt;
    }
    const auto fitsInt = [](long long v) { return v >= INT32_MIN && v <= INT32_MAX; };
    if (n[0] < 0 || n[0] > UINT32_MAX || n[1] < 0 || n[1] > UINT32_MAX) return std::nullopt;
    for (std::size_t i = 2; i < 10; ++i)
        if (!fitsInt(n[i])) return std::nullopt;
    WindowPlacement p;
    p.flags = static_cast<unsigned>(n[0]);
    p.showCommand = static_cast<unsigned>(n[1]);
    p.minX = static_cast<int>(n[2]), p.minY = static_cast<int>(n[3]);
    p.maxX = static_cast<int>(n[4]), p.maxY = static_cast<int>(n[5]);
    p.left = static_cast<int>(n[6]), p.top = static_cast<int>(n[7]);
    p.right = static_cast<int>(n[8]), p.bottom = static_cast<int>(n[9]);
    return p;
}

QString formatWindowPlacement(const WindowPlacement& p) {
    return QString("%1,%2,%3,%4,%5,%6,%7,%8,%9,%10")
        .arg(p.flags)
        .arg(p.showCommand)
        .arg(p.minX)
        .arg(p.minY)
        .arg(p.maxX)
        .arg(p.maxY)
        .arg(p.left)
        .arg(p.top)
        .arg(p.right)
        .arg(p.bottom);
}

UiStore::UiStore(const QString& path) : settings_(std::make_unique<QSettings>(path, QSettings::IniFormat)) {}

QString UiStore::defaultPath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty()) base = QDir::homePath() + "/.config";
    return base + "/kestrel/kestrel.ini";
}

std::optional<WindowPlacement> UiStore::placement() const {
    // A value with commas may come back as a list when the file was edited by hand.
    const QVariant value = settings_->value(kPlacementKey);
    const QString text = value.typeId() == QMetaType::QStringList ? value.toStringList().join(',') : value.toString();
    return parseWindowPlacement(text);
}

void UiStore::setPlacement(const WindowPlacement& placement) {
    settings_->setValue(kPlacementKey, formatWindowPlacement(placement));
}

QByteArray UiStore::barLayout() const { return settings_->value(kBarLayoutKey).toByteArray(); }
void UiStore::setBarLayout(const QByteArray& layout) { settings_->setValue(kBarLayoutKey, layout); }

std::optional<bool> UiStore::useHardware() const {
    const QVariant value = settings_->value(kUseHardwareKey);
    if (!value.isValid()) return std::nullopt;
    return value.toBool();
}
void UiStore::setUseHardware(bool use) { settings_->setValue(kUseHardwareKey, use); }

int UiStore::autosaveMinutes() const {
    bool ok = false;
    const int minutes = settings_->value(kAutosaveKey).toInt(&ok);
    return ok && minutes >= 0 && minutes <= app::kMostAutosaveMinutes ? minutes : app::kDefaultAutosaveMinutes;
}

void UiStore::setAutosaveMinutes(int minutes) { settings_->setValue(kAutosaveKey, minutes); }

int UiStore::scriptMemoryMegabytes() const {
    bool ok = false;
    const int megabytes = settings_->value(kScriptMemoryKey).toInt(&ok);
    return ok && megabytes >= 1 && megabytes <= 65536 ? megabytes : app::Settings{}.scriptMemoryMegabytes;
}

void UiStore::setScriptMemoryMegabytes(int megabytes) { settings_->setValue(kScriptMemoryKey, megabytes); }

bool UiStore::emulatedConsole() const { return settings_->value(kEmulatedConsoleKey, false).toBool(); }
void UiStore::setEmulatedConsole(bool on) { settings_->setValue(kEmulatedConsoleKey, on); }

std::string UiStore::previewerFile() const { return settings_->value(kPreviewerKey).toString().toStdString(); }
void UiStore::setPreviewerFile(const std::string& path) {
    settings_->setValue(kPreviewerKey, QString::fromStdString(path));
}

QStringList UiStore::recentFiles() const {
    QStringList files;
    for (int i = 1; i <= kRecentFiles; ++i) {
        const QString file = settings_->value(QString(kRecentKey).arg(i)).toString();
        if (!file.isEmpty()) files << file;
    }
    return files;
}

void UiStore::setRecentFiles(const QStringList& files) {
    for (int i = 1; i <= kRecentFiles; ++i) {
        const QString key = QString(kRecentKey).arg(i);
        if (i <= files.size())
            settings_->setValue(key, files[i - 1]);
        else
            settings_->remove(key);
    }
}

QStringList withRecentFile(QStringList files, const QString& path) {
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > kRecentFiles) files.removeLast();
    return files;
}

}  // namespace kestrel::ui
