// The ASE scene's text: its blocks, objects, meshes, animation tracks and materials, read into
// the parser's records with every count and index checked against what the file announced.
#include <algorithm>
#include <cmath>

#include "formats/ase_scene.h"
#include "formats/host_path.h"

namespace kestrel::formats::ase {

namespace {

// A line as keyword and the text after it; leading blanks are skipped.
struct Split {
    std::string_view token, rest;
};
Split splitLine(std::string_view line) {
    std::size_t start = 0;
    while (start < line.size() && isBlank(line[start])) ++start;
    std::size_t end = start;
    while (end < line.size() && !isBlank(line[end])) ++end;
    return {line.substr(start, end - start), line.substr(end)};
}

// The braces a line opens less those it closes; braces inside quoted names do not count.
int braceBalance(std::string_view line) {
    int balance = 0;
    bool quoted = false;
    for (char c : line) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == '{')
            ++balance;
        else if (!quoted && c == '}')
            --balance;
    }
    return balance;
}

// The text between the first and the last double quote of rest.
std::optional<std::string_view> quotedText(std::string_view rest) {
    const auto open = rest.find('"');
    const auto close = rest.rfind('"');
    if (open == std::string_view::npos || close == open) return std::nullopt;
    return rest.substr(open + 1, close - open - 1);
}

bool hasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return (static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F; });
}

// Reads the label ("A:") and the whole number after it, blanks allowed around both.
bool scanLabelledInt(std::string_view& text, std::string_view label, std::int32_t& value) {
    while (!text.empty() && isSpace(text[0])) text.remove_prefix(1);
    if (!text.starts_with(label)) return false;
    text.remove_prefix(label.size());
    return scanInt(text, value);
}

// For lists whose nested blocks are all skipped.
std::expected<bool, Error> noBlocks(Split, int) { return false; }

}  // namespace

// Text from the file as a message shows it: short, control characters as '?'.
std::string shown(std::string_view text) {
    std::string out(text.substr(0, 60));
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return text.size() > 60 ? out + "..." : out;
}

std::string quotedName(std::string_view name) {
    return name.empty() ? std::string("(unnamed)") : "'" + shown(name) + "'";
}

template <typename OnLine, typename OnBlock>
std::expected<void, Error> AseParser::readBlock(std::string_view what, OnLine onLine, OnBlock onBlock) {
    const int openLine = lines.number;
    std::string_view line;
    while (lines.next(line)) {
        const int balance = braceBalance(line);
        if (balance < 0) return {};
        const Split split = splitLine(line);
        if (balance == 0) {
            if (auto failure = onLine(split); !failure) return failure;
            continue;
        }
        if (balance == 1) {
            auto read = onBlock(split, lines.number);
            if (!read) return std::unexpected(read.error());
            if (*read) continue;
        }
        if (auto failure = skipBlock(split.token, balance); !failure) return failure;
    }
    return unclosed(openLine, what);
}

std::expected<void, Error> AseParser::skipBlock(std::string_view what, int balance) {
    const int openLine = lines.number;
    std::string_view line;
    while (balance > 0) {
        if (!lines.next(line)) return unclosed(openLine, what.empty() ? "unnamed" : what);
        balance += braceBalance(line);
    }
    return {};
}

std::expected<void, Error> AseParser::parse() {
    std::string_view line;
    while (lines.next(line)) {
        const int balance = braceBalance(line);
        if (balance <= 0) continue;  // top-level values and the ends of *GROUP blocks
        const Split split = splitLine(line);
        if (balance == 1 && split.token == "*GEOMOBJECT") {
            if (auto failure = parseObject(); !failure) return failure;
        } else if (balance == 1 && split.token == "*MATERIAL_LIST" && textures) {
            if (auto failure = parseMaterialList(); !failure) return failure;
        } else if (balance == 1 && split.token == "*GROUP") {
            // A group's objects are read as if they stood at the top level.
        } else if (auto failure = skipBlock(split.token, balance); !failure) {
            return failure;
        }
    }
    if (objects.empty())
        return std::unexpected(error(0, "the file holds no geometry object (*GEOMOBJECT); there is nothing to import"));
    return {};
}

