#include "formats/ase_reader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>

#include "formats/host_path.h"
#include "formats/text_scan.h"

namespace kestrel::formats {

namespace {

using model::Model;
using model::ModelPolygon;
using model::ModelVertex;

// Keyframes are whole model copies: a scene whose keyframes would hold more vertices and
// polygons than this together is refused rather than exhausting memory.
constexpr double kMaxKeyframeElements = 10'000'000;
// The shortest line that can hold one record of each list: its keyword alone.
constexpr std::size_t kVertexLineBytes = 12;     // "*MESH_VERTEX"
constexpr std::size_t kFaceLineBytes = 10;       // "*MESH_FACE"
constexpr std::size_t kTextureVertexBytes = 11;  // "*MESH_TVERT"

// Lines of any length; what is taken from a line (names, paths) is checked against the
// model's limits where it is used.
using Lines = AnyLengthLines;

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

// Max's Z is up, the console's Y is down. Adding 0 turns the -0 of a negated 0 into 0.
ModelVertex toModel(double x, double y, double z) { return model::makeVector(x + 0.0, -z + 0.0, -y + 0.0); }

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

struct Face {
    std::array<std::int32_t, 3> corners{};
    int line = 0;
    bool listed = false;
};

struct TextureVertex {
    double u = 0, v = 0;
    bool listed = false;
};

struct TextureFace {
    std::int32_t face = 0;
    std::array<std::int32_t, 3> corners{};
    int line = 0;
};

// One list of a mesh: its records by index, and the count the mesh announced.
template <typename Record>
struct IndexedList {
    std::vector<Record> records;
    std::int64_t announced = 0;
    int announcedOn = 0;  // the line of the count
    bool beyondAnnounced = false;
};

struct AseObject {
    std::string name;
    int line = 0;
    bool meshRead = false;
    IndexedList<std::pair<ModelVertex, bool>> vertices;  // model coordinates, listed
    IndexedList<Face> faces;
    IndexedList<TextureVertex> textureVertices;
    std::vector<TextureFace> textureFaces;
    std::optional<std::int32_t> colour;
    std::optional<std::int32_t> material;
    int materialLine = 0;
};

struct Key {
    std::int32_t time = 0;
    ModelVertex position;   // file coordinates
    std::size_t order = 0;  // place in the file among the object's keys
};

struct Track {
    int owner = 0;  // the object whose block holds it
    int line = 0;
    std::optional<std::string> node;
    std::vector<Key> keys;
};

// For lists whose nested blocks are all skipped.
std::expected<bool, Error> noBlocks(Split, int) { return false; }

class AseParser {
public:
    AseParser(std::string_view text, const std::string& file, bool textures)
        : lines(text), file(file), textures(textures), totalBytes(text.size()) {}

    std::optional<Error> parse();
    std::expected<LoadedModel, Error> build();

private:
    Error error(int line, std::string message) const { return makeError(file, line, std::move(message)); }
    void warn(int line, std::string message) { warnings.push_back(makeWarning(file, line, std::move(message))); }

    std::optional<Error> unclosed(int openLine, std::string_view what) const {
        return error(openLine, "the " + shown(what) + " block opened here is not closed before the end of the file");
    }

    // Reads up to the line that closes the block the last line opened. onLine sees every
    // line inside at the block's own level; onBlock gets every nested block opened by one
    // brace and returns true when it has read it, false to have it skipped.
    template <typename OnLine, typename OnBlock>
    std::optional<Error> readBlock(std::string_view what, OnLine onLine, OnBlock onBlock);
    std::optional<Error> skipBlock(std::string_view what, int balance);

    std::optional<Error> parseObject();
    std::optional<Error> parseMesh(AseObject& object);
    std::optional<Error> parseAnimation(int owner);
    std::optional<Error> parseMaterialList();
    std::optional<Error> parseMaterial(std::int32_t number);
    std::optional<Error> checkMesh(const AseObject& object, int closingLine);
    template <typename Record>
    std::optional<Error> announce(std::string_view rest, std::string_view keyword, IndexedList<Record>& list,
                                  std::int64_t& total, std::size_t lineBytes, std::string_view what);
    template <typename Record>
    std::expected<Record*, Error> recordAt(IndexedList<Record>& list, std::int32_t index, std::string_view what,
                                           std::string_view plural, const AseObject& object);

