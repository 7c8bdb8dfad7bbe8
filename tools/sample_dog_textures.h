#pragma once
// The robot dog's three textures, drawn in code so that the sample tool makes the same
// pictures on every run. Each has its own VRAM places, clear of the robot's.
#include "formats/tim.h"

namespace kestrel::samples {

// 8-bit, 64 x 64: steel armour plates with bevelled seams, rivets and an orange stripe.
formats::TimImage dogPlatePicture();
// 8-bit, 64 x 64: the face screen, an octagon with a yellow rim, two eyes and pink cheeks.
formats::TimImage dogFacePicture();
// 4-bit, 32 x 32: the rubber tread of the paws.
formats::TimImage dogPadsPicture();

}  // namespace kestrel::samples
