#pragma once
// The model the view benchmarks draw.
#include <cmath>

#include "model/model.h"

namespace kestrel::bench {

// A sheet of quadrilaterals across the view, facing the camera, some textured and some in
// plain colours, with a few semi-transparent ones.
inline model::Model viewSheet(int columns, int rows) {
    model::Model m;
    for (int y = 0; y <= rows; ++y)
        for (int x = 0; x <= columns; ++x)
            m.vertices.push_back({(x - columns / 2.0) * 30.0, (y - rows / 2.0) * 30.0, std::sin(x * 0.3) * 40.0, 0});
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x) {
            const int a = y * (columns + 1) + x;
            model::ModelPolygon p;
            p.flags = 1;
            p.vId = {a, a + 1, a + columns + 1, a + columns + 2};
            const int i = y * columns + x;
            p.type = i % 4 == 0 ? 'G' : 'T';
            p.tId = i % 2;
            p.shading = 'G';
            p.mat_flag = i % 16 == 0 ? 4 : 0;
            p.tu = {0, 63, 0, 63};
            p.tv = {0, 0, 63, 63};
            p.rgb = {0x808080, 0x406080, 0x804060, 0x608040};
            m.polygons.push_back(p);
        }
    return m;
}

}  // namespace kestrel::bench
