#pragma once
// The BONE side file: the skeleton of a model, beside its PLY file.
#include <expected>
#include <string>
#include <string_view>

#include "animation/movement.h"
#include "formats/error.h"
#include "formats/number_format.h"
#include "formats/text_scan.h"
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
std::expected<BoneFile, Error> readBoneText(std::string_view text, const std::string& file, int vertexCount);
// The file as the program writes it. movementCount is the length of the movement list;
// with blocks, every keyframe's joints follow the base skeleton (written with the MOVE file).
TextOut boneText(model::Skeleton skeleton, const std::string& path, int movementCount,
                 const std::vector<animation::Movement>* blocks);

// Reads the keyframe joint blocks that follow the base skeleton, one block per keyframe in
// the order the movement file lists them.
class KeyframeJointReader {
public:
    KeyframeJointReader(std::string_view text, const std::string& file, const BoneFile& bones);
    // False when the file holds no blocks at all (written without movements, or version 0):
    // keyframes then keep the skeleton of the frame they were made from.
    bool hasBlocks() const { return present; }
    // Sets the joints of the keyframe's skeleton from the next block.
    std::expected<void, Error> readInto(model::Skeleton& skeleton, const std::string& keyframe);

private:
    LineReader lines;
    bool present = false;
};

}  // namespace kestrel::formats
