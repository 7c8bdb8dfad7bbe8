#pragma once
// MIMe data: what each keyframe of a movement adds to the vertices per frame, in the console's
// fixed point (4096 = 1.0), as C source or as the Type 1 and Type 2 binary files. Keyframe j is
// measured against the one before it, keyframe 0 against the base frame. A keyframe's values are
// divided by its frame multiplier, the smallest whole number that brings every value within the
// 16-bit range; the player multiplies it back.
#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "animation/movement.h"
#include "model/model.h"

namespace kestrel::animation {

enum class MimeFormat { CSource, Type1, Type2 };

struct MimeOutput {
    std::string bytes;
    std::vector<std::string> warnings;  // names changed to fit C
};

// The largest value of the files' signed 16-bit fields: values, multipliers, frame counts and
// Type 2 vertex numbers.
inline constexpr int kMimeFieldMax = 32767;

// The PLY path with its extension replaced by "_mime.C" (CSource) or "_mime.MIM" (Type 1 and 2);
// a path without an extension gets the suffix appended.
std::string mimeDefaultPath(std::string_view plyPath, MimeFormat format);

// The frame multiplier of every keyframe, measured over the vertices a keyframe shares with the
// one before it. Type 2 files first ignore each coordinate difference smaller than
// minimumMovement; Type 1 and C pass 0. A difference no multiplier within int can fit (an
// infinite one, say) gives INT_MAX; NaN differences are ignored.
std::vector<int> frameMultipliers(const model::Model& base, const Movement& movement, double minimumMovement);

// Each refuses, with a sentence naming the keyframe, a movement the file cannot hold: no
// keyframes, a keyframe of no frames, vertex counts that differ, a difference that is not a
// finite number, or a multiplier or count beyond kMimeFieldMax. base is the base frame's model.
//
// outputPath is written into the first comment line; plyPath gives the "// Model:" line and the
// start of the table's name. Names are made fit for C with a warning each; two keyframes whose
// arrays would still share a name are refused.
std::expected<MimeOutput, std::string> mimeCSource(const model::Model& base, const Movement& movement,
                                                   std::string_view outputPath, std::string_view plyPath);
std::expected<std::string, std::string> mimeType1(const model::Model& base, const Movement& movement);
// Vertices whose values all come to 0 once the small differences are ignored count as still, and
// long runs of them are left out of the file. The file numbers vertices in 16 bits, so a block
// that starts beyond vertex kMimeFieldMax or holds more entries is refused; so is a negative or
// non-finite minimumMovement.
std::expected<std::string, std::string> mimeType2(const model::Model& base, const Movement& movement,
                                                  double minimumMovement);

}  // namespace kestrel::animation