template <typename Record>
std::expected<void, Error> AseParser::announce(std::string_view rest, std::string_view keyword,
                                               IndexedList<Record>& list, std::int64_t& total, std::size_t lineBytes,
                                               std::string_view what) {
    std::int32_t count = 0;
    if (!scanInt(rest, count) || count < 0)
        return std::unexpected(error(lines.number, std::string(keyword) + " needs a whole number of 0 or more"));
    // Every record takes a line of its own: counts the file cannot hold are refused before
    // anything is allocated for them.
    total += count - list.announced;
    if (total > static_cast<std::int64_t>(totalBytes / lineBytes))
        return std::unexpected(error(lines.number, "the objects announce " + std::to_string(total) + " " +
                                                       std::string(what) + ", more than the file's " +
                                                       std::to_string(totalBytes) + " bytes can hold"));
    list.announced = count;
    list.announcedOn = lines.number;
    return {};
}

template <typename Record>
std::expected<Record*, Error> AseParser::recordAt(IndexedList<Record>& list, std::int32_t index, std::string_view what,
                                                  std::string_view plural, const AseObject& object) {
    const auto size = static_cast<std::int64_t>(list.records.size());
    // Beyond the announced count only the next number in sequence is taken.
    if (index < 0 || (index >= list.announced && index != size))
        return std::unexpected(error(lines.number, std::string(what) + " " + std::to_string(index) + " of object " +
                                                       quotedName(object.name) + " lies outside its " +
                                                       std::to_string(list.announced) + " " + std::string(plural)));
    if (index >= list.announced) list.beyondAnnounced = true;
    if (index >= size) list.records.resize(static_cast<std::size_t>(index) + 1);
    return &list.records[static_cast<std::size_t>(index)];
}

std::expected<void, Error> AseParser::parseObject() {
    if (objects.size() == static_cast<std::size_t>(model::kMaxGroups))
        return std::unexpected(error(lines.number, "the scene has more than " + std::to_string(model::kMaxGroups) +
                                                       " objects; a model holds at most " +
                                                       std::to_string(model::kMaxGroups) +
                                                       " polygon groups, so nothing was imported"));
    const int index = static_cast<int>(objects.size());
    objects.emplace_back().line = lines.number;
    bool named = false;
    auto onLine = [&](Split s) -> std::expected<void, Error> {
        AseObject& object = objects[static_cast<std::size_t>(index)];
        if (s.token == "*NODE_NAME" && !named) {
            const auto name = quotedText(s.rest);
            if (!name) return std::unexpected(error(lines.number, "*NODE_NAME needs a name in double quotes"));
            if (hasControlCharacter(*name))
                return std::unexpected(error(lines.number, "the object name has control characters"));
            if (name->size() > kMaxLineLength)
                return std::unexpected(error(
                    lines.number, "the object name is longer than " + std::to_string(kMaxLineLength) + " characters"));
            object.name = std::string(*name);
            named = true;
        } else if (s.token == "*WIREFRAME_COLOR") {
            double rgb[3];
            std::string_view rest = s.rest;
            for (double& c : rgb)
                if (!scanDouble(rest, c))
                    return std::unexpected(
                        error(lines.number, "*WIREFRAME_COLOR needs three numbers (red, green and blue)"));
            std::int32_t colour = 0;
            // Components outside 0-1 would spill into their neighbours: they are clamped.
            for (double c : rgb) colour = colour * 256 + static_cast<std::int32_t>(std::clamp(c, 0.0, 1.0) * 255);
            object.colour = colour;
        } else if (s.token == "*MATERIAL_REF" && textures) {
            std::int32_t material = 0;
            if (!scanInt(s.rest, material))
                return std::unexpected(error(lines.number, "*MATERIAL_REF needs a material number"));
            object.material = material;
            object.materialLine = lines.number;
        }
        return {};
    };
    auto onBlock = [&](Split s, int) -> std::expected<bool, Error> {
        AseObject& object = objects[static_cast<std::size_t>(index)];
        if (s.token == "*MESH" && !object.meshRead) {
            object.meshRead = true;
            if (auto failure = parseMesh(object); !failure) return std::unexpected(failure.error());
            return true;
        }
        if (s.token == "*TM_ANIMATION") {
            if (auto failure = parseAnimation(index); !failure) return std::unexpected(failure.error());
            return true;
        }
        return false;
    };
    if (auto failure = readBlock("*GEOMOBJECT", onLine, onBlock); !failure) return failure;
    AseObject& object = objects.back();
    if (!named) {
        object.name = "Object_" + std::to_string(index);
        warn(object.line, "the object has no *NODE_NAME; it is imported as " + quotedName(object.name));
    }
    return {};
}

