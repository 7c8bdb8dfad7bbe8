// Fuzz target for the TMD reader: whatever it accepts (memory addresses included, read from the
// object table's address) must keep every packet inside the file,
// every table as long as its count, every index inside its table, and what it decodes to
// bounded by the file's size.
#include <cstdint>
#include <string_view>

#include "formats/tmd_reader.h"

namespace {

void check(bool holds) {
    if (!holds) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kestrel::formats;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto tmd = readTmd(bytes, "f.tmd");
    if (!tmd) return 0;
    // A file saved from console memory (FIXP) is read from its object table's address.
    check(tmd->id == 0x41 && tmd->addressBase.has_value() == ((tmd->flags & 1) != 0));
    for (const TmdObject& object : tmd->objects) {
        check(object.vertices().size() == object.vertexCount);
        check(object.normals().size() == object.normalCount);
        check(object.packets().size() == object.primitiveCount);
        for (const TmdPacket& p : object.packets()) {
            check(object.words(p).size() == p.ilen);
            check(p.offset + 4 + 4 * std::uint64_t{p.ilen} <= size);
            (void)tmdPacketKind(p);
            if (!p.polygon) continue;
            check(tmdPolygonDataWords(p.mode, p.flag) == p.ilen);
            check(p.corners == (p.quad ? 4 : 3));
            check(p.normalCount <= p.corners && p.colourCount <= p.corners);
            for (int k = 0; k < p.corners; ++k) check(p.vertex[k] < object.vertices().size());
            for (int k = 0; k < p.normalCount; ++k) check(p.normal[k] < object.normals().size());
        }
    }
    return 0;
}