    void buildTextures(Model& model, std::map<std::int32_t, std::int32_t>& textureOf) const;
    std::optional<Error> mapTextures(Model& model, const AseObject& object, int faceBase,
                                     const std::map<std::int32_t, std::int32_t>& textureOf);
    std::optional<Error> buildMovement(LoadedModel& loaded, const std::vector<int>& vertexBase);

    Lines lines;
    const std::string& file;
    const bool textures;
    const std::size_t totalBytes;
    std::vector<AseObject> objects;
    std::vector<Track> tracks;
    std::map<std::int32_t, std::optional<std::string>> materials;  // number: its TIM path
    std::int64_t announcedVertices = 0, announcedFaces = 0, announcedTextureVertices = 0;
    std::vector<Warning> warnings;
};

template <typename OnLine, typename OnBlock>
std::optional<Error> AseParser::readBlock(std::string_view what, OnLine onLine, OnBlock onBlock) {
    const int openLine = lines.number;
    std::string_view line;
    while (lines.next(line)) {
        const int balance = braceBalance(line);
        if (balance < 0) return std::nullopt;
        const Split split = splitLine(line);
        if (balance == 0) {
            if (auto failure = onLine(split)) return failure;
            continue;
        }
        if (balance == 1) {
            auto read = onBlock(split, lines.number);
            if (!read) return read.error();
            if (*read) continue;
        }
        if (auto failure = skipBlock(split.token, balance)) return failure;
    }
    return unclosed(openLine, what);
}

std::optional<Error> AseParser::skipBlock(std::string_view what, int balance) {
    const int openLine = lines.number;
    std::string_view line;
    while (balance > 0) {
        if (!lines.next(line)) return unclosed(openLine, what.empty() ? "unnamed" : what);
        balance += braceBalance(line);
    }
    return std::nullopt;
}

std::optional<Error> AseParser::parse() {
    std::string_view line;
    while (lines.next(line)) {
        const int balance = braceBalance(line);
        if (balance <= 0) continue;  // top-level values and the ends of *GROUP blocks
        const Split split = splitLine(line);
        if (balance == 1 && split.token == "*GEOMOBJECT") {
            if (auto failure = parseObject()) return failure;
        } else if (balance == 1 && split.token == "*MATERIAL_LIST" && textures) {
            if (auto failure = parseMaterialList()) return failure;
        } else if (balance == 1 && split.token == "*GROUP") {
            // A group's objects are read as if they stood at the top level.
        } else if (auto failure = skipBlock(split.token, balance)) {
            return failure;
        }
    }
    if (objects.empty()) return error(0, "the file holds no geometry object (*GEOMOBJECT); there is nothing to import");
    return std::nullopt;
}

template <typename Record>
std::optional<Error> AseParser::announce(std::string_view rest, std::string_view keyword, IndexedList<Record>& list,
                                         std::int64_t& total, std::size_t lineBytes, std::string_view what) {
    std::int32_t count = 0;
    if (!scanInt(rest, count) || count < 0)
        return error(lines.number, std::string(keyword) + " needs a whole number of 0 or more");
    // Every record takes a line of its own: counts the file cannot hold are refused before
    // anything is allocated for them.
    total += count - list.announced;
    if (total > static_cast<std::int64_t>(totalBytes / lineBytes))
        return error(lines.number, "the objects announce " + std::to_string(total) + " " + std::string(what) +
                                       ", more than the file's " + std::to_string(totalBytes) + " bytes can hold");
    list.announced = count;
    list.announcedOn = lines.number;
    return std::nullopt;
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

std::optional<Error> AseParser::parseObject() {
    if (objects.size() == static_cast<std::size_t>(model::kMaxGroups))
        return error(lines.number, "the scene has more than " + std::to_string(model::kMaxGroups) +
                                       " objects; a model holds at most " + std::to_string(model::kMaxGroups) +
                                       " polygon groups, so nothing was imported");
    const int index = static_cast<int>(objects.size());
    objects.emplace_back().line = lines.number;
    bool named = false;
    auto onLine = [&](Split s) -> std::optional<Error> {
        AseObject& object = objects[static_cast<std::size_t>(index)];
        if (s.token == "*NODE_NAME" && !named) {
            const auto name = quotedText(s.rest);
            if (!name) return error(lines.number, "*NODE_NAME needs a name in double quotes");
            if (hasControlCharacter(*name)) return error(lines.number, "the object name has control characters");
            if (name->size() > kMaxLineLength)
                return error(lines.number,
                             "the object name is longer than " + std::to_string(kMaxLineLength) + " characters");
            object.name = std::string(*name);
            named = true;
        } else if (s.token == "*WIREFRAME_COLOR") {
            double rgb[3];
            std::string_view rest = s.rest;
            for (double& c : rgb)
                if (!scanDouble(rest, c))
                    return error(lines.number, "*WIREFRAME_COLOR needs three numbers (red, green and blue)");
            std::int32_t colour = 0;
            // Components outside 0-1 would spill into their neighbours: they are clamped.
            for (double c : rgb) colour = colour * 256 + static_cast<std::int32_t>(std::clamp(c, 0.0, 1.0) * 255);
            object.colour = colour;
        } else if (s.token == "*MATERIAL_REF" && textures) {
            std::int32_t material = 0;
            if (!scanInt(s.rest, material)) return error(lines.number, "*MATERIAL_REF needs a material number");
            object.material = material;
            object.materialLine = lines.number;
        }
        return std::nullopt;
    };
    auto onBlock = [&](Split s, int) -> std::expected<bool, Error> {
        AseObject& object = objects[static_cast<std::size_t>(index)];
        if (s.token == "*MESH" && !object.meshRead) {
            object.meshRead = true;
            if (auto failure = parseMesh(object)) return std::unexpected(*failure);
            return true;
        }
        if (s.token == "*TM_ANIMATION") {
            if (auto failure = parseAnimation(index)) return std::unexpected(*failure);
            return true;
        }
        return false;
    };
    if (auto failure = readBlock("*GEOMOBJECT", onLine, onBlock)) return failure;
    AseObject& object = objects.back();
    if (!named) {
        object.name = "Object_" + std::to_string(index);
        warn(object.line, "the object has no *NODE_NAME; it is imported as " + quotedName(object.name));
    }
    return std::nullopt;
}

std::optional<Error> AseParser::parseMesh(AseObject& object) {
    auto onLine = [&](Split s) -> std::optional<Error> {
        if (s.token == "*MESH_NUMVERTEX")
            return announce(s.rest, s.token, object.vertices, announcedVertices, kVertexLineBytes, "vertices");
        if (s.token == "*MESH_NUMFACES")
            return announce(s.rest, s.token, object.faces, announcedFaces, kFaceLineBytes, "faces");
        if (s.token == "*MESH_NUMTVERTEX" && textures)
            return announce(s.rest, s.token, object.textureVertices, announcedTextureVertices, kTextureVertexBytes,
                            "texture vertices");
        return std::nullopt;
    };
    auto vertexLine = [&](Split s) -> std::optional<Error> {
        if (s.token != "*MESH_VERTEX") return std::nullopt;
        std::int32_t index = 0;
        double xyz[3];
        std::string_view rest = s.rest;
        if (!scanInt(rest, index) || !scanDouble(rest, xyz[0]) || !scanDouble(rest, xyz[1]) ||
            !scanDouble(rest, xyz[2]))
            return error(lines.number, "*MESH_VERTEX needs a vertex number and three coordinates");
        const ModelVertex v = toModel(xyz[0], xyz[1], xyz[2]);
        if (beyondCoordinateLimit(v))
            return error(lines.number, "vertex " + std::to_string(index) + " has a coordinate beyond +/-1000000000");
        auto record = recordAt(object.vertices, index, "vertex", "vertices", object);
        if (!record) return record.error();
        **record = {v, true};
        return std::nullopt;
    };
    auto faceLine = [&](Split s) -> std::optional<Error> {
        if (s.token != "*MESH_FACE") return std::nullopt;
        std::int32_t index = 0;
        Face face{{}, lines.number, true};
        std::string_view rest = s.rest;
        // "0:    A:    0 B:    2 C:    3 AB: ...": the number, its colon and the corners.
        const bool numbered = scanInt(rest, index) && rest.starts_with(':');
        if (numbered) rest.remove_prefix(1);
        if (!numbered || !scanLabelledInt(rest, "A:", face.corners[0]) ||
            !scanLabelledInt(rest, "B:", face.corners[1]) || !scanLabelledInt(rest, "C:", face.corners[2]))
            return error(lines.number, "*MESH_FACE needs a face number and the corners A:, B: and C:");
        auto record = recordAt(object.faces, index, "face", "faces", object);
        if (!record) return record.error();
        **record = face;
        return std::nullopt;
    };
    auto textureVertexLine = [&](Split s) -> std::optional<Error> {
        if (s.token != "*MESH_TVERT") return std::nullopt;
        std::int32_t index = 0;
        TextureVertex t{0, 0, true};
        std::string_view rest = s.rest;
        if (!scanInt(rest, index) || !scanDouble(rest, t.u) || !scanDouble(rest, t.v))
            return error(lines.number, "*MESH_TVERT needs a texture vertex number and its u and v");
        // Negative fractions are taken from the far side of the texture.
        if (t.u < 0) t.u = 1 - t.u;
        if (t.v < 0) t.v = 1 - t.v;
        auto record = recordAt(object.textureVertices, index, "texture vertex", "texture vertices", object);
        if (!record) return record.error();
        **record = t;
        return std::nullopt;
    };
    auto textureFaceLine = [&](Split s) -> std::optional<Error> {
        if (s.token != "*MESH_TFACE") return std::nullopt;
        TextureFace t;
        t.line = lines.number;
        std::string_view rest = s.rest;
        if (!scanInt(rest, t.face) || !scanInt(rest, t.corners[0]) || !scanInt(rest, t.corners[1]) ||
            !scanInt(rest, t.corners[2]))
            return error(lines.number, "*MESH_TFACE needs a face number and three texture vertex numbers");
        // Each face takes a line of its own, so this grows with the file, never beyond it.
        object.textureFaces.push_back(t);
        return std::nullopt;
    };
    auto onBlock = [&](Split s, int) -> std::expected<bool, Error> {
        std::optional<Error> failure;
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
        if (failure) return std::unexpected(*failure);
        return true;
    };
    if (auto failure = readBlock("*MESH", onLine, onBlock)) return failure;
    return checkMesh(object, lines.number);
}

std::optional<Error> AseParser::checkMesh(const AseObject& object, int closingLine) {
    const std::string name = quotedName(object.name);
    auto check = [&](const auto& list, auto listed, std::string_view what) -> std::optional<Error> {
        const auto count = std::count_if(list.records.begin(), list.records.end(), listed);
        const auto size = static_cast<std::int64_t>(list.records.size());
        if (count < size || size < list.announced)
            return error(list.announcedOn > 0 ? list.announcedOn : closingLine,
                         "object " + name + " announces " + std::to_string(std::max(size, list.announced)) + " " +
                             std::string(what) + " but lists only " + std::to_string(count));
        if (list.beyondAnnounced)
            warn(closingLine, "object " + name + " lists " + std::to_string(size) + " " + std::string(what) +
                                  ", more than the " + std::to_string(list.announced) + " it announces; all are kept");
        return std::nullopt;
    };
    if (auto failure = check(
            object.vertices, [](const auto& v) { return v.second; }, "vertices"))
        return failure;
    if (auto failure = check(
            object.faces, [](const Face& f) { return f.listed; }, "faces"))
        return failure;
    return check(
        object.textureVertices, [](const TextureVertex& t) { return t.listed; }, "texture vertices");
}

std::optional<Error> AseParser::parseAnimation(int owner) {
    Track track;
    track.owner = owner;
    track.line = lines.number;
    auto onLine = [&](Split s) -> std::optional<Error> {
        if (s.token == "*NODE_NAME" && !track.node) {
            if (const auto name = quotedText(s.rest)) track.node = std::string(*name);
        }
        return std::nullopt;
    };
    auto keyLine = [&](Split s) -> std::optional<Error> {
        if (s.token != "*CONTROL_BEZIER_POS_KEY") return std::nullopt;
        Key key;
        std::string_view rest = s.rest;
        if (!scanInt(rest, key.time) || !scanDouble(rest, key.position.x) || !scanDouble(rest, key.position.y) ||
            !scanDouble(rest, key.position.z))
            return error(lines.number, "*CONTROL_BEZIER_POS_KEY needs a time and three coordinates");
        if (beyondCoordinateLimit(key.position))
            return error(lines.number, "the position key has a coordinate beyond +/-1000000000");
        track.keys.push_back(key);
        return std::nullopt;
    };
    auto onBlock = [&](Split s, int line) -> std::expected<bool, Error> {
        if (s.token == "*CONTROL_POS_BEZIER") {
            if (auto failure = readBlock(s.token, keyLine, noBlocks)) return std::unexpected(*failure);
            return true;
        }
        if (s.token.starts_with("*CONTROL_POS_"))
            warn(line, "the position track " + shown(s.token) +
                           " is not imported; only Bezier position keys (*CONTROL_POS_BEZIER) are");
        return false;
    };
    if (auto failure = readBlock("*TM_ANIMATION", onLine, onBlock)) return failure;
    tracks.push_back(std::move(track));
    return std::nullopt;
}

std::optional<Error> AseParser::parseMaterialList() {
    auto onLine = [&](Split s) -> std::optional<Error> {
        if (s.token != "*MATERIAL_COUNT") return std::nullopt;
        std::int32_t count = 0;
        if (!scanInt(s.rest, count) || count < 0)
            return error(lines.number, "*MATERIAL_COUNT needs a whole number of 0 or more");
        if (count > model::kMaxTextures)
            return error(lines.number, "the scene has " + std::to_string(count) + " materials; a model holds at most " +
                                           std::to_string(model::kMaxTextures) +
                                           " textures, so nothing was imported (import without texture "
                                           "information to take the geometry alone)");
        return std::nullopt;
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
        if (auto failure = parseMaterial(number)) return std::unexpected(*failure);
        return true;
    };
    return readBlock("*MATERIAL_LIST", onLine, onBlock);
}

std::optional<Error> AseParser::parseMaterial(std::int32_t number) {
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
        if (!path) return error(lines.number, "*BITMAP needs a file name in double quotes");
        if (path->empty()) continue;
        if (hasControlCharacter(*path)) return error(lines.number, "the bitmap file name has control characters");
        // The map is used as the TIM file of the same name. Model files hold full paths: a
        // relative one is taken from the scene file's folder.
        const auto dot = path->find_last_of('.');
        const auto slash = path->find_last_of("\\/");
        std::string tim = dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash)
                              ? std::string(path->substr(0, dot + 1)) + "tim"
                              : std::string(*path) + ".tim";
        if (!isSeparator(tim[0]) && !(tim.size() >= 2 && tim[1] == ':')) tim = std::string(folderOf(file)) + tim;
        if (tim.size() > model::kMaxPathLength)
            return error(lines.number, "the texture file name is longer than " + std::to_string(model::kMaxPathLength) +
                                           " characters");
        bitmap = std::move(tim);
    }
    materials[number] = std::move(bitmap);
    return std::nullopt;
}

// The texture list holds the bitmaps of the materials in material order, each path once.
void AseParser::buildTextures(Model& model, std::map<std::int32_t, std::int32_t>& textureOf) const {
    for (const auto& [number, path] : materials) {
        if (!path) continue;
        auto found = std::find(model.textureFiles.begin(), model.textureFiles.end(), *path);
        if (found == model.textureFiles.end()) found = model.textureFiles.insert(found, *path);
        textureOf[number] = static_cast<std::int32_t>(found - model.textureFiles.begin());
    }
}

std::optional<Error> AseParser::mapTextures(Model& model, const AseObject& object, int faceBase,
                                            const std::map<std::int32_t, std::int32_t>& textureOf) {
    const std::string name = quotedName(object.name);
    const auto faceCount = static_cast<std::int64_t>(object.faces.records.size());
    const auto vertexCount = static_cast<std::int64_t>(object.textureVertices.records.size());
    for (const TextureFace& t : object.textureFaces) {
        if (t.face < 0 || t.face >= faceCount)
            return error(t.line, "texture face " + std::to_string(t.face) + " names a face outside object " + name +
                                     "'s " + countOf(faceCount, "face"));
        for (std::int32_t corner : t.corners)
            if (corner < 0 || corner >= vertexCount)
                return error(t.line, "texture face " + std::to_string(t.face) + " uses texture vertex " +
                                         std::to_string(corner) + " but object " + name + " has " +
                                         std::to_string(vertexCount) + " texture vertices");
    }
    if (!object.material) return std::nullopt;
    if (!materials.contains(*object.material)) {
        warn(object.materialLine, "object " + name + " uses material " + std::to_string(*object.material) +
                                      ", which the material list does not hold; its polygons stay untextured");
        return std::nullopt;
    }
    const auto texture = textureOf.find(*object.material);
    if (texture == textureOf.end()) return std::nullopt;  // a material without a bitmap
    std::vector<bool> mapped(object.faces.records.size());
    for (const TextureFace& t : object.textureFaces) {
        ModelPolygon& p = model.polygons[static_cast<std::size_t>(faceBase + t.face)];
        p.type = model::PTYPE_TEXTURED_COLOURED;
        p.tId = texture->second;
        // The wireframe colour is only how Max draws the object: the texture shows untinted.
        p.rgb.fill(model::kMidGrey);
        for (int k = 0; k < 3; ++k) {
            const TextureVertex& tv = object.textureVertices.records[static_cast<std::size_t>(t.corners[k])];
            p.uRel[k] = tv.u;
            p.vRel[k] = tv.v;
        }
        mapped[static_cast<std::size_t>(t.face)] = true;
    }
    const auto unmapped = std::count(mapped.begin(), mapped.end(), false);
    if (unmapped > 0)
        warn(object.materialLine, std::to_string(unmapped) + " of the " + std::to_string(mapped.size()) +
                                      " polygons of object " + name +
                                      " have no texture coordinates (*MESH_TFACE); they stay untextured");
    return std::nullopt;
}

// Where a track puts its object at time t: the key there, a straight line between the keys
// around it, and the first or last key before or after them all.
ModelVertex positionAt(const std::vector<Key>& keys, std::int32_t t) {
    if (t <= keys.front().time) return keys.front().position;
    if (t >= keys.back().time) return keys.back().position;
    const auto after =
        std::upper_bound(keys.begin(), keys.end(), t, [](std::int32_t time, const Key& k) { return time < k.time; });
    const Key& a = *(after - 1);
    const Key& b = *after;
    const double f = (static_cast<double>(t) - a.time) / (static_cast<double>(b.time) - a.time);
    return model::makeVector(a.position.x + f * (b.position.x - a.position.x),
                             a.position.y + f * (b.position.y - a.position.y),
                             a.position.z + f * (b.position.z - a.position.z));
}

// Every object's position keys become one movement: a keyframe for every key time but 0 (the
// base pose), in time order. At each, every animated object stands where its own track puts
// it, moved by the difference from where the track has it at time 0.
std::optional<Error> AseParser::buildMovement(LoadedModel& loaded, const std::vector<int>& vertexBase) {
    std::map<int, std::vector<Key>> keysOf;  // by object
    for (const Track& track : tracks) {
        if (!track.node) {
            warn(track.line, "the animation block names no object; it is skipped");
            continue;
        }
        int target = -1;
        if (objects[static_cast<std::size_t>(track.owner)].name == *track.node) {
            target = track.owner;
        } else {
            for (std::size_t i = 0; i < objects.size() && target < 0; ++i)
                if (objects[i].name == *track.node) target = static_cast<int>(i);
        }
        if (target < 0) {
            warn(track.line, "the animation block names " + quotedName(*track.node) +
                                 ", which is no imported object; it is skipped");
            continue;
        }
        auto& keys = keysOf[target];
        keys.insert(keys.end(), track.keys.begin(), track.keys.end());
    }
    std::vector<std::int32_t> times;
    for (auto it = keysOf.begin(); it != keysOf.end();) {
        auto& keys = it->second;
        // One key a time: of keys at the same time, the last one listed counts.
        for (std::size_t i = 0; i < keys.size(); ++i) keys[i].order = i;
        std::sort(keys.begin(), keys.end(),
                  [](const Key& a, const Key& b) { return a.time != b.time ? a.time < b.time : a.order < b.order; });
        std::vector<Key> unique;
        for (const Key& k : keys) {
            if (!unique.empty() && unique.back().time == k.time)
                unique.back() = k;
            else
                unique.push_back(k);
        }
        keys = std::move(unique);
        for (const Key& k : keys)
            if (k.time != 0) times.push_back(k.time);
        it = keys.empty() ? keysOf.erase(it) : std::next(it);
    }
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    if (times.empty()) return std::nullopt;

    const Model& base = loaded.animation.baseFrame->model;
    const double elements = static_cast<double>(times.size()) * (base.vertexCount() + base.polygonCount() + 1.0);
    if (elements > kMaxKeyframeElements)
        return error(0, "the animation would make " + std::to_string(times.size()) + " keyframes of " +
                            std::to_string(base.vertexCount()) + " vertices, more than the program can hold");
    animation::Movement movement{kAseMovementName, {}};
    movement.keyframes.reserve(times.size());
    for (std::size_t k = 0; k < times.size(); ++k) {
        animation::Keyframe keyframe{base, "Keyframe_" + std::to_string(k), animation::kDefaultFramesFromLast,
                                     times[k]};
        for (const auto& [object, keys] : keysOf) {
            const ModelVertex d = vectorDifference(positionAt(keys, times[k]), positionAt(keys, 0));
            const ModelVertex offset = toModel(d.x, d.y, d.z);
            const int first = vertexBase[static_cast<std::size_t>(object)];
            const int last = vertexBase[static_cast<std::size_t>(object) + 1];
            for (int i = first; i < last; ++i) {
                ModelVertex& v = keyframe.model.vertices[static_cast<std::size_t>(i)];
                v = vectorSum(v, offset);
                v.flags = model::kVertexMoved;
                if (beyondCoordinateLimit(v))
                    return error(objects[static_cast<std::size_t>(object)].line,
                                 "the position key at time " + std::to_string(times[k]) + " moves object " +
                                     quotedName(objects[static_cast<std::size_t>(object)].name) +
                                     " beyond +/-1000000000");
            }
        }
        movement.keyframes.push_back(std::move(keyframe));
    }
    loaded.animation.movements.push_back(std::move(movement));
    return std::nullopt;
}

std::expected<LoadedModel, Error> AseParser::build() {
    LoadedModel loaded;
    Model& model = loaded.model;
    nameSetAfter(model, file);

    std::map<std::int32_t, std::int32_t> textureOf;
    if (textures) buildTextures(model, textureOf);

    std::int64_t vertexTotal = 0, faceTotal = 0;
    for (const AseObject& object : objects) {
        vertexTotal += static_cast<std::int64_t>(object.vertices.records.size());
        faceTotal += static_cast<std::int64_t>(object.faces.records.size());
    }
    if (vertexTotal > INT32_MAX || faceTotal > INT32_MAX)
        return std::unexpected(error(0, "the scene has more vertices or faces than a model can hold"));
    model.vertices.reserve(static_cast<std::size_t>(vertexTotal));
    model.polygons.reserve(static_cast<std::size_t>(faceTotal));

    std::vector<int> vertexBase{0};
    for (const AseObject& object : objects) {
        const int base = model.vertexCount();
        const int faceBase = model.polygonCount();
        const auto count = static_cast<std::int32_t>(object.vertices.records.size());
        for (const auto& [v, listed] : object.vertices.records) model.vertices.push_back(v);
        model::PolygonGroup group{object.name, {}};
        // The group file reads a line beginning with '#' as a comment, not as a group's name.
        if (group.name.starts_with('#')) {
            group.name[0] = '_';
            warn(object.line, "object " + quotedName(object.name) + " becomes the group " + quotedName(group.name) +
                                  ": a group name cannot begin with '#'");
        }
        group.polygons.reserve(object.faces.records.size());
        for (std::size_t j = 0; j < object.faces.records.size(); ++j) {
            const Face& face = object.faces.records[j];
            ModelPolygon p;
            for (int k = 0; k < 3; ++k) {
                if (face.corners[k] < 0 || face.corners[k] >= count)
                    return std::unexpected(error(face.line, "face " + std::to_string(j) + " of object " +
                                                                quotedName(object.name) + " uses vertex " +
                                                                std::to_string(face.corners[k]) +
                                                                " but the object has " + countOf(count, "vertex")));
                p.vId[k] = base + face.corners[k];
            }
            p.vId[3] = 0;
            p.rgb.fill(object.colour.value_or(model::kMidGrey));
            group.append(static_cast<std::int32_t>(model.polygons.size()));
            model.polygons.push_back(p);
        }
        model.groups.push_back(std::move(group));
        vertexBase.push_back(model.vertexCount());
        if (textures)
            if (auto failure = mapTextures(model, object, faceBase, textureOf)) return std::unexpected(*failure);
    }
    model.normals.resize(model.vertices.size());

    loaded.animation.baseFrame = animation::Keyframe{model, "BaseFrame"};
    if (auto failure = buildMovement(loaded, vertexBase)) return std::unexpected(*failure);
    loaded.warnings = std::move(warnings);
    return loaded;
}

}  // namespace

