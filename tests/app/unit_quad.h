#pragma once
// The small model the document tests start from: one quadrilateral over the unit square.
#include "model/model.h"

namespace kestrel::app::test {

inline void addUnitQuad(model::Model& m) {
    using model::makeVector;
    for (auto v : {makeVector(0, 0, 0), makeVector(1, 0, 0), makeVector(0, 1, 0), makeVector(1, 1, 0)}) m.addVertex(v);
    m.addPolygon(0, 1, 2, 3);
    m.polygons[0].flags = 1;
}

}  // namespace kestrel::app::test
