#pragma once
// The model binding classes, for the extension list and for tests that look at their objects.
#include "script/object.h"

namespace kestrel::script {

const ObjectClass& ksKestrelClass();
const ObjectClass& ksVertexClass();
const ObjectClass& ksPolygonClass();
const ObjectClass& ksModelClass();
const ObjectClass& actionReplayClass();

}  // namespace kestrel::script
