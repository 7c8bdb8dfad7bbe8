#include "tools/tool_word.h"

namespace kestrel::tools {

std::span<const ToolCommand> toolCommands() {
    static constexpr ToolCommand kCommands[] = {
        {32795, "Pick", 0, true},
        {32790, "Move", bit::kMove, true},
        {32806, "Magic Wand", bit::kMagicWand, true},
        {32815, "Rotate", bit::kRotate, true},
        {32814, "Make Bone", bit::kMakeBone, true},
        {32837, "Resize", bit::kResize, true},
        {32852, "Zoom", bit::kZoom, true},
        {32854, "Zoom Area", bit::kZoomArea, false},
        {32869, "Move Joint", bit::kMoveJoint, true},
        {32870, "Rotate Joint", bit::kRotateJoint, true},
        {32901, "Locked Move Joint", bit::kLockedMoveJoint, true},
        {32902, "Measure Angle", bit::kMeasureAngle, true},
        {32907, "Stretch", bit::kStretch, true},
        {32909, "Magnet Tool", bit::kMagnet, true},
        {32921, "Pan", bit::kPan, false},
        {32923, "Weighted Rotate", bit::kWeightedRotate, false},
    };
    return kCommands;
}

std::span<const LockCommand> lockCommands() {
    static constexpr LockCommand kCommands[] = {
        {32801, "Free move in all planes\nMove XYZ", 0},
        {32796, "Lock move ops to XY plane\nMove in XY", bit::kLockZ},
        {32799, "Lock move ops to YZ plane\nMove in YZ", bit::kLockX},
        {32800, "Lock move ops in ZX plan\nMove in ZX", bit::kLockY},
        {32802, "Move in X axis\nMove X", bit::kLockY | bit::kLockZ},
        {32803, "Move Y axis\nMove Y", bit::kLockX | bit::kLockZ},
        {32804, "Move on Z axis\nMove Z", bit::kLockX | bit::kLockY},
    };
    return kCommands;
}

}  // namespace kestrel::tools
