#include <string>
#include <utility>

#include "formats/bone_file.h"
#include "formats/host_path.h"
#include "formats/move_file.h"
#include "formats/rsd_parts.h"
#include "formats/rsd_set.h"
#include "formats/text_scan.h"

namespace kestrel::formats {

namespace {

using model::Model;

// A value is absolute when it starts with a separator or a drive ("c:"); other values are
// relative to the RSD file's folder.
std::string applyPathRule(std::string_view value, std::string_view rsdFolder) {
    if (value.empty()) return {};  // an empty name stays empty: it names no file
    if (isSeparator(value[0])) return std::string(value);
    if (value.size() >= 2 && value[1] == ':') return std::string(value);
    return std::string(rsdFolder) + std::string(value);
}

bool readCount(std::string_view text, std::int32_t& value) { return scanInt(text, value); }

}  // namespace

std::expected<int, Error> readRsdText(std::string_view text, const std::string& file, Model& model,
                                      std::vector<Warning>& warnings) {
    const std::string_view folder = folderOf(model.rsdFileName);
    std::vector<std::string> slots(model::kMaxTextures);
    int textureCount = 0, plyLine = 0;
    std::vector<int> namedSlots;
    LineReader lines(text, file);
    std::string_view line;
    while (lines.next(line)) {
        const int n = lines.lineNumber();
        if (line.starts_with('#')) continue;
        if (line.starts_with("PLY=")) {
            model.plyFileName = applyPathRule(line.substr(4), folder);
            plyLine = n;
        } else if (line.starts_with("MAT=")) {
            model.matFileName = applyPathRule(line.substr(4), folder);
        } else if (line.starts_with("GRP=")) {
            model.grpFileName = applyPathRule(line.substr(4), folder);
        } else if (line.starts_with("NTEX=")) {
            std::int32_t count = 0;
            if (!readCount(line.substr(5), count) || count < 0)
                return std::unexpected(makeError(file, n, "NTEX= needs a texture count of 0 or more"));
            if (count > model::kMaxTextures) {
                warnings.push_back(makeWarning(file, n,
                                               "NTEX=" + std::to_string(count) +
                                                   " is more than the model can hold; only " +
                                                   std::to_string(model::kMaxTextures) + " textures are kept"));
                count = model::kMaxTextures;
            }
            textureCount = count;
        } else if (line.starts_with("TEX[")) {
            std::string_view rest = line.substr(4);
            std::int32_t slot = 0;
            const auto equals = rest.find('=');
            if (!scanInt(rest, slot) || equals == std::string_view::npos)
                return std::unexpected(makeError(file, n, "a TEX[ line needs a slot number and '='"));
            if (slot < 0 || slot >= model::kMaxTextures) {
                warnings.push_back(
                    makeWarning(file, n, "texture slot " + std::to_string(slot) + " is outside 0-29 and is ignored"));
                continue;
            }
            slots[slot] = applyPathRule(line.substr(4 + equals + 1), folder);
            namedSlots.push_back(slot);
        }
    }
    if (lines.failure()) return std::unexpected(*lines.failure());
    for (int slot : namedSlots)
        if (slot >= textureCount)
            warnings.push_back(makeWarning(file, 0,
                                           "TEX[" + std::to_string(slot) + "] lies beyond NTEX=" +
                                               std::to_string(textureCount) + " and is ignored"));
    slots.resize(textureCount);
    model.textureFiles = std::move(slots);
    // A relative name grows by the RSD file's folder; warn now about a line it overfills.
    auto checkLength = [&](std::string_view key, const std::string& path) {
        if (key.size() + path.size() > kMaxLineLength)
            warnings.push_back(makeWarning(file, 0,
                                           std::string(key) + path.substr(0, 40) +
                                               "... is too long to be saved again (" + std::to_string(kMaxLineLength) +
                                               " characters a line)"));
    };
    checkLength("PLY=", model.plyFileName);
    checkLength("MAT=", model.matFileName);
    checkLength("GRP=", model.grpFileName);
    for (int i = 0; i < textureCount; ++i) checkLength("TEX[" + std::to_string(i) + "]=", model.textureFiles[i]);
    return plyLine;
}

std::expected<LoadedModel, Error> loadRsdSet(const FileSystem& files, const std::string& path) {
    // Relative names in the set are joined to the RSD file's folder; with a full path there
    // they stay the same however often the set is saved and opened again.
    const std::string rsdPath = files.absolutePath(path);
    const auto rsdText = files.readFile(rsdPath);
    if (!rsdText) return std::unexpected(makeError(rsdPath, 0, "cannot open the file"));
    LoadedModel loaded;
    Model& model = loaded.model;
    model.rsdFileName = model.plyFileName = model.matFileName = model.grpFileName = rsdPath;
    const auto plyLine = readRsdText(*rsdText, rsdPath, model, loaded.warnings);
    if (!plyLine) return std::unexpected(plyLine.error());
    if (*plyLine == 0) return std::unexpected(makeError(rsdPath, 0, "no PLY= line names the geometry file"));

    const auto plyPath = resolveForRead(files, model.plyFileName, rsdPath);
    const auto plyText = plyPath ? files.readFile(*plyPath) : std::nullopt;
    if (!plyText) return std::unexpected(makeError(rsdPath, *plyLine, "cannot open the PLY file " + model.plyFileName));
    if (auto error = readPlyText(*plyText, *plyPath, model, loaded.warnings)) return std::unexpected(*error);

    // A set without materials or groups is normal: those files are optional. Without a MAT=
    // line the name is still the RSD file's own, which is no material file.
    using Reader = std::optional<Error> (*)(std::string_view, const std::string&, Model&, std::vector<Warning>&);
    const std::pair<std::string, Reader> optionalFiles[] = {
        {model.matFileName != rsdPath ? model.matFileName : std::string(), readMatText},
        {replaceLastThree(model.plyFileName, "xgrp"), readXgrpText},
    };
    bool grouped = false;
    for (const auto& [stored, reader] : optionalFiles) {
        const auto path = resolveForRead(files, stored, rsdPath);
        const auto text = path ? files.readFile(*path) : std::nullopt;
        if (!text) continue;
        if (auto error = reader(*text, *path, model, loaded.warnings)) return std::unexpected(*error);
        grouped = reader == readXgrpText;
    }
    // Sets made by the console tools keep their named groups in the GRP file; the XGRP file,
    // when there is one, holds the groups as this program saved them.
    if (!grouped && model.grpFileName != rsdPath)
        if (const auto path = resolveForRead(files, model.grpFileName, rsdPath))
            if (const auto text = files.readFile(*path))
                if (auto error = readGrpText(*text, *path, model, loaded.warnings)) return std::unexpected(*error);

    // The skeleton, when the set has one, in the BONE file beside the PLY file.
    std::optional<std::string> boneText, bonePath;
    BoneFile bones;
    if ((bonePath = resolveForRead(files, replaceLastThree(model.plyFileName, "bone"), rsdPath)))
        if ((boneText = files.readFile(*bonePath))) {
            auto read = readBoneText(*boneText, *bonePath, model.vertexCount());
            if (!read) return std::unexpected(read.error());
            bones = std::move(*read);
            model.skeleton = bones.skeleton;
        }
    // The loaded model is the rest pose every movement starts from.
    loaded.animation.baseFrame = animation::Keyframe{model, "BaseFrame"};
    if (const auto movePath = resolveForRead(files, replaceLastThree(model.plyFileName, "move"), rsdPath))
        if (const auto moveText = files.readFile(*movePath)) {
            KeyframeJointReader joints(boneText ? std::string_view(*boneText) : std::string_view(),
                                       bonePath.value_or(std::string()), bones);
            auto movements = readMoveText(*moveText, *movePath, model, joints, loaded.warnings);
            if (!movements) return std::unexpected(movements.error());
            loaded.animation.movements = std::move(*movements);
        }
    return loaded;
}

}  // namespace kestrel::formats