std::expected<void, Error> AseParser::parseMesh(AseObject& object) {
    auto onLine = [&](Split s) -> std::expected<void, Error> {
        if (s.token == "*MESH_NUMVERTEX")
            return announce(s.rest, s.token, object.vertices, announcedVertices, kVertexLineBytes, "vertices");
        if (s.token == "*MESH_NUMFACES")
            return announce(s.rest, s.token, object.faces, announcedFaces, kFaceLineBytes, "faces");
        if (s.token == "*MESH_NUMTVERTEX" && textures)
            return announce(s.rest, s.token, object.textureVertices, announcedTextureVertices, kTextureVertexBytes,
                            "texture vertices");
        return {};
    };
    auto vertexLine = [&](Split s) -> std::expected<void, Error> {
        if (s.token != "*MESH_VERTEX") return {};
        std::int32_t index = 0;
        double xyz[3];
        std::string_view rest = s.rest;
        if (!scanInt(rest, index) || !scanDouble(rest, xyz[0]) || !scanDouble(rest, xyz[1]) ||
            !scanDouble(rest, xyz[2]))
            return std::unexpected(error(lines.number, "*MESH_VERTEX needs a vertex number and three coordinates"));
        const ModelVertex v = toModel(xyz[0], xyz[1], xyz[2]);
        if (beyondCoordinateLimit(v))
            return std::unexpected(
                error(lines.number, "vertex " + std::to_string(index) + " has a coordinate beyond +/-1000000000"));
        auto record = recordAt(object.vertices, index, "vertex", "vertices", object);
        if (!record) return std::unexpected(record.error());
        **record = {v, true};
        return {};
    };
    auto faceLine = [&](Split s) -> std::expected<void, Error> {
        if (s.token != "*MESH_FACE") return {};
        std::int32_t index = 0;
        Face face{{}, lines.number, true};
        std::string_view rest = s.rest;
        // "0:    A:    0 B:    2 C:    3 AB: ...": the number, its colon and the corners.
        const bool numbered = scanInt(rest, index) && rest.starts_with(':');
        if (numbered) rest.remove_prefix(1);
        if (!numbered || !scanLabelledInt(rest, "A:", face.corners[0]) ||
            !scanLabelledInt(rest, "B:", face.corners[1]) || !scanLabelledInt(rest, "C:", face.corners[2]))
            return std::unexpected(error(lines.number, "*MESH_FACE needs a face number and the corners A:, B: and C:"));
        auto record = recordAt(object.faces, index, "face", "faces", object);
        if (!record) return std::unexpected(record.error());
        **record = face;
        return {};
    };
    auto textureVertexLine = [&](Split s) -> std::expected<void, Error> {
        if (s.token != "*MESH_TVERT") return {};
        std::int32_t index = 0;
        TextureVertex t{0, 0, true};
        std::string_view rest = s.rest;
        if (!scanInt(rest, index) || !scanDouble(rest, t.u) || !scanDouble(rest, t.v))
            return std::unexpected(error(lines.number, "*MESH_TVERT needs a texture vertex number and its u and v"));
        // Negative fractions are taken from the far side of the texture.
        if (t.u < 0) t.u = 1 - t.u;
        if (t.v < 0) t.v = 1 - t.v;
        auto record = recordAt(object.textureVertices, index, "texture vertex", "texture vertices", object);
        if (!record) return std::unexpected(record.error());
        **record = t;
        return {};
    };
    auto textureFaceLine = [&](Split s) -> std::expected<void, Error> {
        if (s.token != "*MESH_TFACE") return {};
        TextureFace t;
        t.line = lines.number;
        std::string_view rest = s.rest;
        if (!scanInt(rest, t.face) || !scanInt(rest, t.corners[0]) || !scanInt(rest, t.corners[1]) ||
            !scanInt(rest, t.corners[2]))
            return std::unexpected(
                error(lines.number, "*MESH_TFACE needs a face number and three texture vertex numbers"));
        // Each face takes a line of its own, so this grows with the file, never beyond it.
        object.textureFaces.push_back(t);
        return {};
    };
    auto onBlock = [&](Split s, int) -> std::expected<bool, Error> {
        std::expected<void, Error> failure;
        if (s.token == "*MESH_VERTEX_LIST")
            failure = readBlock(s.token, vertexLine, noBlocks);
        else if (s.token == "*MESH_FACE_LIST")
            failure = readBlock(s.token, faceLine, noBlocks);
        else if (s.token == "*MESH_TVERTLIST" && textures)
            failure = readBlock(s.token, textureVertexLine, noBlocks);
        else if (s.token == "*MESH_TFACELIST" && textures)
            failure = readBlock(s.token, textureFaceLine, noBlocks);
        else
            return false;
        if (!failure) return std::unexpected(failure.error());
        return true;
    };
    if (auto failure = readBlock("*MESH", onLine, onBlock); !failure) return failure;
    return checkMesh(object, lines.number);
}

