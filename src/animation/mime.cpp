#include "animation/mime.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "base/little_endian.h"

namespace kestrel::animation {

using model::Model;

namespace {

constexpr double kFixedOne = 4096.0;
constexpr int kNoFit = std::numeric_limits<int>::max();
constexpr std::string_view kType2Magic{"KESTREL MIMe TYPE2\0\0", 20};
constexpr std::uint16_t kType1EntryMark = 0xDEAD;
constexpr std::uint16_t kType2EntryMark = 0xACE1;
constexpr std::uint16_t kType2HeadMark = 0xFFFF;
constexpr std::uint32_t kType2MoreBlocks = 0xDEADC001;

// One frame's share of a difference, evaluated in this order so that the multiplier search and
// the written values agree to the last bit: ((d * 4096) / m) / F.
double perFrame(double d, double multiplier, double frames) { return d * kFixedOne / multiplier / frames; }

bool fits(double move, double multiplier, double frames) {
    return !(std::fabs(perFrame(move, multiplier, frames)) > kMimeFieldMax);
}

// Counting the multiplier up from 1 until every vertex fits ends at the smallest m that fits the
// keyframe's largest move, since every step of perFrame rounds monotonically. Counting takes
// hundreds of millions of steps for large coordinates, so start at the estimate and step to the
// exact boundary of the same floating-point test.
int smallestMultiplier(double largest, int frames) {
    if (fits(largest, 1.0, frames)) return 1;
    const double estimate = std::ceil(largest * kFixedOne / std::fabs(frames) / kMimeFieldMax);
    if (!(estimate < kNoFit)) return kNoFit;
    long long m = std::max(2LL, static_cast<long long>(estimate));
    while (m > 2 && fits(largest, static_cast<double>(m - 1), frames)) --m;
    while (!fits(largest, static_cast<double>(m), frames))
        if (++m >= kNoFit) return kNoFit;
    return static_cast<int>(m);
}

const Model& reference(const Model& base, const Movement& movement, std::size_t j) {
    return j == 0 ? base : movement.keyframes[j - 1].model;
}

std::string quoted(std::string_view name) {
    std::string text;
    text.reserve(name.size() + 2);
    text += '"';
    text += name;
    text += '"';
    return text;
}

std::string keyframeLabel(const Movement& movement, std::size_t j) {
    return "keyframe " + quoted(movement.keyframes[j].name) + " of movement " + quoted(movement.name);
}

std::string frameCount(int frames) { return std::to_string(frames) + (frames == 1 ? " frame" : " frames"); }

std::unexpected<std::string> noKeyframes(const Movement& movement) {
    return std::unexpected("movement " + quoted(movement.name) + " has no keyframes; add one before making MIMe data");
}

// Little-endian fields; the 16-bit ones take signed values in two's complement.
char* put16(char* p, int value) {
    base::storeLittleEndian(p, static_cast<std::uint16_t>(value));
    return p + 2;
}

char* put32(char* p, std::uint32_t v) {
    base::storeLittleEndian(p, v);
    return p + 4;
}

int get16(const char* p) { return base::loadLittleEndian<std::int16_t>(p); }

// An entry is a vertex's three values and a mark, 16 bits each.
constexpr std::size_t kEntrySize = 8;

void putEntry(char* p, int x, int y, int z, std::uint16_t mark) { put16(put16(put16(put16(p, x), y), z), mark); }

bool isStillEntry(const char* p) { return (p[0] | p[1] | p[2] | p[3] | p[4] | p[5]) == 0; }

void append32(std::string& out, std::uint32_t v) {
    char field[4];
    put32(field, v);
    out.append(field, sizeof field);
}

struct Moves {
    double largest = 0.0;
    long long nonFinite = -1;  // the first vertex with a difference that is not a number
};

// Walks the vertices both models have and calls visit(i, x, y, z) with each vertex's
// differences, those smaller than minimum set to 0. The largest difference found is what the
// multiplier must fit; NaN never raises it, as it never raises the counted multiplier.
template <typename Visit>
Moves scanMoves(const Model& from, const Model& to, double minimum, Visit&& visit) {
    constexpr double kLargestFinite = std::numeric_limits<double>::max();
    Moves moves;
    const auto counted = [minimum](double d) { return std::fabs(d) < minimum ? 0.0 : d; };
    const auto raise = [&moves](double size) { moves.largest = size > moves.largest ? size : moves.largest; };
    const std::size_t count = std::min(from.vertices.size(), to.vertices.size());
    for (std::size_t i = 0; i < count; ++i) {
        const auto& a = to.vertices[i];
        const auto& b = from.vertices[i];
        const double x = counted(a.x - b.x), y = counted(a.y - b.y), z = counted(a.z - b.z);
        const double sx = std::fabs(x), sy = std::fabs(y), sz = std::fabs(z);
        if ((!(sx <= kLargestFinite) | !(sy <= kLargestFinite) | !(sz <= kLargestFinite)) && moves.nonFinite < 0)
            moves.nonFinite = static_cast<long long>(i);
        raise(sx);
        raise(sy);
        raise(sz);
        visit(i, x, y, z);
    }
    return moves;
}

// Checks keyframe j, refusing what no MIMe file can hold, and writes one entry per vertex to
// `entries` with the given mark; returns the multiplier. Most keyframes need none, so their
// values are written while the largest move is looked for, and only a keyframe that needs one is
// read a second time.
std::expected<int, std::string> keyframeEntries(const Model& base, const Movement& movement, std::size_t j,
                                                double minimum, std::uint16_t mark, char* entries) {
    const Keyframe& keyframe = movement.keyframes[j];
    const Model& from = reference(base, movement, j);
    const int frames = keyframe.framesFromLast;
    const std::string limit = std::to_string(kMimeFieldMax);
    if (frames <= 0)
        return std::unexpected(keyframeLabel(movement, j) + " has " + std::to_string(frames) +
                               " frames from the last; give it at least 1");
    if (frames > kMimeFieldMax)
        return std::unexpected(keyframeLabel(movement, j) + " has " + std::to_string(frames) +
                               " frames from the last; MIMe data holds at most " + limit);
    if (keyframe.model.vertices.size() != from.vertices.size())
        return std::unexpected(
            keyframeLabel(movement, j) + " has " + std::to_string(keyframe.model.vertices.size()) + " vertices but " +
            (j == 0 ? std::string("the base frame")
                    : "keyframe " + quoted(movement.keyframes[j - 1].name) + " before it") +
            " has " + std::to_string(from.vertices.size()) + "; every keyframe needs the same vertices");

    const double f = frames;
    // perFrame(d, 1, f): dividing by 1 changes no bit. Values out of range are written again
    // below with the multiplier that fits them.
    const auto atOne = [f](double d) {
        const double v = d * kFixedOne / f;
        return std::fabs(v) <= kMimeFieldMax ? static_cast<int>(v) : 0;
    };
    const Moves moves = scanMoves(from, keyframe.model, minimum, [&](std::size_t i, double x, double y, double z) {
        putEntry(entries + kEntrySize * i, atOne(x), atOne(y), atOne(z), mark);
    });
    if (moves.nonFinite >= 0)
        return std::unexpected(keyframeLabel(movement, j) + " moves vertex " + std::to_string(moves.nonFinite) +
                               " by an amount that is not a finite number");
    const int multiplier = smallestMultiplier(moves.largest, frames);
    if (multiplier > kMimeFieldMax)
        return std::unexpected(keyframeLabel(movement, j) + " moves too far in " + frameCount(frames) +
                               ": it needs a frame multiplier of " +
                               (multiplier == kNoFit ? "more than " + limit : std::to_string(multiplier)) +
                               " and MIMe data holds at most " + limit + "; give it more frames");
    if (multiplier > 1) {
        const double m = multiplier;
        // The multiplier fits every value, so the conversion cannot overflow.
        const auto at = [m, f](double d) { return static_cast<int>(perFrame(d, m, f)); };
        scanMoves(from, keyframe.model, minimum, [&](std::size_t i, double x, double y, double z) {
            putEntry(entries + kEntrySize * i, at(x), at(y), at(z), mark);
        });
    }
    return multiplier;
}

void appendInt(std::string& out, long long value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

// Text from outside that goes into a // comment: a line end would carry the rest into the code.
std::string commentText(std::string_view text) {
    std::string line(text);
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return line;
}

bool isCNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// A name inside a C identifier: anything but letters, digits and '_' becomes '_', and a
// name that begins the identifier cannot begin with a digit. Each change is reported once.
std::string cName(std::string_view name, bool beginsIdentifier, std::vector<std::string>& warnings) {
    std::string result(name);
    std::replace_if(
        result.begin(), result.end(), [](char c) { return !isCNameCharacter(c); }, '_');
    if (beginsIdentifier && !result.empty() && result.front() >= '0' && result.front() <= '9')
        result.insert(result.begin(), '_');
    if (result == name) return result;
    std::string warning = "the name " + quoted(name) + " is written as " + result +
                          " in the C source, where names hold only letters, digits and '_'";
    if (std::find(warnings.begin(), warnings.end(), warning) == warnings.end()) warnings.push_back(std::move(warning));
    return result;
}

// The model's file name without directory and extension: the table is named after it.
std::string tableBaseName(std::string_view plyPath) {
    std::string name = mimeDefaultPath(plyPath, MimeFormat::CSource);
    name.resize(name.size() - std::string_view("_mime.C").size());
    const std::size_t slash = name.find_last_of("/\\");
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

void appendCArray(std::string& out, const std::string& arrayName, const std::string& entries, std::size_t count) {
    out += "SVECTOR ";
    out += arrayName;
    out += '[';
    appendInt(out, static_cast<long long>(count));
    out += "]={\n";
    for (std::size_t i = 0; i < count; ++i) {
        const char* entry = entries.data() + kEntrySize * i;
        appendInt(out, get16(entry));
        out += ',';
        appendInt(out, get16(entry + 2));
        out += ',';
        appendInt(out, get16(entry + 4));
        out += i + 1 < count ? ",0,   // v[" : ",0    // v[";
        appendInt(out, static_cast<long long>(i));
        out += "]\n";
    }
    out += "};\n";
}

struct Type2Block {
    std::size_t first;
    std::size_t end;  // one past the last entry
    bool more;        // another block of the keyframe follows
};

// Moving vertices go in blocks of consecutive entries. One or two still vertices inside a run
// cost less as zero entries than a new 12-byte head, so they stay in the block (also at the
// very end); three or more end it.
void type2Blocks(const std::string& entries, std::vector<Type2Block>& blocks) {
    blocks.clear();
    const std::size_t count = entries.size() / kEntrySize;
    const auto still = [&entries](std::size_t i) { return isStillEntry(entries.data() + kEntrySize * i); };
    std::size_t i = 0;
    while (i < count && still(i)) ++i;
    while (i < count) {
        const std::size_t first = i;
        std::size_t end;
        for (;;) {
            while (i < count && !still(i)) ++i;
            end = i;
            if (i == count) break;
            std::size_t after = i;
            while (after < count && still(after)) ++after;
            const bool longRun = after - i >= 3;
            i = after;
            if (longRun) break;
            end = i;
        }
        blocks.push_back({first, end, i < count});
    }
}

void appendType2Head(std::string& out, std::uint32_t marker, std::size_t first, std::size_t count, int multiplier) {
    char head[12];
    char* p = put32(head, marker);
    p = put16(p, static_cast<int>(first));
    p = put16(p, static_cast<int>(count));
    p = put16(p, multiplier);
    put16(p, kType2HeadMark);
    out.append(head, sizeof head);
}

constexpr const char* kOtherFormats = "; Type 1 and C source have no such limit";

std::optional<std::string> checkType2Blocks(const std::vector<Type2Block>& blocks, const Movement& movement,
                                            std::size_t j) {
    const auto limit = static_cast<std::size_t>(kMimeFieldMax);
    for (const Type2Block& block : blocks) {
        if (block.first > limit)
            return keyframeLabel(movement, j) + " moves vertex " + std::to_string(block.first) +
                   ", but Type 2 MIMe files number vertices only up to " + std::to_string(kMimeFieldMax) +
                   kOtherFormats;
        if (block.end - block.first > limit)
            return keyframeLabel(movement, j) + " moves " + std::to_string(block.end - block.first) +
                   " vertices in a row from vertex " + std::to_string(block.first) +
                   ", but a Type 2 block holds at most " + std::to_string(kMimeFieldMax) + kOtherFormats;
    }
    return std::nullopt;
}

}  // namespace

std::string mimeDefaultPath(std::string_view plyPath, MimeFormat format) {
    const std::size_t nameStart = plyPath.find_last_of("/\\") + 1;  // 0 without a directory
    const std::size_t dot = plyPath.rfind('.');
    std::string path(dot != std::string_view::npos && dot >= nameStart ? plyPath.substr(0, dot) : plyPath);
    path += format == MimeFormat::CSource ? "_mime.C" : "_mime.MIM";
    return path;
}

std::vector<int> frameMultipliers(const Model& base, const Movement& movement, double minimumMovement) {
    std::vector<int> multipliers;
    multipliers.reserve(movement.keyframes.size());
    for (std::size_t j = 0; j < movement.keyframes.size(); ++j) {
        const Keyframe& keyframe = movement.keyframes[j];
        const Moves moves = scanMoves(reference(base, movement, j), keyframe.model, minimumMovement,
                                      [](std::size_t, double, double, double) {});
        multipliers.push_back(smallestMultiplier(moves.largest, keyframe.framesFromLast));
    }
    return multipliers;
}

std::expected<MimeOutput, std::string> mimeCSource(const Model& base, const Movement& movement,
                                                   std::string_view outputPath, std::string_view plyPath) {
    if (movement.keyframes.empty()) return noKeyframes(movement);
    MimeOutput result;
    const std::string movementName = cName(movement.name, false, result.warnings);
    std::vector<std::string> arrays;
    for (std::size_t j = 0; j < movement.keyframes.size(); ++j) {
        std::string array = "MIMe_" + movementName + '_' + cName(movement.keyframes[j].name, false, result.warnings) +
                            std::to_string(j);
        // Keyframe "a1" first and keyframe "a" eleventh both make MIMe_walk_a10.
        const auto twin = std::find(arrays.begin(), arrays.end(), array);
        if (twin != arrays.end())
            return std::unexpected(keyframeLabel(movement, j) + " and keyframe " +
                                   quoted(movement.keyframes[twin - arrays.begin()].name) +
                                   " would both be written as the C array " + array + "; rename one of them");
        arrays.push_back(std::move(array));
    }
    const std::string table = cName(tableBaseName(plyPath), true, result.warnings) + '_' + movementName + "_mime";

    const std::size_t vertices = base.vertices.size();
    const std::size_t keyframes = movement.keyframes.size();
    std::string& out = result.bytes;
    out.reserve(256 + outputPath.size() + plyPath.size() + table.size() +
                keyframes * (2 * arrays.front().size() + 40 + vertices * 32));
    out += "// ";
    out += commentText(outputPath);
    out += "\n//-----------\n// Model: ";
    out += commentText(plyPath);
    out += "\n// MIMe Generated by Kestrel\n// Version:Dec 25 1998\n//-----------\n\n";
    std::string entries(kEntrySize * vertices, '\0');
    std::vector<int> multipliers;
    for (std::size_t j = 0; j < keyframes; ++j) {
        const auto multiplier = keyframeEntries(base, movement, j, 0.0, 0, entries.data());
        if (!multiplier) return std::unexpected(multiplier.error());
        multipliers.push_back(*multiplier);
        appendCArray(out, arrays[j], entries, vertices);
    }
    out += "\n\nMIME_MOVEMENT ";
    out += table;
    out += "[]={\n";
    for (std::size_t j = 0; j < keyframes; ++j) {
        out += arrays[j];
        out += ',';
        appendInt(out, movement.keyframes[j].framesFromLast);
        out += ',';
        appendInt(out, multipliers[j]);
        out += ",\n";
    }
    out += "NULL,0};\n\n//END OF GENERATED FILE=============\n";
    return result;
}

std::expected<std::string, std::string> mimeType1(const Model& base, const Movement& movement) {
    if (movement.keyframes.empty()) return noKeyframes(movement);
    const std::size_t keyframes = movement.keyframes.size();
    const std::size_t vertices = base.vertices.size();
    // The descriptors hold 32-bit byte offsets; the last keyframe's must fit.
    constexpr std::size_t kMaxEntries = std::numeric_limits<std::int32_t>::max() / kEntrySize;
    if (keyframes + 1 > kMaxEntries || (keyframes > 1 && vertices > (kMaxEntries - (keyframes + 1)) / (keyframes - 1)))
        return std::unexpected("movement " + quoted(movement.name) + " is too large for a Type 1 " + "MIMe file: its " +
                               std::to_string(keyframes) + " keyframes of " + std::to_string(vertices) +
                               " vertices would need byte offsets beyond 2 GB");

    // Descriptors, terminator, then every keyframe's entries; each keyframe has the base's
    // vertex count, or keyframeEntries refuses it before writing.
    std::string out;
    std::string refusal;
    const std::size_t size = kEntrySize * (keyframes + 1 + keyframes * vertices);
    out.resize_and_overwrite(size, [&](char* p, std::size_t) -> std::size_t {
        for (std::size_t j = 0; j < keyframes; ++j) {
            const std::size_t offset = kEntrySize * (keyframes + 1 + vertices * j);
            const auto multiplier = keyframeEntries(base, movement, j, 0.0, kType1EntryMark, p + offset);
            if (!multiplier) {
                refusal = multiplier.error();
                return 0;
            }
            char* descriptor = put32(p + kEntrySize * j, static_cast<std::uint32_t>(offset));
            put16(put16(descriptor, movement.keyframes[j].framesFromLast), *multiplier);
        }
        put32(put32(p + kEntrySize * keyframes, 0), 0);
        return size;
    });
    if (!refusal.empty()) return std::unexpected(std::move(refusal));
    return out;
}

std::expected<std::string, std::string> mimeType2(const Model& base, const Movement& movement, double minimumMovement) {
    if (!(minimumMovement >= 0.0 && std::isfinite(minimumMovement)))
        return std::unexpected("the minimum registered movement must be a number of 0 or more");
    if (movement.keyframes.empty()) return noKeyframes(movement);
    const std::size_t keyframes = movement.keyframes.size();
    const std::size_t vertices = base.vertices.size();

    std::string out;
    // Exact when every keyframe moves the whole model in one block, the usual case; sparser
    // keyframes come out smaller.
    out.reserve(kType2Magic.size() + 4 + kEntrySize * (keyframes + 1) + keyframes * (12 + kEntrySize * vertices));
    out += kType2Magic;
    append32(out, static_cast<std::uint32_t>(keyframes + 1));
    for (const Keyframe& keyframe : movement.keyframes) {
        append32(out, 0);
        append32(out, static_cast<std::uint32_t>(keyframe.framesFromLast));
    }
    append32(out, 0);
    append32(out, 0);

    // Every vertex's entry; the blocks copy the runs they keep.
    std::string entries(kEntrySize * vertices, '\0');
    std::vector<Type2Block> blocks;
    for (std::size_t j = 0; j < keyframes; ++j) {
        const auto multiplier = keyframeEntries(base, movement, j, minimumMovement, kType2EntryMark, entries.data());
        if (!multiplier) return std::unexpected(multiplier.error());
        type2Blocks(entries, blocks);
        if (auto why = checkType2Blocks(blocks, movement, j)) return std::unexpected(*why);
        if (blocks.empty()) {
            // Nothing moves: one empty block with a zero entry.
            appendType2Head(out, 0, 0, 0, 1);
            out.append(kEntrySize, '\0');
            continue;
        }
        for (const Type2Block& block : blocks) {
            const std::size_t count = block.end - block.first;
            appendType2Head(out, block.more ? kType2MoreBlocks : 0, block.first, count, *multiplier);
            out.append(entries, kEntrySize * block.first, kEntrySize * count);
        }
    }
    return out;
}

}  // namespace kestrel::animation
