#pragma once
// Putting a texture on a model: the wrap that computes texture coordinates by a cylindrical,
// spherical or planar projection, and "Paint", which maps the whole texture onto each
// selected polygon.
//
// Texture coordinates are whole texels held to 0..255, the console's range: a 256-texel
// texture's far edge becomes 255. An axis on which every vertex lies at one value (a flat
// model) maps to coordinate 0 along it rather than to a division by zero.
#include "model/model.h"

namespace kestrel::model {

enum class WrapType { CylinderY, CylinderX, SphereCentre, SphereNormal, Planar };
enum class PlanarFace { YPlus, YMinus, XPlus, XMinus, ZPlus, ZMinus };

// The "Texture Wrapper" dialog's choices.
struct WrapOptions {
    WrapType type = WrapType::CylinderY;
    PlanarFace face = PlanarFace::YPlus;
    bool exact = true;  // "Exact Mode": planar faces within 0.99 of the axis only
    bool flipHorizontally = false;
    bool flipVertically = false;
    bool swap = false;  // "Swap X & Y (rotate 90deg)"
    int repeatX = 1, repeatY = 1;
    bool selectedOnly = false;  // "Texture To Selected Only"
};

// Wraps texture `texture` (width × height texels) round the model: the polygons taken get
// its coordinates and index; single and gradation colour kinds become their textured kinds
// and stop being light-sourced. Recomputes the normals. Returns the polygons textured.
int wrapTexture(Model& model, int texture, int width, int height, const WrapOptions& options);

// "Paint Current Texture To Selected": every selected polygon gets the texture, kind 'T' and
// the whole texture, corners (0,0), (W,0), (0,H), (W,H). Returns the polygons painted.
int paintTexture(Model& model, int texture, int width, int height);

// Texture paths compare without regard to letter case, whole: a listed path that only
// begins the chosen one is another texture.
bool sameTexturePath(std::string_view a, std::string_view b);

}  // namespace kestrel::model
