// kestrel-cli tmd-info: everything a TMD model file holds, packet by packet, as text for
// people or as JSON for tools. The JSON keys are a published interface: later versions add
// keys but never change one.
#include <cstdio>
#include <ostream>
#include <string>

#include "cli/commands.h"
#include "cli/json_writer.h"
#include "cli/report.h"
#include "formats/tmd_reader.h"

namespace kestrel::cli {

namespace {

using formats::TmdFile;
using formats::TmdObject;
using formats::TmdPacket;
using Table = std::vector<std::array<std::int16_t, 3>>;

// Table offsets count from the object table, which follows the 12-byte header.
constexpr std::uint64_t kObjectTableByte = 12;

std::string hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::string colour(std::uint32_t rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06x", rgb & 0xFFFFFFu);
    return text;
}

void packetText(std::ostream& out, std::size_t index, const TmdObject& o, const TmdPacket& p) {
    out << "    " << index << "  byte " << p.offset << "  mode " << hex(p.mode, 2) << "  flag " << hex(p.flag, 2)
        << "  olen " << int{p.olen} << "  ilen " << int{p.ilen} << "  " << formats::tmdPacketKind(p);
    if (!p.polygon) {
        out << "  words";
        for (const auto word : o.words(p)) out << ' ' << hex(word, 8);
        out << '\n';
        return;
    }
    out << "  v";
    for (int k = 0; k < p.corners; ++k) out << ' ' << p.vertex[k];
    if (p.normalCount > 0) out << "  n";
    for (int k = 0; k < p.normalCount; ++k) out << ' ' << p.normal[k];
    if (p.colourCount > 0) out << "  rgb";
    for (int k = 0; k < p.colourCount; ++k) out << ' ' << colour(p.colour[k]);
    if (p.textured) {
        out << "  uv";
        for (int k = 0; k < p.corners; ++k) out << ' ' << int{p.u[k]} << ',' << int{p.v[k]};
        out << "  cba " << hex(p.cba, 4) << "  tsb " << hex(p.tsb, 4);
    }
    out << '\n';
}

void tableText(std::ostream& out, const char* title, const Table& entries) {
    out << "  " << title << '\n';
    for (std::size_t i = 0; i < entries.size(); ++i)
        out << "    " << i << "  " << entries[i][0] << ' ' << entries[i][1] << ' ' << entries[i][2] << '\n';
    if (entries.empty()) out << "    (none)\n";
}

void positionText(std::ostream& out, const char* title, std::uint32_t count, std::uint32_t offset) {
    out << "  " << title << count << " at offset " << offset << " (byte " << kObjectTableByte + offset << ")\n";
}

void tmdText(std::ostream& out, const TmdFile& tmd) {
    out << "ID        " << hex(tmd.id, 2) << "\nFlags     " << hex(tmd.flags, 2);
    if (tmd.addressBase)
        out << " (FIXP: the offsets are memory addresses, read from the object table's address "
            << hex(*tmd.addressBase, 8) << ", taken from the first object's packets)";
    out << "\nObjects   " << tmd.objects.size() << '\n';
    for (std::size_t i = 0; i < tmd.objects.size(); ++i) {
        const TmdObject& o = tmd.objects[i];
        out << "\nObject " << i << '\n';
        positionText(out, "Vertices    ", o.vertexCount, o.vertexOffset);
        positionText(out, "Normals     ", o.normalCount, o.normalOffset);
        positionText(out, "Primitives  ", o.primitiveCount, o.primitiveOffset);
        out << "  Scale       " << o.scale << "\n  Packets\n";
        const auto& packets = o.packets();
        for (std::size_t n = 0; n < packets.size(); ++n) packetText(out, n, o, packets[n]);
        if (packets.empty()) out << "    (none)\n";
        tableText(out, "Vertices", o.vertices());
        tableText(out, "Normals", o.normals());
    }
}

template <typename Values>
void integers(JsonWriter& json, const Values& values, int count) {
    json.beginArray();
    for (int k = 0; k < count; ++k) json.integer(values[static_cast<std::size_t>(k)]);
    json.endArray();
}

// Polygons carry "uv", "cba" and "tsb" only when textured; other packets carry "words".
void packetJson(JsonWriter& json, const TmdObject& o, const TmdPacket& p) {
    json.beginObject();
    json.key("offset"), json.integer(static_cast<std::int64_t>(p.offset));
    json.key("mode"), json.integer(p.mode);
    json.key("flag"), json.integer(p.flag);
    json.key("olen"), json.integer(p.olen);
    json.key("ilen"), json.integer(p.ilen);
    json.key("kind"), json.string(formats::tmdPacketKind(p));
    if (!p.polygon) {
        const auto words = o.words(p);
        json.key("words"), integers(json, words, static_cast<int>(words.size()));
        json.endObject();
        return;
    }
    json.key("vertices"), integers(json, p.vertex, p.corners);
    json.key("normals"), integers(json, p.normal, p.normalCount);
    json.key("colours"), integers(json, p.colour, p.colourCount);
    if (p.textured) {
        json.key("uv");
        json.beginArray();
        for (int k = 0; k < p.corners; ++k) {
            const std::array<int, 2> uv{p.u[k], p.v[k]};
            integers(json, uv, 2);
        }
        json.endArray();
        json.key("cba"), json.integer(p.cba);
        json.key("tsb"), json.integer(p.tsb);
    }
    json.endObject();
}

void tableJson(JsonWriter& json, const Table& entries) {
    json.beginArray();
    for (const auto& entry : entries) integers(json, entry, 3);
    json.endArray();
}

// Written out as it goes, a packet at a time: objects that share one packet area repeat it,
// and the text would otherwise be held whole.
void tmdJson(std::ostream& stream, const TmdFile& tmd) {
    std::string out;
    const auto flush = [&] {
        stream << out;
        out.clear();
    };
    JsonWriter json(out);
    json.beginObject();
    json.key("id"), json.integer(tmd.id);
    json.key("flags"), json.integer(tmd.flags);
    if (tmd.addressBase) json.key("addressBase"), json.integer(*tmd.addressBase);
    json.key("objects");
    json.beginArray();
    for (const TmdObject& o : tmd.objects) {
        json.beginObject();
        json.key("vertexOffset"), json.integer(o.vertexOffset);
        json.key("vertexCount"), json.integer(o.vertexCount);
        json.key("normalOffset"), json.integer(o.normalOffset);
        json.key("normalCount"), json.integer(o.normalCount);
        json.key("primitiveOffset"), json.integer(o.primitiveOffset);
        json.key("primitiveCount"), json.integer(o.primitiveCount);
        json.key("scale"), json.integer(o.scale);
        json.key("packets");
        json.beginArray();
        for (const TmdPacket& p : o.packets()) {
            packetJson(json, o, p);
            if (out.size() > 1 << 16) flush();
        }
        json.endArray();
        json.key("vertices"), tableJson(json, o.vertices());
        json.key("normals"), tableJson(json, o.normals());
        json.endObject();
        flush();
    }
    json.endArray();
    json.endObject();
    out += '\n';
    flush();
}

}  // namespace

int runTmdInfo(app::Document& document, const TmdInfoOptions& options, std::ostream& out, std::ostream& err) {
    const auto bytes = document.files().readFile(options.file);
    if (!bytes) return reportError(err, formats::makeError(options.file, 0, formats::cannotOpen(bytes.error())));
    const auto tmd = formats::readTmd(*bytes, options.file);
    if (!tmd) return reportError(err, tmd.error());
    if (options.json)
        tmdJson(out, *tmd);
    else
        tmdText(out, *tmd);
    return kExitSuccess;
}

}  // namespace kestrel::cli
