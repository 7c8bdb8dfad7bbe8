// Fuzz target for the 3D Studio ASC importer.
//
// An import that succeeds must give grey untextured triangles whose corners lie inside the
// vertices, one normal a vertex, no textures or movements, no groups for one mesh and for a
// scene of several one group a mesh, each the run of polygons after the last, and a base frame
// equal to the model; a failure must say where and why. Any breach aborts with a message.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "formats/asc_reader.h"

namespace {

[[noreturn]] void fail(const char* what, long long index = -1) {
    std::fprintf(stderr, "asc_fuzz: %s (item %lld)\n", what, index);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto loaded = kestrel::formats::importAsc(text, "/in/object.asc");
    if (!loaded) {
        const auto& error = loaded.error();
        if (error.file != "/in/object.asc" || error.message.empty() || error.line < 0)
            fail("an error without file or reason");
        return 0;
    }
    const auto& m = loaded->model;
    if (m.rsdFileName != "/in/object.rsd" || m.grpFileName != "/in/object.grp")
        fail("the model is not named after the file");
    if (m.normals.size() != m.vertices.size()) fail("normal count differs from vertex count");
    if (m.textureCount() != 0) fail("textures from an ASC file");
    if (m.groupCount() == 1 || m.groupCount() > kestrel::model::kMaxGroups) fail("one group, or too many");
    int next = 0;
    for (const auto& group : m.groups)
        for (const int polygon : group.polygons)
            if (polygon != next++) fail("a group is not the run of polygons after the last", polygon);
    if (m.groupCount() > 0 && m.groupCount() < kestrel::model::kMaxGroups && next != m.polygonCount())
        fail("polygons outside the groups", next);
    for (std::size_t i = 0; i < m.polygons.size(); ++i) {
        const auto& p = m.polygons[i];
        if (p.flags != 0 || p.type != 'C' || p.tId != -1 || p.rgb[0] != kestrel::model::kMidGrey)
            fail("polygon is not a grey triangle", static_cast<long long>(i));
        for (int k = 0; k < 3; ++k)
            if (p.vId[k] < 0 || p.vId[k] >= m.vertexCount())
                fail("corner outside the vertices", static_cast<long long>(i));
    }
    for (const auto& v : m.vertices)
        if (!(std::fabs(v.x) <= 1e9 && std::fabs(v.y) <= 1e9 && std::fabs(v.z) <= 1e9))
            fail("vertex beyond the coordinate limit");
    const auto& base = loaded->animation.baseFrame;
    if (!base || base->name != "BaseFrame" || base->model != m) fail("base frame is not the model");
    if (!loaded->animation.movements.empty()) fail("movements from an ASC file");
    return 0;
}
