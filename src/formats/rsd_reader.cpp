#include <functional>
#include <future>
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

namespace {

// The file at a name the set stores, when there is one that can be read.
std::optional<ResolvedFile> readOptional(const FileSystem& files, std::string_view stored, const std::string& rsdPath) {
    auto file = readResolved(files, stored, rsdPath);
    if (!file) return std::nullopt;
    return std::move(*file);
}

// The MAT file read on a thread of its own while the PLY file is read: the PLY header gives
// the polygon count it is checked against.
struct MatRead {
    std::expected<MatContents, Error> contents = MatContents{};  // none when there is no file
    std::vector<Warning> warnings;
};

MatRead readMat(const FileSystem& files, const std::string& stored, const std::string& rsdPath, int polygonCount,
                int textureCount) {
    MatRead read;
    if (auto file = readOptional(files, stored, rsdPath))
        read.contents = parseMatText(file->bytes, file->path, polygonCount, textureCount, read.warnings);
    return read;
}

}  // namespace

std::expected<LoadedModel, Error> loadRsdSet(const FileSystem& files, const std::string& path) {
    // Relative names in the set are joined to the RSD file's folder; with a full path there
    // they stay the same however often the set is saved and opened again.
    const std::string rsdPath = files.absolutePath(path);
    const auto rsdText = files.readFile(rsdPath);
    if (!rsdText) return std::unexpected(makeError(rsdPath, 0, cannotOpen(rsdText.error())));
    LoadedModel loaded;
    Model& model = loaded.model;
    model.rsdFileName = model.plyFileName = model.matFileName = model.grpFileName = rsdPath;
    const auto plyLine = readRsdText(*rsdText, rsdPath, model, loaded.warnings);
    if (!plyLine) return std::unexpected(plyLine.error());
    if (*plyLine == 0) return std::unexpected(makeError(rsdPath, 0, "no PLY= line names the geometry file"));

    const auto ply = readResolved(files, model.plyFileName, rsdPath);
    if (!ply)
        return std::unexpected(
            makeError(rsdPath, *plyLine, cannotOpen(ply.error(), "the PLY file " + model.plyFileName)));

    // A set without materials or groups is normal: those files are optional. Without a MAT=
    // line the name is still the RSD file's own, which is no material file.
    const std::string matName = model.matFileName != rsdPath ? model.matFileName : std::string();
    std::future<MatRead> matRead;
    const auto polygonCount = plyPolygonCount(ply->bytes);
    if (polygonCount && !matName.empty())
        matRead = std::async(std::launch::async, readMat, std::cref(files), matName, rsdPath, *polygonCount,
                             model.textureCount());
    if (auto done = readPlyText(ply->bytes, ply->path, model, loaded.warnings); !done)
        return std::unexpected(done.error());
    const MatRead mat = matRead.valid() ? matRead.get() : MatRead{};
    if (!mat.contents) return std::unexpected(mat.contents.error());
    applyMaterials(*mat.contents, model);
    loaded.warnings.insert(loaded.warnings.end(), mat.warnings.begin(), mat.warnings.end());

    // Sets made by the console tools keep their named groups in the GRP file; the XGRP file,
    // when there is one, holds the groups as this program saved them.
    if (auto xgrp = readOptional(files, replaceLastThree(model.plyFileName, "xgrp"), rsdPath)) {
        if (auto done = readXgrpText(xgrp->bytes, xgrp->path, model, loaded.warnings); !done)
            return std::unexpected(done.error());
    } else if (model.grpFileName != rsdPath) {
        if (auto grp = readOptional(files, model.grpFileName, rsdPath))
            if (auto done = readGrpText(grp->bytes, grp->path, model, loaded.warnings); !done)
                return std::unexpected(done.error());
    }

    // The skeleton, when the set has one, in the BONE file beside the PLY file.
    const auto boneFile = readOptional(files, replaceLastThree(model.plyFileName, "bone"), rsdPath);
    BoneFile bones;
    if (boneFile) {
        auto read = readBoneText(boneFile->bytes, boneFile->path, model.vertexCount());
        if (!read) return std::unexpected(read.error());
        bones = std::move(*read);
        model.skeleton = bones.skeleton;
    }
    // The loaded model is the rest pose every movement starts from.
    loaded.animation.baseFrame = animation::Keyframe{model, "BaseFrame"};
    if (const auto moveFile = readOptional(files, replaceLastThree(model.plyFileName, "move"), rsdPath)) {
        KeyframeJointReader joints(boneFile ? std::string_view(boneFile->bytes) : std::string_view(),
                                   boneFile ? boneFile->path : std::string(), bones);
        auto movements = readMoveText(moveFile->bytes, moveFile->path, model, joints, loaded.warnings);
        if (!movements) return std::unexpected(movements.error());
        loaded.animation.movements = std::move(*movements);
    }
    return loaded;
}

}  // namespace kestrel::formats
