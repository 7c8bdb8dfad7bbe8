#pragma once
// Animation stored as poses: keyframes are whole model copies, movements are named
// sequences of them, and the base frame is the rest pose every movement starts from.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/model.h"

namespace kestrel::animation {

inline constexpr int kDefaultFramesFromLast = 20;

struct Keyframe {
    model::Model model;  // the pose, with its own skeleton
    std::string name;
    int framesFromLast = kDefaultFramesFromLast;
    int importTime = 0;  // the animation key an importer made the keyframe for

    bool operator==(const Keyframe&) const = default;
};

struct Movement {
    std::string name;
    std::vector<Keyframe> keyframes;  // in play order

    bool operator==(const Movement&) const = default;
};

// The program's animation: the movement list (newest first), the base frame and the
// counter that names new keyframes.
struct AnimationState {
    std::vector<Movement> movements;
    std::optional<Keyframe> baseFrame;
    int keyframeCounter = 0;
};

// Why a name cannot be stored in the movement file, or nullopt when it can: names are whole
// lines there, and lines beginning with '#' are comments.
std::optional<std::string> invalidName(std::string_view name);

// Searches the keyframes of every movement in list order; exact, case-sensitive.
Keyframe* findKeyframeByName(std::vector<Movement>& movements, std::string_view name);
Movement* findMovementOfKeyframe(std::vector<Movement>& movements, std::string_view name);
Movement* findMovementByName(std::vector<Movement>& movements, std::string_view name);

void appendKeyframe(Movement& movement, Keyframe keyframe);
// Takes the keyframe at index out of the movement and returns it.
Keyframe unlinkKeyframe(Movement& movement, int index);
// Puts the keyframe in front of the one at successor (at the end when successor is the size).
void insertKeyframeBefore(Movement& movement, int successor, Keyframe keyframe);
void deleteKeyframe(Movement& movement, int index);

}  // namespace kestrel::animation