std::expected<void, Error> AseParser::checkMesh(const AseObject& object, int closingLine) {
    const std::string name = quotedName(object.name);
    auto check = [&](const auto& list, auto listed, std::string_view what) -> std::expected<void, Error> {
        const auto count = std::count_if(list.records.begin(), list.records.end(), listed);
        const auto size = static_cast<std::int64_t>(list.records.size());
        if (count < size || size < list.announced)
            return std::unexpected(error(list.announcedOn > 0 ? list.announcedOn : closingLine,
                                         "object " + name + " announces " +
                                             std::to_string(std::max(size, list.announced)) + " " + std::string(what) +
                                             " but lists only " + std::to_string(count)));
        if (list.beyondAnnounced)
            warn(closingLine, "object " + name + " lists " + std::to_string(size) + " " + std::string(what) +
                                  ", more than the " + std::to_string(list.announced) + " it announces; all are kept");
        return {};
    };
    if (auto failure = check(
            object.vertices, [](const auto& v) { return v.second; }, "vertices");
        !failure)
        return failure;
    if (auto failure = check(
            object.faces, [](const Face& f) { return f.listed; }, "faces");
        !failure)
        return failure;
    return check(
        object.textureVertices, [](const TextureVertex& t) { return t.listed; }, "texture vertices");
}

std::expected<void, Error> AseParser::parseAnimation(int owner) {
    Track track;
    track.owner = owner;
    track.line = lines.number;
    auto onLine = [&](Split s) -> std::expected<void, Error> {
        if (s.token == "*NODE_NAME" && !track.node) {
            if (const auto name = quotedText(s.rest)) track.node = std::string(*name);
        }
        return {};
    };
    auto keyLine = [&](Split s) -> std::expected<void, Error> {
        if (s.token != "*CONTROL_BEZIER_POS_KEY") return {};
        Key key;
        std::string_view rest = s.rest;
        if (!scanInt(rest, key.time) || !scanDouble(rest, key.position.x) || !scanDouble(rest, key.position.y) ||
            !scanDouble(rest, key.position.z))
            return std::unexpected(error(lines.number, "*CONTROL_BEZIER_POS_KEY needs a time and three coordinates"));
        if (beyondCoordinateLimit(key.position))
            return std::unexpected(error(lines.number, "the position key has a coordinate beyond +/-1000000000"));
        track.keys.push_back(key);
        return {};
    };
    auto onBlock = [&](Split s, int line) -> std::expected<bool, Error> {
        if (s.token == "*CONTROL_POS_BEZIER") {
            if (auto failure = readBlock(s.token, keyLine, noBlocks); !failure) return std::unexpected(failure.error());
            return true;
        }
        if (s.token.starts_with("*CONTROL_POS_"))
            warn(line, "the position track " + shown(s.token) +
                           " is not imported; only Bezier position keys (*CONTROL_POS_BEZIER) are");
        return false;
    };
    if (auto failure = readBlock("*TM_ANIMATION", onLine, onBlock); !failure) return failure;
    tracks.push_back(std::move(track));
    return {};
}

