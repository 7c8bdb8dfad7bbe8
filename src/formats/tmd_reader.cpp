#include "formats/tmd_reader.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

#include "base/little_endian.h"

namespace kestrel::formats {

namespace {

constexpr std::uint64_t kHeaderBytes = 12;  // the object table follows; offsets count from it
constexpr std::uint64_t kObjectBytes = 28;  // seven words per object
constexpr std::uint64_t kEntryBytes = 8;    // x, y, z and a pad halfword per vertex or normal
// Objects that name the same table or packet area share one decoded copy, but a small file
// whose objects name many overlapping areas would still decode to many times its size.
// Decoding more table and packet memory than this many times the file's size is refused;
// a file of one object never comes near it.
constexpr std::uint64_t kMaxDecodedPerByte = 32;
constexpr std::uint64_t kLargestFile = 0xFFFFFFFF;  // what 32-bit offsets can reach

// Callers have checked that the bytes lie inside the file.
std::uint32_t wordAt(std::string_view bytes, std::uint64_t at) {
    return base::loadLittleEndian<std::uint32_t>(bytes.data() + static_cast<std::size_t>(at));
}

std::int16_t shortAt(std::string_view bytes, std::uint64_t at) {
    return base::loadLittleEndian<std::int16_t>(bytes.data() + static_cast<std::size_t>(at));
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

// Fills the polygon fields from its data words, which have the layout's length.
void decodePolygon(TmdPacket& p, std::span<const std::uint32_t> words) {
    const Layout layout = polygonLayout(p.mode, p.flag);
    p.corners = static_cast<std::uint8_t>(layout.corners);
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
        const std::uint32_t word = words[w++];
        p.u[k] = static_cast<std::uint8_t>(word);
        p.v[k] = static_cast<std::uint8_t>(word >> 8);
        if (k == 0) p.cba = static_cast<std::uint16_t>(word >> 16);
        if (k == 1) p.tsb = static_cast<std::uint16_t>(word >> 16);
    }
    p.colourCount = static_cast<std::uint8_t>(layout.colourWords);
    for (int k = 0; k < layout.colourWords; ++k) {
        const std::uint32_t word = words[w++];  // red, green, blue, then the mode or 0
        p.colour[k] = (word & 0xFF) << 16 | (word & 0xFF00) | (word >> 16 & 0xFF);
    }
    // Index halfwords, two to a word with the low half first.
    const auto half = [&](int i) {
        return static_cast<std::uint16_t>(words[w + static_cast<std::size_t>(i / 2)] >> (i % 2 * 16));
    };
    p.normalCount = static_cast<std::uint8_t>(layout.normals);
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

// One decoded packet area and the indices its polygons need of an object's tables.
struct DecodedArea {
    std::shared_ptr<TmdPacketArea> area = std::make_shared<TmdPacketArea>();
    std::uint32_t vertexBound = 0, normalBound = 0;  // highest index used, plus one
    std::optional<Error> fault;                      // set when the area ended in a fault
};

struct Reader {
    std::string_view bytes;
    const std::string& file;
    bool manyObjects = false;
    std::uint64_t budget = 0;  // bytes of decoded tables and packets that may still be made
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::shared_ptr<const TmdTable>> tables;
    std::map<std::pair<std::uint32_t, std::uint32_t>, DecodedArea> areas;

    Error error(const std::string& why) const { return makeError(file, 0, why); }
    std::unexpected<Error> fail(const std::string& why) const { return std::unexpected(error(why)); }
    std::string objectPrefix(std::size_t object) const {
        return manyObjects ? "object " + std::to_string(object) + ": " : "";
    }
    std::string packetPrefix(std::size_t object, std::size_t packet, std::uint64_t at) const {
        return (manyObjects ? "object " + std::to_string(object) + " " : "") + "packet " + std::to_string(packet) +
               " at byte " + std::to_string(at) + ": ";
    }
    bool spend(std::uint64_t n) {
        if (n > budget) return false;
        budget -= n;
        return true;
    }
    static std::string budgetMessage(const std::string& where) {
        return where +
               "the objects' tables and packets overlap so much that decoding them takes more "
               "than " +
               std::to_string(kMaxDecodedPerByte) + " times the file's size in memory";
    }

    std::expected<std::shared_ptr<const TmdTable>, Error> readTable(std::size_t object, const char* name,
                                                                    std::uint32_t offset, std::uint32_t entries) {
        const std::uint64_t at = kHeaderBytes + offset, length = kEntryBytes * entries;
        if (at > bytes.size() || bytes.size() - at < length)
            return fail(objectPrefix(object) + "the " + name + " table of " + count(entries, "entry", "entries") +
                        " at byte " + std::to_string(at) + " runs past the end of the file (" +
                        std::to_string(bytes.size()) + " bytes)");
        auto& shared = tables[{offset, entries}];
        if (shared) return shared;
        if (!spend(sizeof(TmdTable::value_type) * std::uint64_t{entries}))
            return fail(budgetMessage(objectPrefix(object)));
        auto table = std::make_shared<TmdTable>();
        table->reserve(entries);
        for (std::uint64_t e = at; e < at + length; e += kEntryBytes)
            table->push_back({shortAt(bytes, e), shortAt(bytes, e + 2), shortAt(bytes, e + 4)});
        shared = std::move(table);
        return shared;
    }

    // The first polygon of the area whose indices fall outside the object's tables, as the
    // error naming it.
    std::optional<Error> badIndex(std::size_t index, const TmdObject& object, const TmdPacketArea& area) const {
        const auto vertices = object.vertices().size(), normals = object.normals().size();
        for (std::size_t n = 0; n < area.packets.size(); ++n) {
            const TmdPacket& p = area.packets[n];
            if (!p.polygon) continue;
            const std::string where = packetPrefix(index, n, p.offset);
            for (int k = 0; k < p.corners; ++k)
                if (p.vertex[k] >= vertices)
                    return error(where + "corner " + std::to_string(k) + " uses vertex " + std::to_string(p.vertex[k]) +
                                 " but the object has " + count(vertices, "vertex", "vertices"));
            for (int k = 0; k < p.normalCount; ++k) {
                if (p.normal[k] < normals) continue;
                const std::string user = p.normalCount == 1 ? "the face" : "corner " + std::to_string(k);
                return error(where + user + " uses normal " + std::to_string(p.normal[k]) + " but the object has " +
                             count(normals, "normal", "normals"));
            }
        }
        return std::nullopt;
    }

    DecodedArea decodeArea(std::size_t index, const TmdObject& object) {
        DecodedArea decoded;
        TmdPacketArea& area = *decoded.area;
        std::uint64_t at = kHeaderBytes + object.primitiveOffset;
        // Every packet takes at least a word, so the file bounds what may be reserved; the
        // budget bounds it too.
        const std::uint64_t room = at <= bytes.size() ? (bytes.size() - at) / 4 : 0;
        area.packets.reserve(std::min({std::uint64_t{object.primitiveCount}, room, budget / sizeof(TmdPacket)}));
        for (std::uint32_t n = 0; n < object.primitiveCount; ++n) {
            const auto where = [&, start = at] { return packetPrefix(index, n, start); };
            if (at > bytes.size() || bytes.size() - at < 4) {
                decoded.fault = error(where() + "the file ends before the packet's header word");
                break;
            }
            const std::uint32_t header = wordAt(bytes, at);
            TmdPacket p;
            p.offset = static_cast<std::uint32_t>(at);
            p.firstWord = static_cast<std::uint32_t>(area.words.size());
            p.olen = static_cast<std::uint8_t>(header);
            p.ilen = static_cast<std::uint8_t>(header >> 8);
            p.flag = static_cast<std::uint8_t>(header >> 16);
            p.mode = static_cast<std::uint8_t>(header >> 24);
            const std::uint64_t length = 4 + 4 * std::uint64_t{p.ilen};
            if (bytes.size() - at < length) {
                decoded.fault =
                    error(where() + "the file ends inside the packet's " + count(p.ilen, "data word", "data words"));
                break;
            }
            if (!spend(sizeof(TmdPacket) + 4 * std::uint64_t{p.ilen})) {
                decoded.fault = error(budgetMessage(where()));
                break;
            }
            for (std::uint64_t w = at + 4; w < at + length; w += 4) area.words.push_back(wordAt(bytes, w));
            at += length;
            if ((p.mode & 0xE0) == 0x20) {  // lines, sprites and the rest stay raw
                p.polygon = true;
                const int needed = tmdPolygonDataWords(p.mode, p.flag);
                if (needed != p.ilen) {
                    decoded.fault =
                        error(where() + "mode " + hex(p.mode) + (p.flag ? " with flag " + hex(p.flag) : std::string()) +
                              " needs " + count(static_cast<std::uint64_t>(needed), "data word", "data words") +
                              " but ilen says " + std::to_string(p.ilen));
                    break;
                }
                decodePolygon(p, std::span(area.words).subspan(p.firstWord));
                for (int k = 0; k < p.corners; ++k)
                    decoded.vertexBound = std::max<std::uint32_t>(decoded.vertexBound, p.vertex[k] + 1u);
                for (int k = 0; k < p.normalCount; ++k)
                    decoded.normalBound = std::max<std::uint32_t>(decoded.normalBound, p.normal[k] + 1u);
            }
            area.packets.push_back(p);
        }
        area.packets.shrink_to_fit();
        area.words.shrink_to_fit();
        return decoded;
    }

    // Decodes the object's packet area, or takes the copy another object decoded, and checks
    // its indices against this object's tables. A fault in the packets is reported after any
    // bad index in the packets before it, as the file reads.
    std::expected<void, Error> readPackets(std::size_t index, TmdObject& object) {
        const std::pair key{object.primitiveOffset, object.primitiveCount};
        auto found = areas.find(key);
        if (found == areas.end()) {
            DecodedArea decoded = decodeArea(index, object);
            if (decoded.fault) {
                if (auto bad = badIndex(index, object, *decoded.area)) return std::unexpected(*bad);
                return std::unexpected(*decoded.fault);
            }
            found = areas.emplace(key, std::move(decoded)).first;
        }
        const DecodedArea& decoded = found->second;
        if (decoded.vertexBound > object.vertices().size() || decoded.normalBound > object.normals().size())
            if (auto bad = badIndex(index, object, *decoded.area)) return std::unexpected(*bad);
        object.packetArea = decoded.area;
        return {};
    }
};

}  // namespace

namespace {
const TmdTable kNoEntries;
const TmdPacketArea kNoPackets;
}  // namespace

const TmdTable& TmdObject::vertices() const { return vertexTable ? *vertexTable : kNoEntries; }
const TmdTable& TmdObject::normals() const { return normalTable ? *normalTable : kNoEntries; }
const std::vector<TmdPacket>& TmdObject::packets() const {
    return packetArea ? packetArea->packets : kNoPackets.packets;
}
std::span<const std::uint32_t> TmdObject::words(const TmdPacket& packet) const {
    const auto& all = packetArea ? packetArea->words : kNoPackets.words;
    return std::span(all).subspan(packet.firstWord, packet.ilen);
}

int tmdPolygonDataWords(std::uint8_t mode, std::uint8_t flag) { return polygonLayout(mode, flag).words(); }

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
    Reader in{.bytes = bytes, .file = file, .manyObjects = false, .budget = 0, .tables = {}, .areas = {}};
    if (bytes.size() < kHeaderBytes) return in.fail("the file is too short for a TMD header");
    if (bytes.size() > kLargestFile)
        return in.fail("the file is larger than 4 GiB, beyond what a TMD's 32-bit offsets can reach");
    TmdFile tmd;
    tmd.id = wordAt(bytes, 0);
    tmd.flags = wordAt(bytes, 4);
    const std::uint32_t objects = wordAt(bytes, 8);
    if (tmd.id != 0x41) return in.fail("the file's ID is " + hex(tmd.id) + ", not 0x41: it is not a TMD file");
    const std::uint64_t tableEnd = kHeaderBytes + kObjectBytes * objects;
    if (tableEnd > bytes.size())
        return in.fail("the header's " + count(objects, "object needs ", "objects need ") + std::to_string(tableEnd) +
                       " bytes but the file has " + std::to_string(bytes.size()));
    // A TMD saved from console memory holds addresses. The first object's packets follow the
    // object table, as every converter lays them out, which gives the address of the table.
    std::uint32_t base = 0;
    if (tmd.flags & 1) {
        const std::uint32_t firstPackets = objects ? wordAt(bytes, kHeaderBytes + 16) : 0;
        if (objects == 0 || firstPackets < kObjectBytes * objects)
            return in.fail(
                "the FIXP flag says the table positions are memory addresses, and the first object's "
                "packet address " +
                hex(firstPackets) + " gives no base to read them from");
        base = firstPackets - static_cast<std::uint32_t>(kObjectBytes * objects);
        tmd.addressBase = base;
    }
    in.manyObjects = objects > 1;
    in.budget = kMaxDecodedPerByte * bytes.size();
    tmd.objects.resize(objects);
    for (std::size_t i = 0; i < objects; ++i) {
        TmdObject& object = tmd.objects[i];
        const std::uint64_t at = kHeaderBytes + kObjectBytes * i;
        object.vertexOffset = wordAt(bytes, at) - base;
        object.vertexCount = wordAt(bytes, at + 4);
        object.normalOffset = wordAt(bytes, at + 8) - base;
        object.normalCount = wordAt(bytes, at + 12);
        object.primitiveOffset = wordAt(bytes, at + 16) - base;
        object.primitiveCount = wordAt(bytes, at + 20);
        object.scale = static_cast<std::int32_t>(wordAt(bytes, at + 24));
        auto vertices = in.readTable(i, "vertex", object.vertexOffset, object.vertexCount);
        if (!vertices) return std::unexpected(vertices.error());
        object.vertexTable = *vertices;
        auto normals = in.readTable(i, "normal", object.normalOffset, object.normalCount);
        if (!normals) return std::unexpected(normals.error());
        object.normalTable = *normals;
        if (auto read = in.readPackets(i, object); !read) return std::unexpected(read.error());
    }
    return tmd;
}

}  // namespace kestrel::formats
