#pragma once
// The material commands on the selected polygons: the "Polygon Properties" dialog's settings,
// click rules and write-back, "Point Lighting" (a point light baked into the corner
// colours) and the quick material commands of the edit view.
// A polygon counts as selected when more than two of its corners are.
#include <array>
#include <cstdint>
#include <optional>

#include "model/model.h"

namespace kestrel::model {

// The model packs colours 0x00RRGGBB; the system colour chooser uses 0x00BBGGRR. Both
// directions exchange red and blue and drop anything above bit 23.
constexpr std::uint32_t chooserColourFromModel(std::int32_t colour) {
    const auto c = static_cast<std::uint32_t>(colour);
    return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}
constexpr std::int32_t modelColourFromChooser(std::uint32_t colour) {
    return static_cast<std::int32_t>((colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF));
}

// mat_flag bits the material commands interpret.
inline constexpr std::int32_t kMatNotLightSourced = 1;  // not light-sourced at run time
inline constexpr std::int32_t kMatDoubleFaced = 2;
inline constexpr std::int32_t kMatTransparent = 4;
inline constexpr int kMatTransparencyShift = 3;  // bits 3-4: the semi-transparency mode, 0-3

// What the "Polygon Properties" dialog shows and edits.
struct PolygonPropertiesSettings {
    int colouringStyle = 1;  // 0 "None", 1 "Uniform", 2 "Gradation"
    bool textured = false;
    bool lightSourced = true;  // "Run-time light sourced"
    bool doubleFaced = false;  // mat_flag bit 1
    int sides = 3;             // shown only; never written back
    int shading = 1;           // 0 Gouraud, 1 flat
    int transparencyMode = 0;  // 0-3
    bool transparent = false;
    int texture = -1;                              // index into the texture list; -1: none chosen
    std::array<std::uint32_t, 4> cornerColours{};  // in the chooser's order, 0x00BBGGRR

    bool operator==(const PolygonPropertiesSettings&) const = default;
};

// The initial settings: everything from the last selected polygon, except the texture,
// which is that of the last selected textured polygon whose texture is in the list, or -1
// when there is none. Nothing when no polygon is selected.
std::optional<PolygonPropertiesSettings> polygonPropertiesFromSelection(const Model& model);

// The controls whose clicks adjust others.
enum class PropertiesClick { StyleNone, StyleUniform, StyleGradation, Textured, LightSourced, Other };

// The dialog's rules after a click. settings are the controls as they read after the click
// took effect (the radio button already set, the check box already toggled); the result
// is what the controls should then show. Lit textured polygons carry no colour, so a
// colouring style and run-time light sourcing exclude each other while textured, and an
// untextured polygon always has a colouring style.
PolygonPropertiesSettings afterClick(PolygonPropertiesSettings settings, PropertiesClick click);

// OK: writes the settings into every selected polygon - the four corner colours, the
// texture, mat_flag (rebuilt from the settings; bits above 4 are cleared), the shading and
// the kind. Without a texture from the list nothing can be textured: the kinds are then
// chosen as if "Textured" were off and the polygons get tId -1, except that a polygon
// left textured by style "None" keeps its own texture. Returns how many polygons changed.
int applyPolygonProperties(Model& model, const PolygonPropertiesSettings& settings);

// "Static Lighting": colour 0x00RRGGBB, radius in model units (the dialog accepts 0-32767).
struct PointLight {
    std::int32_t colour = 0xFFFFFF;
    unsigned radius = 1000;
    bool selectedOnly = false;    // "Light Selected Polys Only"
    bool allowTypeChange = true;  // "Allow POLY type modification"
};
inline constexpr unsigned kMaxLightRadius = 32767;

// Point Lighting is offered when exactly one vertex is selected.
bool canPointLight(const Model& model);
// Lights the corners within the radius of the first selected vertex, each component by
// trunc(component × (radius − distance) / radius), saturating at 255. With type changes
// allowed, a polygon with a lit corner turns into the matching gradation kind so that the
// console shows the baked colours: C becomes G; T and D become H and stop being
// light-sourced at run time. The new kind starts from the colour the polygon showed - a
// single colour spread to every corner, mid grey for an untinted texture - before the light
// is added. Returns how many corners were lit; nothing changes when no vertex is selected.
int pointLight(Model& model, const PointLight& light);

enum class QuickMaterial {
    VertexNormalLighting,  // shading 'G'
    FaceNormalLighting,    // shading 'F'
    FaceColour,            // all four corner colours = the colour
    LightSourceAtRunTime,  // clears mat_flag bit 0
    NoRunTimeLighting,     // sets mat_flag bit 0
    Textured,              // C becomes T with mid grey corners, G becomes D; tId stays
    Coloured,              // tId -1; T and D become C, H becomes G
    Transparent,           // sets mat_flag bit 2
    Solid,                 // clears mat_flag bit 2
};

// Applies one quick material command to every selected polygon; colour (0x00RRGGBB) is used
// by FaceColour only. Returns how many polygons changed.
int applyQuickMaterial(Model& model, QuickMaterial command, std::int32_t colour = 0);

}  // namespace kestrel::model
