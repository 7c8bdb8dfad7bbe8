#include "animation/movement.h"

#include <algorithm>

namespace kestrel::animation {

std::optional<std::string> invalidName(std::string_view name) {
    if (name.empty()) return "a name cannot be empty";
    if (name.front() == '#') return "a name cannot begin with '#'";
    if (name.find_first_of("\r\n") != std::string_view::npos) return "a name cannot hold a line end";
    if (name.size() > 198) return "a name cannot be longer than 198 characters";
    return std::nullopt;
}

Keyframe* findKeyframeByName(std::vector<Movement>& movements, std::string_view name) {
    for (auto& movement : movements)
        for (auto& keyframe : movement.keyframes)
            if (keyframe.name == name) return &keyframe;
    return nullptr;
}

Movement* findMovementOfKeyframe(std::vector<Movement>& movements, std::string_view name) {
    for (auto& movement : movements)
        for (const auto& keyframe : movement.keyframes)
            if (keyframe.name == name) return &movement;
    return nullptr;
}

Movement* findMovementByName(std::vector<Movement>& movements, std::string_view name) {
    const auto it = std::find_if(movements.begin(), movements.end(), [&](const Movement& m) { return m.name == name; });
    return it == movements.end() ? nullptr : &*it;
}

void appendKeyframe(Movement& movement, Keyframe keyframe) { movement.keyframes.push_back(std::move(keyframe)); }

Keyframe unlinkKeyframe(Movement& movement, int index) {
    Keyframe keyframe = std::move(movement.keyframes[index]);
    movement.keyframes.erase(movement.keyframes.begin() + index);
    return keyframe;
}

void insertKeyframeBefore(Movement& movement, int successor, Keyframe keyframe) {
    movement.keyframes.insert(movement.keyframes.begin() + successor, std::move(keyframe));
}

void deleteKeyframe(Movement& movement, int index) { unlinkKeyframe(movement, index); }

}  // namespace kestrel::animation
