#pragma once
// The BONE side file: the skeleton of a model, beside its PLY file.
#include <expected>
#include <string>
#include <string_view>

#include "formats/error.h"
#include "formats/number_format.h"
#include "model/model.h"

namespace kestrel::formats {

struct BoneFile {
    model::Skeleton skeleton;  // empty when the file declares no bones
    int version = 0;           // 1 when the file carries keyframe joint blocks
    int movementCount = 0;
    // Where the keyframe joint blocks begin, for the movement reader.
    std::size_t blocksOffset = 0;
    int blocksLine = 0;
};

// Reads a BONE file; the vertex indices are checked against the model's vertex count.
std::expected<BoneFile, Error> readBoneText(std::string_view text, const std::string& file,
                                            int vertexCount);
// The file as the program writes it, for a set with movementCount movements (their
// keyframe joint blocks are added by the movement writer).
TextOut boneText(model::Skeleton skeleton, const std::string& path, int movementCount);

}  // namespace kestrel::formats
