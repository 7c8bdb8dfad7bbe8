#include "formats/tmd_reader.h"

#include <algorithm>
#include <cstdio>

namespace kestrel::formats {

namespace {

constexpr std::uint64_t kHeaderBytes = 12;  // the object table follows; offsets count from it
constexpr std::uint64_t kObjectBytes = 28;  // seven words per object
constexpr std::uint64_t kEntryBytes = 8;    // x, y, z and a pad halfword per vertex or normal
// Objects may share tables, but a small file naming one large table from thousands of
// objects would decode to thousands of times its size. Reading more table and packet bytes
// than this many times the file's size is refused.
constexpr std::uint64_t kMaxShare = 16;

std::uint32_t byteAt(std::string_view bytes, std::uint64_t at) {
    return static_cast<unsigned char>(bytes[static_cast<std::size_t>(at)]);
}

// Callers have checked that the bytes lie inside the file.
std::uint32_t wordAt(std::string_view bytes, std::uint64_t at) {
    return byteAt(bytes, at) | byteAt(bytes, at + 1) << 8 | byteAt(bytes, at + 2) << 16 |
           byteAt(bytes, at + 3) << 24;
}

std::int16_t shortAt(std::string_view bytes, std::uint64_t at) {
    return static_cast<std::int16_t>(byteAt(bytes, at) | byteAt(bytes, at + 1) << 8);
}

std::string hex(std::uint32_t value) {
    char text[12];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

std::string count(std::uint64_t n, const char* one, const char* many) {
    return std::to_string(n) + ' ' + (n == 1 ? one : many);
}

// How a polygon's data words are laid out: UV words, colour words, then index halfwords.
struct Layout {
    int corners = 3;
    int uvWords = 0;
    int colourWords = 0;
    int normals = 0;  // normal indices, before or between the vertex indices
    int words() const { return uvWords + colourWords + (normals + corners + 1) / 2; }
};

Layout polygonLayout(std::uint8_t mode, std::uint8_t flag) {
    const bool gouraud = mode & 0x10, textured = mode & 0x04;
    const bool lit = !(flag & 0x01), gradation = flag & 0x04;
    Layout layout;
    layout.corners = mode & 0x08 ? 4 : 3;
    layout.uvWords = textured ? layout.corners : 0;
    // A lit textured polygon takes its brightness from the light calculation alone; a lit
    // untextured one has a colour per corner only with gradation. An unlit polygon carries
    // the colours it is drawn with, so Gouraud shading needs one per corner too.
    if (lit)
        layout.colourWords = textured ? 0 : gradation ? layout.corners : 1;
    else
        layout.colourWords = gouraud || gradation ? layout.corners : 1;
    layout.normals = !lit ? 0 : gouraud ? layout.corners : 1;
    return layout;
}

// Fills the polygon fields from words, which has the layout's length.
void decodePolygon(TmdPacket& p) {
    const Layout layout = polygonLayout(p.mode, p.flag);
    p.corners = layout.corners;
    p.gouraud = p.mode & 0x10;
    p.quad = p.mode & 0x08;
    p.textured = p.mode & 0x04;
    p.semiTransparent = p.mode & 0x02;
    p.brightnessOff = p.mode & 0x01;
    p.unlit = p.flag & 0x01;
    p.twoSided = p.flag & 0x02;
    p.gradation = p.flag & 0x04;
    std::size_t w = 0;
    for (int k = 0; k < layout.uvWords; ++k) {
        const std::uint32_t word = p.words[w++];
        p.u[k] = static_cast<std::uint8_t>(word);
        p.v[k] = static_cast<std::uint8_t>(word >> 8);
        if (k == 0) p.cba = static_cast<std::uint16_t>(word >> 16);
        if (k == 1) p.tsb = static_cast<std::uint16_t>(word >> 16);
    }
    p.colourCount = layout.colourWords;
    for (int k = 0; k < layout.colourWords; ++k) {
        const std::uint32_t word = p.words[w++];  // red, green, blue, then the mode or 0
        p.colour[k] = (word & 0xFF) << 16 | (word & 0xFF00) | (word >> 16 & 0xFF);
    }
    // Index halfwords, two to a word with the low half first.
    const auto half = [&](int i) {
        return static_cast<std::uint16_t>(p.words[w + static_cast<std::size_t>(i / 2)] >>
                                          (i % 2 * 16));
    };
    p.normalCount = layout.normals;
    for (int k = 0; k < layout.corners; ++k) {
        if (layout.normals == 0) {
            p.vertex[k] = half(k);
        } else if (layout.normals == 1) {  // the face's normal, then the corners
            p.vertex[k] = half(k + 1);
        } else {  // a normal before each corner
            p.normal[k] = half(2 * k);
            p.vertex[k] = half(2 * k + 1);
        }
    }
    if (layout.normals == 1) p.normal[0] = half(0);
}

struct Reader {
    std::string_view bytes;
    const std::string& file;
    bool manyObjects = false;
    std::uint64_t budget = 0;  // table and packet bytes that may still be read

    std::unexpected<Error> fail(const std::string& why) const {
        return std::unexpected(makeError(file, 0, why));
    }
    std::string objectPrefix(std::size_t object) const {
        return manyObjects ? "object " + std::to_string(object) + ": " : "";
    }
    std::string packetPrefix(std::size_t object, std::uint32_t packet, std::uint64_t at) const {
        return (manyObjects ? "object " + std::to_string(object) + " " : "") + "packet " +
               std::to_string(packet) + " at byte " + std::to_string(at) + ": ";
    }
    bool spend(std::uint64_t n) {
        if (n > budget) return false;
        budget -= n;
        return true;
    }

    std::expected<void, Error> readTable(std::size_t object, const char* name, std::uint32_t offset,
                                         std::uint32_t entries,
                                         std::vector<std::array<std::int16_t, 3>>& out) {
        const std::uint64_t at = kHeaderBytes + offset, length = kEntryBytes * entries;
        if (at > bytes.size() || bytes.size() - at < length)
            return fail(objectPrefix(object) + "the " + name + " table of " +
                        count(entries, "entry", "entries") + " at byte " + std::to_string(at) +
                        " runs past the end of the file (" + std::to_string(bytes.size()) +
                        " bytes)");
        if (!spend(length)) return fail(objectPrefix(object) + sharingMessage());
        out.reserve(entries);
        for (std::uint64_t e = at; e < at + length; e += kEntryBytes)
            out.push_back({shortAt(bytes, e), shortAt(bytes, e + 2), shortAt(bytes, e + 4)});
        return {};
    }

    std::string sharingMessage() const {
        return "the objects share their tables so often that reading them takes more than " +
               std::to_string(kMaxShare) + " times the file's size";
    }

    std::expected<void, Error> checkIndices(const TmdPacket& p, const TmdObject& object,
                                            const std::string& where) const {
        for (int k = 0; k < p.corners; ++k)
            if (p.vertex[k] >= object.vertices.size())
                return fail(where + "corner " + std::to_string(k) + " uses vertex " +
                            std::to_string(p.vertex[k]) + " but the object has " +
                            count(object.vertices.size(), "vertex", "vertices"));
        for (int k = 0; k < p.normalCount; ++k) {
            if (p.normal[k] < object.normals.size()) continue;
            const std::string user =
                p.normalCount == 1 ? "the face" : "corner " + std::to_string(k);
            return fail(where + user + " uses normal " + std::to_string(p.normal[k]) +
                        " but the object has " + count(object.normals.size(), "normal", "normals"));
        }
        return {};
    }

    std::expected<void, Error> readPackets(std::size_t index, TmdObject& object) {
        std::uint64_t at = kHeaderBytes + object.primitiveOffset;
        // Every packet takes at least a word, so the file bounds what may be reserved.
        const std::uint64_t room = at <= bytes.size() ? (bytes.size() - at) / 4 : 0;
        object.packets.reserve(std::min<std::uint64_t>(object.primitiveCount, room));
        for (std::uint32_t n = 0; n < object.primitiveCount; ++n) {
            const auto where = [&, start = at] { return packetPrefix(index, n, start); };
            if (at > bytes.size() || bytes.size() - at < 4)
                return fail(where() + "the file ends before the packet's header word");
            const std::uint32_t header = wordAt(bytes, at);
            TmdPacket& p = object.packets.emplace_back();
            p.offset = at;
            p.olen = static_cast<std::uint8_t>(header);
            p.ilen = static_cast<std::uint8_t>(header >> 8);
            p.flag = static_cast<std::uint8_t>(header >> 16);
            p.mode = static_cast<std::uint8_t>(header >> 24);
            const std::uint64_t length = 4 + 4 * std::uint64_t{p.ilen};
            if (bytes.size() - at < length)
                return fail(where() + "the file ends inside the packet's " +
                            count(p.ilen, "data word", "data words"));
            if (!spend(length)) return fail(objectPrefix(index) + sharingMessage());
            p.words.reserve(p.ilen);
            for (std::uint64_t w = at + 4; w < at + length; w += 4)
                p.words.push_back(wordAt(bytes, w));
            at += length;
            if ((p.mode & 0xE0) != 0x20) continue;  // lines, sprites and the rest stay raw
            p.polygon = true;
            const int needed = tmdPolygonDataWords(p.mode, p.flag);
            if (needed != p.ilen)
                return fail(where() + "mode " + hex(p.mode) +
                            (p.flag ? " with flag " + hex(p.flag) : std::string()) + " needs " +
                            count(static_cast<std::uint64_t>(needed), "data word", "data words") +
                            " but ilen says " + std::to_string(p.ilen));
            decodePolygon(p);
            if (auto checked = checkIndices(p, object, where()); !checked) return checked;
        }
        return {};
    }
};

}  // namespace

int tmdPolygonDataWords(std::uint8_t mode, std::uint8_t flag) {
    return polygonLayout(mode, flag).words();
}

std::string tmdPacketKind(const TmdPacket& p) {
    if (!p.polygon) {
        switch (p.mode & 0xE0) {
            case 0x40:
                return "line";
            case 0x60:
                return "sprite";
            default:
                return "unknown packet";
        }
    }
    std::string kind = p.unlit ? "unlit" : "lit";
    kind += p.gouraud ? " Gouraud" : " flat";
    if (p.gradation) kind += " gradation";
    if (p.textured) kind += " textured";
    if (p.semiTransparent) kind += " semi-transparent";
    if (p.twoSided) kind += " two-sided";
    kind += p.quad ? " quadrilateral" : " triangle";
    return kind;
}

std::expected<TmdFile, Error> readTmd(std::string_view bytes, const std::string& file) {
    Reader in{bytes, file};
    if (bytes.size() < kHeaderBytes) return in.fail("the file is too short for a TMD header");
    TmdFile tmd;
    tmd.id = wordAt(bytes, 0);
    tmd.flags = wordAt(bytes, 4);
    const std::uint32_t objects = wordAt(bytes, 8);
    if (tmd.id != 0x41)
        return in.fail("the file's ID is " + hex(tmd.id) + ", not 0x41: it is not a TMD file");
    if (tmd.flags & 1)
        return in.fail(
            "the FIXP flag says the table positions are memory addresses, which a file cannot "
            "resolve");
    const std::uint64_t tableEnd = kHeaderBytes + kObjectBytes * objects;
    if (tableEnd > bytes.size())
        return in.fail("the header's " + count(objects, "object needs ", "objects need ") +
                       std::to_string(tableEnd) + " bytes but the file has " +
                       std::to_string(bytes.size()));
    in.manyObjects = objects > 1;
    in.budget = kMaxShare * bytes.size();
    tmd.objects.resize(objects);
    for (std::size_t i = 0; i < objects; ++i) {
        TmdObject& object = tmd.objects[i];
        const std::uint64_t at = kHeaderBytes + kObjectBytes * i;
        object.vertexOffset = wordAt(bytes, at);
        object.vertexCount = wordAt(bytes, at + 4);
        object.normalOffset = wordAt(bytes, at + 8);
        object.normalCount = wordAt(bytes, at + 12);
        object.primitiveOffset = wordAt(bytes, at + 16);
        object.primitiveCount = wordAt(bytes, at + 20);
        object.scale = static_cast<std::int32_t>(wordAt(bytes, at + 24));
        if (auto read =
                in.readTable(i, "vertex", object.vertexOffset, object.vertexCount, object.vertices);
            !read)
            return std::unexpected(read.error());
        if (auto read =
                in.readTable(i, "normal", object.normalOffset, object.normalCount, object.normals);
            !read)
            return std::unexpected(read.error());
        if (auto read = in.readPackets(i, object); !read) return std::unexpected(read.error());
    }
    return tmd;
}

}  // namespace kestrel::formats