std::expected<LoadedModel, Error> importAse(std::string_view text, const std::string& file, bool textures) {
    std::string decoded;  // 3ds Max writes UTF-16 when a scene has names outside Latin-1
    AseParser parser(plainText(text, decoded), file, textures);
    if (auto failure = parser.parse()) return std::unexpected(*failure);
    return parser.build();
}

std::expected<LoadedModel, Error> loadAse(const FileSystem& files, const std::string& path, bool textures) {
    const std::string full = files.absolutePath(path);
    const auto text = files.readFile(full);
    if (!text) return std::unexpected(makeError(full, 0, "cannot open the file"));
    return importAse(*text, full, textures);
}

std::vector<Warning> applyTextureFractions(model::Model& model, const TextureSlots& slots) {
    std::vector<Warning> warnings;
    std::vector<bool> reported(slots.size());
    for (ModelPolygon& p : model.polygons) {
        if (p.tId < 0 || p.tId >= static_cast<std::int32_t>(slots.size())) continue;
        const TextureSlot& slot = slots[static_cast<std::size_t>(p.tId)];
        const auto t = static_cast<std::size_t>(p.tId);
        if (!slot.loaded || slot.bitsPerPixel > 8 || slot.picture.width <= 0 || slot.picture.height <= 0) {
            if (!reported[t])
                warnings.push_back(makeWarning(model.textureFiles[t], 0,
                                               "the size of this texture is not known, so the texture "
                                               "coordinates of its polygons are not set"));
            reported[t] = true;
            continue;
        }
        // Texels stay inside the texture (and inside the 0-255 of a texture page).
        const int maxU = std::min(slot.picture.width, 256) - 1;
        const int maxV = std::min(slot.picture.height, 256) - 1;
        for (int k = 0; k < 3; ++k) {
            p.tu[k] = static_cast<std::int32_t>(std::clamp(p.uRel[k] * slot.picture.width, 0.0, double(maxU)));
            p.tv[k] = static_cast<std::int32_t>(std::clamp(p.vRel[k] * slot.picture.height, 0.0, double(maxV)));
        }
    }
    return warnings;
}

}  // namespace kestrel::formats
