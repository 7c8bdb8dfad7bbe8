#pragma once
// PlayStation TMD model files, read strictly: every table and packet must lie inside the
// file, every polygon's data words must have the length its mode and flag call for, and
// every index must name an entry of its object's tables. What a file decodes to is bounded by
// its size: tables and packet areas that several objects name are decoded once, and a file
// whose distinct areas would take more than 32 times its size is refused.
#include <array>
#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/error.h"

namespace kestrel::formats {

// One primitive packet: a header word (olen | ilen << 8 | flag << 16 | mode << 24) and ilen
// data words, kept with the packets of its area (TmdObject::words). Polygons (mode 0x20-0x3F)
// are decoded; other kinds keep their raw words only. Compact, as a file may hold millions.
struct TmdPacket {
    std::uint32_t offset = 0;               // of the header word, from the start of the file
    std::uint32_t firstWord = 0;            // where its data words start among its area's words
    std::array<std::uint32_t, 4> colour{};  // 0x00RRGGBB
    std::array<std::uint16_t, 4> vertex{};  // corners entries used
    std::array<std::uint16_t, 4> normal{};
    std::array<std::uint8_t, 4> u{}, v{};  // texture coordinates of textured polygons
    std::uint16_t cba = 0, tsb = 0;        // colour table and texture page of textured polygons
    std::uint8_t olen = 0, ilen = 0, flag = 0, mode = 0;
    bool polygon = false;

    // The rest is filled for polygons only.
    std::uint8_t corners = 0;      // 3, or 4 for quadrilaterals
    std::uint8_t normalCount = 0;  // 0 unlit, 1 lit flat (the face's normal), corners lit Gouraud
    std::uint8_t colourCount = 0;  // 0 (lit textured), 1 or corners
    bool gouraud = false;          // mode 0x10 (IIP): a colour or normal per corner
    bool quad = false;             // mode 0x08
    bool textured = false;         // mode 0x04 (TME)
    bool semiTransparent = false;  // mode 0x02 (ABE)
    bool brightnessOff = false;    // mode 0x01 (TGE): texels drawn without colour modulation
    bool unlit = false;            // flag 0x01 (LGT): no light-source calculation
    bool twoSided = false;         // flag 0x02 (FCE)
    bool gradation = false;        // flag 0x04 (GRD): a colour per corner on flat polygons
};

using TmdTable = std::vector<std::array<std::int16_t, 3>>;  // x, y, z (normals 4096 = 1.0)

// The packets of one primitive area and all their data words, in file order.
struct TmdPacketArea {
    std::vector<TmdPacket> packets;
    std::vector<std::uint32_t> words;
};

struct TmdObject {
    // The table positions as the file gives them: bytes from the start of the object table,
    // which is byte 12 of the file.
    std::uint32_t vertexOffset = 0, vertexCount = 0;
    std::uint32_t normalOffset = 0, normalCount = 0;
    std::uint32_t primitiveOffset = 0, primitiveCount = 0;
    std::int32_t scale = 0;
    // Objects that name the same table or packet area share one decoded copy of it.
    std::shared_ptr<const TmdTable> vertexTable, normalTable;
    std::shared_ptr<const TmdPacketArea> packetArea;

    const TmdTable& vertices() const;
    const TmdTable& normals() const;
    const std::vector<TmdPacket>& packets() const;
    // A packet's ilen data words; the packet must be one of this object's.
    std::span<const std::uint32_t> words(const TmdPacket& packet) const;
};

struct TmdFile {
    std::uint32_t id = 0x41;
    std::uint32_t flags = 0;
    // With the FIXP flag, the memory address of the object table: the objects' offsets have
    // had it taken off.
    std::optional<std::uint32_t> addressBase;
    std::vector<TmdObject> objects;
};

// The number of data words a polygon packet of this mode and flag has; the ilen a writer
// puts in its header.
int tmdPolygonDataWords(std::uint8_t mode, std::uint8_t flag);

// What the packet draws: "lit flat triangle", "unlit Gouraud textured quadrilateral", "line".
std::string tmdPacketKind(const TmdPacket& packet);

// Reads a whole TMD file. Errors name the byte offset and the object or packet at fault.
std::expected<TmdFile, Error> readTmd(std::string_view bytes, const std::string& file);

}  // namespace kestrel::formats