std::expected<void, Error> AseParser::parseMaterialList() {
    auto onLine = [&](Split s) -> std::expected<void, Error> {
        if (s.token != "*MATERIAL_COUNT") return {};
        std::int32_t count = 0;
        if (!scanInt(s.rest, count) || count < 0)
            return std::unexpected(error(lines.number, "*MATERIAL_COUNT needs a whole number of 0 or more"));
        if (count > model::kMaxTextures)
            return std::unexpected(error(lines.number, "the scene has " + std::to_string(count) +
                                                           " materials; a model holds at most " +
                                                           std::to_string(model::kMaxTextures) +
                                                           " textures, so nothing was imported (import without texture "
                                                           "information to take the geometry alone)"));
        return {};
    };
    auto onBlock = [&](Split s, int) -> std::expected<bool, Error> {
        if (s.token != "*MATERIAL") return false;
        std::int32_t number = 0;
        if (!scanInt(s.rest, number) || number < 0)
            return std::unexpected(error(lines.number, "*MATERIAL needs a material number of 0 or more"));
        if (number >= model::kMaxTextures)
            return std::unexpected(error(lines.number, "material " + std::to_string(number) + " lies beyond the " +
                                                           std::to_string(model::kMaxTextures) +
                                                           " textures a model holds, so nothing was imported"));
        if (materials.contains(number)) {
            warn(lines.number, "material " + std::to_string(number) + " is described twice; the first is kept");
            return false;
        }
        if (auto failure = parseMaterial(number); !failure) return std::unexpected(failure.error());
        return true;
    };
    return readBlock("*MATERIAL_LIST", onLine, onBlock);
}

std::expected<void, Error> AseParser::parseMaterial(std::int32_t number) {
    // The first bitmap anywhere in the material, its sub-materials and maps included.
    const int openLine = lines.number;
    std::optional<std::string> bitmap;
    bool seen = false;
    std::string_view line;
    for (int depth = 1; depth > 0; depth += braceBalance(line)) {
        if (!lines.next(line)) return unclosed(openLine, "*MATERIAL");
        const Split s = splitLine(line);
        if (s.token != "*BITMAP" || seen) continue;
        seen = true;
        const auto path = quotedText(s.rest);
        if (!path) return std::unexpected(error(lines.number, "*BITMAP needs a file name in double quotes"));
        if (path->empty()) continue;
        if (hasControlCharacter(*path))
            return std::unexpected(error(lines.number, "the bitmap file name has control characters"));
        // The map is used as the TIM file of the same name. Model files hold full paths: a
        // relative one is taken from the scene file's folder.
        const auto dot = path->find_last_of('.');
        const auto slash = path->find_last_of("\\/");
        std::string tim = dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash)
                              ? std::string(path->substr(0, dot + 1)) + "tim"
                              : std::string(*path) + ".tim";
        if (!isSeparator(tim[0]) && !(tim.size() >= 2 && tim[1] == ':')) tim = std::string(folderOf(file)) + tim;
        if (tim.size() > model::kMaxPathLength)
            return std::unexpected(error(lines.number, "the texture file name is longer than " +
                                                           std::to_string(model::kMaxPathLength) + " characters"));
        bitmap = std::move(tim);
    }
    materials[number] = std::move(bitmap);
    return {};
}

}  // namespace kestrel::formats::ase
