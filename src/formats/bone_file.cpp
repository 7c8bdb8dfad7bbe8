#include "formats/bone_file.h"

#include <cmath>

#include "animation/skeleton_ops.h"
#include "formats/text_scan.h"

namespace kestrel::formats {

namespace {

// Names in the keyframe comments are only for people reading the file: they are cut so the
// line stays readable, and never keep a set from being saved.
std::string_view commentName(std::string_view prefix, std::string_view name) {
    return name.substr(0, kMaxLineLength > prefix.size() ? kMaxLineLength - prefix.size() : 0);
}

struct Reader {
    LineReader lines;
    std::string_view line;

    Error error(const std::string& what) const { return makeError(lines.file(), lines.lineNumber(), what); }
    // The next line that is not a comment, or why there is none.
    std::expected<void, Error> next(const std::string& what) {
        if (lines.nextData(line)) return {};
        if (lines.failure()) return lines.status();
        return std::unexpected(makeError(lines.file(), lines.lineNumber(), "the file ends before " + what));
    }
};

bool inRange(int value, int count) { return value >= 0 && value < count; }

// "number x y z" lines hold the joints, of the base skeleton and of every keyframe.
void writeJoints(TextOut& out, model::Skeleton skeleton) {
    const std::vector<int> order = animation::listSkeleton(skeleton);
    for (std::size_t n = 0; n < order.size(); ++n) {
        const auto& p = skeleton.joints[order[n]].position;
        out.integer(static_cast<std::int64_t>(n)) << ' ';
        out.fixed6(p.x) << ' ';
        out.fixed6(p.y) << ' ';
        out.fixed6(p.z) << '\n';
    }
}

}  // namespace

std::expected<BoneFile, Error> readBoneText(std::string_view text, const std::string& file, int vertexCount) {
    Reader in{LineReader(text, file), {}};
    BoneFile out;
    in.lines.next(in.line);  // the file's own path
    if (in.lines.next(in.line) && in.line.starts_with("@VER=")) {
        std::string_view rest = in.line.substr(5);
        if (!scanInt(rest, out.version)) return std::unexpected(in.error("@VER= needs a number"));
    }
    if (in.lines.failure()) return std::unexpected(*in.lines.failure());
    std::int32_t bones = 0, joints = 0;
    if (auto e = in.next("the numbers of bones and joints"); !e) return std::unexpected(e.error());
    if (!scanInt(in.line, bones) || !scanInt(in.line, joints) || bones < 0 || joints < 0 ||
        static_cast<std::size_t>(bones) + static_cast<std::size_t>(joints) > text.size())
        return std::unexpected(in.error("expected the numbers of bones and joints"));
    if (auto e = in.next("the number of movements"); !e) return std::unexpected(e.error());
    if (!scanInt(in.line, out.movementCount)) return std::unexpected(in.error("expected the number of movements"));
    if (bones == 0) return out;

    // Joints and bones are kept under the numbers the file gives them.
    std::vector<model::ModelVertex> positions(joints);
    std::vector<bool> jointSeen(joints), boneSeen(bones);
    for (int i = 0; i < joints; ++i) {
        if (auto e = in.next("joint " + std::to_string(i) + " of " + std::to_string(joints)); !e)
            return std::unexpected(e.error());
        std::int32_t number = 0;
        model::ModelVertex p;
        if (!scanInt(in.line, number) || !scanDouble(in.line, p.x) || !scanDouble(in.line, p.y) ||
            !scanDouble(in.line, p.z))
            return std::unexpected(in.error("a joint line needs a number and three coordinates"));
        if (!inRange(number, joints) || jointSeen[number])
            return std::unexpected(in.error("joint number " + std::to_string(number) + " is outside 0-" +
                                            std::to_string(joints - 1) + " or given twice"));
        if (beyondCoordinateLimit(p))
            return std::unexpected(
                in.error("joint " + std::to_string(number) + " has a coordinate beyond +/-1000000000"));
        jointSeen[number] = true;
        positions[number] = p;
    }
    std::vector<model::Bone> byNumber(bones);
    std::vector<int> madeOrder;  // joints gain their bones in the order the bones are made
    for (int i = 0; i < bones; ++i) {
        if (auto e = in.next("bone " + std::to_string(i) + " of " + std::to_string(bones)); !e)
            return std::unexpected(e.error());
        std::int32_t number = 0, start = 0, end = 0, count = 0;
        if (!scanInt(in.line, number) || !scanInt(in.line, start) || !scanInt(in.line, end) || !scanInt(in.line, count))
            return std::unexpected(
                in.error("a bone line needs its number, start and end joints "
                         "and vertex count"));
        if (!inRange(number, bones) || boneSeen[number])
            return std::unexpected(in.error("bone number " + std::to_string(number) + " is outside 0-" +
                                            std::to_string(bones - 1) + " or given twice"));
        if (!inRange(start, joints) || !jointSeen[start] || !inRange(end, joints) || !jointSeen[end] || start == end)
            return std::unexpected(
                in.error("bone " + std::to_string(number) + " joins joints that the file does not list"));
        if (count < 0 || count > model::kMaxVerticesPerBone)
            return std::unexpected(in.error("bone " + std::to_string(number) + " carries " + std::to_string(count) +
                                            " vertices (limit is " + std::to_string(model::kMaxVerticesPerBone) + ")"));
        boneSeen[number] = true;
        model::Bone& bone = byNumber[number];
        bone.startJoint = start;
        bone.endJoint = end;
        madeOrder.push_back(number);
        for (int k = 0; k < count; ++k) {
            if (auto e = in.next("the vertices of bone " + std::to_string(number)); !e)
                return std::unexpected(e.error());
            std::int32_t vertex = 0;
            if (!scanInt(in.line, vertex) || !inRange(vertex, vertexCount))
                return std::unexpected(in.error("bone " + std::to_string(number) +
                                                " names a vertex outside the model's " + std::to_string(vertexCount)));
            animation::addVertex(bone, vertex);
        }
    }
    // Joints that no bone uses are left out; the others keep their order.
    std::vector<int> newIndex(joints, -1);
    for (int number : madeOrder)
        for (int j : {byNumber[number].startJoint, byNumber[number].endJoint})
            if (newIndex[j] == -1) newIndex[j] = 0;
    model::Skeleton& s = out.skeleton;
    for (int j = 0; j < joints; ++j)
        if (newIndex[j] == 0) {
            newIndex[j] = static_cast<int>(s.joints.size());
            s.joints.push_back(model::Joint{positions[j], {}, -1, 0});
        }
    for (auto& bone : byNumber) {
        bone.startJoint = newIndex[bone.startJoint];
        bone.endJoint = newIndex[bone.endJoint];
    }
    for (int number : madeOrder)
        for (int j : {byNumber[number].startJoint, byNumber[number].endJoint}) {
            auto& used = s.joints[j].bones;
            if (static_cast<int>(used.size()) >= model::kMaxBonesPerJoint)
                return std::unexpected(in.error("too many bones on one joint (limit is " +
                                                std::to_string(model::kMaxBonesPerJoint) + ")"));
            used.push_back(number);
        }
    s.bones = std::move(byNumber);
    out.blocksOffset = in.lines.consumedBytes();
    out.blocksLine = in.lines.lineNumber();
    return out;
}

TextOut boneText(model::Skeleton skeleton, const std::string& path, int movementCount,
                 const std::vector<animation::Movement>* blocks) {
    const std::vector<int> joints = animation::listSkeleton(skeleton);
    TextOut out(1024 + 64 * joints.size());
    out << "# " << path
        << "\n@VER=1\n#======================\n#BONES Skeleton file generated by Kestrel\n"
           "# Kestrel: model editor and animator for PlayStation models\n"
           "# Number of Bones & Joints\n";
    out.integer(static_cast<std::int64_t>(skeleton.bones.size())) << ' ';
    out.integer(static_cast<std::int64_t>(joints.size())) << "\n# Number of Movements\n";
    out.integer(movementCount) << "\n# Baseframe Skeleton\n#joints\n";
    writeJoints(out, skeleton);
    out << "#bones\n";
    for (const auto& bone : skeleton.bones) {
        out.integer(bone.number) << ' ';
        out.integer(skeleton.joints[bone.startJoint].number) << ' ';
        out.integer(skeleton.joints[bone.endJoint].number) << ' ';
        out.integer(static_cast<std::int64_t>(bone.vertices.size())) << '\n';
        for (int v : bone.vertices) {
            out << ' ';
            out.integer(v) << '\n';
        }
    }
    if (blocks) {
        out << "#Keyframe Skeleton Coords\n";
        for (const auto& movement : *blocks) {
            out << "#Movement name=" << commentName("#Movement name=", movement.name) << "\n#Number of keyframes=";
            out.integer(static_cast<std::int64_t>(movement.keyframes.size())) << '\n';
            for (std::size_t k = 0; k < movement.keyframes.size(); ++k) {
                const auto& keyframe = movement.keyframes[k];
                const std::string prefix = "#Keyframe " + std::to_string(k) + " name=";
                out << prefix << commentName(prefix, keyframe.name) << "\n#joints\n";
                writeJoints(out, keyframe.model.skeleton);
            }
        }
    }
    out << "#END OF GENERATED FILE==================\n";
    return out;
}

KeyframeJointReader::KeyframeJointReader(std::string_view text, const std::string& file, const BoneFile& bones)
    : lines(text, file) {
    if (bones.version < 1 || bones.skeleton.empty()) return;
    lines.restartAt(bones.blocksOffset, bones.blocksLine);
    // Blocks are there when any data line follows the base skeleton.
    LineReader probe(lines.remainder(), lines.file());
    std::string_view line;
    present = probe.nextData(line);
}

std::expected<void, Error> KeyframeJointReader::readInto(model::Skeleton& skeleton, const std::string& keyframe) {
    const std::vector<int> order = animation::listSkeleton(skeleton);
    const int count = static_cast<int>(order.size());
    std::vector<bool> seen(order.size());
    std::string_view line;
    for (int i = 0; i < count; ++i) {
        if (!lines.nextData(line)) {
            if (lines.failure()) return lines.status();
            return std::unexpected(makeError(lines.file(), lines.lineNumber(),
                                             "the file ends before the joints of keyframe '" + keyframe + "'"));
        }
        std::int32_t number = 0;
        model::ModelVertex p;
        if (!scanInt(line, number) || !scanDouble(line, p.x) || !scanDouble(line, p.y) || !scanDouble(line, p.z))
            return std::unexpected(
                makeError(lines.file(), lines.lineNumber(), "a joint line needs a number and three coordinates"));
        if (!inRange(number, count) || seen[number])
            return std::unexpected(makeError(lines.file(), lines.lineNumber(),
                                             "keyframe '" + keyframe + "' gives joint " + std::to_string(number) +
                                                 " but its skeleton has " + std::to_string(count) + " joints"));
        if (beyondCoordinateLimit(p))
            return std::unexpected(
                makeError(lines.file(), lines.lineNumber(),
                          "joint " + std::to_string(number) + " has a coordinate beyond +/-1000000000"));
        seen[number] = true;
        auto& position = skeleton.joints[order[number]].position;
        position.x = p.x;
        position.y = p.y;
        position.z = p.z;
    }
    return {};
}

}  // namespace kestrel::formats
