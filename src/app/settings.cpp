#include "app/settings.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "base/little_endian.h"
#include "formats/host_path.h"

namespace kestrel::app {

namespace {

// Reads little-endian fields in order; a field past the end leaves its target alone.
class FieldReader {
public:
    explicit FieldReader(std::string_view data) : bytes(data) {}
    template <typename T>
    void read(T& target) {
        if (bytes.size() - at < sizeof(T)) {
            at = bytes.size();
            return;
        }
        target = base::loadLittleEndian<T>(bytes.data() + at);
        at += sizeof(T);
    }

private:
    std::string_view bytes;
    std::size_t at = 0;
};

template <typename T>
void put(std::string& out, T value) {
    base::appendLittleEndian(out, value);
}

}  // namespace

Settings readConfig(std::string_view bytes) {
    Settings s;
    FieldReader in(bytes);
    for (auto& view : s.lightMasks)
        for (auto& mask : view) in.read(mask);
    in.read(s.portBase);
    in.read(s.maxViewportWidth);
    in.read(s.maxViewportHeight);
    in.read(s.mimeVersion);
    in.read(s.minimumMovement);
    if (s.mimeVersion != kMimeType1 && s.mimeVersion != kMimeType2) s.mimeVersion = kMimeType1;
    if (!std::isfinite(s.minimumMovement) || s.minimumMovement < 0) s.minimumMovement = 0.0;
    return s;
}

std::string configBytes(const Settings& s) {
    std::string out;
    out.reserve(kConfigFileBytes);
    for (const auto& view : s.lightMasks)
        for (const auto mask : view) put(out, mask);
    put(out, s.portBase);
    put(out, s.maxViewportWidth);
    put(out, s.maxViewportHeight);
    put(out, s.mimeVersion);
    put(out, s.minimumMovement);
    return out;
}

std::string kestrelFolder(const char* variable, const char* underHome) {
    const char* set = std::getenv(variable);
    if (set && *set) return std::string(set) + "/kestrel";
    const char* home = std::getenv("HOME");
    if (home && *home) return std::string(home) + "/" + underHome + "/kestrel";
    return {};
}

std::string configPath() {
    const std::string folder = kestrelFolder("XDG_CONFIG_HOME", ".config");
    return folder.empty() ? folder : folder + "/Kestrel.config";
}

std::string previewerPath(const Settings& settings) {
    if (!settings.previewerFile.empty()) return settings.previewerFile;
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    return (error ? std::filesystem::path("ps.pxe") : program.parent_path() / "ps.pxe").string();
}

Settings loadSettings(const formats::FileSystem& files, const std::string& path) {
    if (path.empty()) return Settings{};
    const auto bytes = files.readFile(path);
    return bytes ? readConfig(*bytes) : Settings{};
}

std::expected<void, formats::Error> saveSettings(formats::FileSystem& files, const std::string& path,
                                                 const Settings& settings) {
    const std::string folder(formats::folderOf(path));
    if (!folder.empty() && !files.makeDirectories(folder))
        return std::unexpected(formats::makeError(path, 0, "cannot create the settings folder"));
    return formats::writeFileSafely(files, path, configBytes(settings));
}

std::optional<std::uint16_t> parsePortText(std::string_view text) {
    if (text.starts_with('$'))
        text.remove_prefix(1);
    else if (text.starts_with("0x") || text.starts_with("0X"))
        text.remove_prefix(2);
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc{} || end != text.data() + text.size() || value > 0xFFFF) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

}  // namespace kestrel::app
