#pragma once
// The tool word: which mouse tool the edit views use and which axes it is locked off, one for
// the whole program and shared by every view.
#include <cstdint>
#include <span>

namespace kestrel::tools {

namespace bit {
inline constexpr unsigned kMove = 0x1;
inline constexpr unsigned kButtonDown = 0x2;
inline constexpr unsigned kLockX = 0x4, kLockY = 0x8, kLockZ = 0x10;
inline constexpr unsigned kLocks = kLockX | kLockY | kLockZ;
inline constexpr unsigned kMagicWand = 0x20;
inline constexpr unsigned kRotate = 0x40;
inline constexpr unsigned kMakeBone = 0x80;
inline constexpr unsigned kResize = 0x100;
inline constexpr unsigned kZoom = 0x200;
inline constexpr unsigned kZoomArea = 0x400;
inline constexpr unsigned kMoveJoint = 0x800;
inline constexpr unsigned kRotateJoint = 0x1000;
inline constexpr unsigned kLockedMoveJoint = 0x2000;
inline constexpr unsigned kMeasureAngle = 0x4000;
inline constexpr unsigned kStretch = 0x8000;
inline constexpr unsigned kMagnet = 0x10000;
inline constexpr unsigned kPan = 0x20000;
inline constexpr unsigned kWeightedRotate = 0x40000;
}  // namespace bit

struct ToolWord {
    unsigned bits = 0;

    // Choosing a tool keeps the axis locks; Pick clears the whole word, locks included.
    void choose(unsigned tool) { bits = (bits & bit::kLocks) | tool; }
    void pick() { bits = 0; }
    void setLocks(unsigned locks) { bits = (bits & ~bit::kLocks) | (locks & bit::kLocks); }
    unsigned locks() const { return bits & bit::kLocks; }
    unsigned tool() const { return bits & ~(bit::kLocks | bit::kButtonDown); }
    bool has(unsigned tool) const { return (bits & tool) != 0; }
    bool picking() const { return tool() == 0; }
};

// A tool command: its number, its text (tip after the line break) and its bit.
struct ToolCommand {
    int id;
    const char* text;
    unsigned tool;
    bool needsModel;  // enabled only while a model exists (Pan, Zoom Area and 32923 always)
};
std::span<const ToolCommand> toolCommands();

// An axis-lock command: number, text and the lock bits it sets; checked while they are equal.
struct LockCommand {
    int id;
    const char* text;
    unsigned locks;
};
std::span<const LockCommand> lockCommands();

}  // namespace kestrel::tools
