#pragma once
// The 3DS Max ASE reader's two halves share this: the parser reads the scene's text into
// objects, tracks and materials (ase_parser.cpp); the builder makes the model and its movement
// of them (ase_reader.cpp).
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "formats/ase_reader.h"
#include "formats/text_scan.h"

namespace kestrel::formats::ase {

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

// Max's Z is up, the console's Y is down. Adding 0 turns the -0 of a negated 0 into 0.
inline ModelVertex toModel(double x, double y, double z) { return model::makeVector(x + 0.0, -z + 0.0, -y + 0.0); }
// Text from the file as a message shows it: short, control characters as '?'.
std::string shown(std::string_view text);
// A name in quotes, "(unnamed)" for none.
std::string quotedName(std::string_view name);

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

class AseParser {
public:
    AseParser(std::string_view text, const std::string& fileName, bool readTextures)
        : lines(text), file(fileName), textures(readTextures), totalBytes(text.size()) {}

    std::expected<void, Error> parse();
    std::expected<LoadedModel, Error> build();

private:
    Error error(int line, std::string message) const { return makeError(file, line, std::move(message)); }
    void warn(int line, std::string message) { warnings.push_back(makeWarning(file, line, std::move(message))); }

    std::expected<void, Error> unclosed(int openLine, std::string_view what) const {
        return std::unexpected(
            error(openLine, "the " + shown(what) + " block opened here is not closed before the end of the file"));
    }

    // Reads up to the line that closes the block the last line opened. onLine sees every
    // line inside at the block's own level; onBlock gets every nested block opened by one
    // brace and returns true when it has read it, false to have it skipped.
    template <typename OnLine, typename OnBlock>
    std::expected<void, Error> readBlock(std::string_view what, OnLine onLine, OnBlock onBlock);
    std::expected<void, Error> skipBlock(std::string_view what, int balance);

    std::expected<void, Error> parseObject();
    std::expected<void, Error> parseMesh(AseObject& object);
    std::expected<void, Error> parseAnimation(int owner);
    std::expected<void, Error> parseMaterialList();
    std::expected<void, Error> parseMaterial(std::int32_t number);
    std::expected<void, Error> checkMesh(const AseObject& object, int closingLine);
    template <typename Record>
    std::expected<void, Error> announce(std::string_view rest, std::string_view keyword, IndexedList<Record>& list,
                                        std::int64_t& total, std::size_t lineBytes, std::string_view what);
    template <typename Record>
    std::expected<Record*, Error> recordAt(IndexedList<Record>& list, std::int32_t index, std::string_view what,
                                           std::string_view plural, const AseObject& object);

    void buildTextures(Model& model, std::map<std::int32_t, std::int32_t>& textureOf) const;
    std::expected<void, Error> mapTextures(Model& model, const AseObject& object, int faceBase,
                                           const std::map<std::int32_t, std::int32_t>& textureOf);
    std::expected<void, Error> buildMovement(LoadedModel& loaded, const std::vector<int>& vertexBase);

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

}  // namespace kestrel::formats::ase
