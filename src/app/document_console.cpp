// The bytes the document gives the console's previewer.
#include <vector>

#include "app/document.h"
#include "formats/host_path.h"
#include "formats/tmd_writer.h"

namespace kestrel::app {

namespace {

std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

}  // namespace

std::expected<std::vector<std::uint8_t>, std::string> Document::consoleModel() const {
    auto tmd = formats::tmdBytes(current, *state.textures, current.rsdFileName);
    if (!tmd) return std::unexpected(tmd.error().describe());
    return bytesOf(tmd->bytes);
}

std::expected<std::vector<std::uint8_t>, std::string> Document::consoleMime() const {
    const auto movement = movementForMime();
    if (!movement) return std::unexpected(movement.error());
    const auto bytes = binaryMime(**movement);
    if (!bytes) return std::unexpected(bytes.error());
    return bytesOf(*bytes);
}

std::optional<std::vector<std::uint8_t>> Document::consoleTexture(int slot) const {
    if (slot < 0 || slot >= current.textureCount()) return std::nullopt;
    const auto path =
        formats::resolveForRead(*fileSystem, current.textureFiles[static_cast<std::size_t>(slot)], current.rsdFileName);
    if (!path) return std::nullopt;
    const auto bytes = fileSystem->readFile(*path);
    if (!bytes) return std::nullopt;
    return bytesOf(*bytes);
}

}  // namespace kestrel::app
