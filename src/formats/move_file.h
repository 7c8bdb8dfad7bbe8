#pragma once
// The MOVE side file: every movement as chained per-vertex differences, the first keyframe
// of a movement against the base frame and each later one against the keyframe before it.
#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "animation/movement.h"
#include "formats/bone_file.h"
#include "formats/error.h"
#include "formats/number_format.h"

namespace kestrel::formats {

// Refused when a keyframe has more vertices than the frame it is differenced against,
// which the file cannot describe.
std::expected<TextOut, Error> moveText(const std::vector<animation::Movement>& movements, const model::Model& base,
                                       const std::string& path);

// The movements in list order, which is the reverse of the file's order (the list is newest
// first and each movement read goes to its head). Keyframe joints come from joints when it
// has blocks; otherwise a keyframe keeps the skeleton of the frame it was made from.
std::expected<std::vector<animation::Movement>, Error> readMoveText(std::string_view text, const std::string& file,
                                                                    const model::Model& base,
                                                                    KeyframeJointReader& joints,
                                                                    std::vector<Warning>& warnings);

}  // namespace kestrel::formats
