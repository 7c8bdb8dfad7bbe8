#include "model/polygon_materials.h"

#include <algorithm>

namespace kestrel::model {

namespace {

bool isTexturedKind(char type) {
    return type == PTYPE_TEXTURED || type == PTYPE_TEXTURED_COLOURED || type == PTYPE_TEXTURED_GRADATION_COLOURED;
}

bool namesTexture(const Model& model, int texture) { return texture >= 0 && texture < model.textureCount(); }

const ModelVertex* vertexAt(const Model& model, int index) {
    return index >= 0 && index < model.vertexCount() ? &model.vertices[static_cast<std::size_t>(index)] : nullptr;
}

// Runs change on every selected polygon; returns how many came out different.
template <typename Change>
int changeSelected(Model& model, Change change) {
    int changed = 0;
    for (ModelPolygon& p : model.polygons) {
        if (!model.isPolygonSelected(p)) continue;
        const ModelPolygon before = p;
        change(p);
        changed += p != before;
    }
    return changed;
}

// The kind OK gives a polygon of kind type.
char kindAfterProperties(char type, bool textured, int style) {
    if (textured)
        return style == 1 ? PTYPE_TEXTURED_COLOURED : style == 2 ? PTYPE_TEXTURED_GRADATION_COLOURED : PTYPE_TEXTURED;
    return style == 1 ? PTYPE_SINGLE_COLOUR : style == 2 ? PTYPE_GRADATION_COLOUR : type;
}

std::int32_t litColour(std::int32_t old, std::int32_t light, double weight) {
    std::int32_t out = 0;
    for (int shift = 16; shift >= 0; shift -= 8) {
        const int component = (old >> shift) & 0xFF;
        const int added = static_cast<int>(((light >> shift) & 0xFF) * weight);
        out |= std::min(255, component + added) << shift;
    }
    return out;
}

}  // namespace

std::optional<PolygonPropertiesSettings> polygonPropertiesFromSelection(const Model& model) {
    const ModelPolygon* last = nullptr;
    int texture = -1;
    for (const ModelPolygon& p : model.polygons) {
        if (!model.isPolygonSelected(p)) continue;
        last = &p;
        if (isTexturedKind(p.type) && namesTexture(model, p.tId)) texture = p.tId;
    }
    if (!last) return std::nullopt;
    const ModelPolygon& p = *last;
    PolygonPropertiesSettings s;
    s.lightSourced = (p.mat_flag & kMatNotLightSourced) == 0;
    s.doubleFaced = (p.mat_flag & kMatDoubleFaced) != 0;
    s.sides = polygonCornerCount(p);
    s.shading = p.shading == 'G' ? 0 : 1;
    s.transparent = (p.mat_flag & kMatTransparent) != 0;
    s.transparencyMode = (p.mat_flag >> kMatTransparencyShift) & 3;
    s.textured = p.type != PTYPE_SINGLE_COLOUR && p.type != PTYPE_GRADATION_COLOUR;
    switch (p.type) {
        case PTYPE_SINGLE_COLOUR:
        case PTYPE_TEXTURED_COLOURED:
            s.colouringStyle = 1;
            break;
        case PTYPE_GRADATION_COLOUR:
        case PTYPE_TEXTURED_GRADATION_COLOURED:
            s.colouringStyle = 2;
            break;
        default:
            s.colouringStyle = 0;
            break;
    }
    s.texture = texture;
    for (std::size_t i = 0; i < 4; ++i) s.cornerColours[i] = chooserColourFromModel(p.rgb[i]);
    return s;
}

PolygonPropertiesSettings afterClick(PolygonPropertiesSettings s, PropertiesClick click) {
    switch (click) {
        case PropertiesClick::StyleUniform:
        case PropertiesClick::StyleGradation:
            if (s.textured) s.lightSourced = false;
            break;
        case PropertiesClick::LightSourced:
            if (s.textured && s.lightSourced) s.colouringStyle = 0;
            break;
        case PropertiesClick::Textured:
            if (s.textured && s.lightSourced) s.colouringStyle = 0;
            if (!s.textured && s.colouringStyle == 0) s.colouringStyle = 1;
            break;
        case PropertiesClick::StyleNone:
            if (!s.textured) s.colouringStyle = 1;
            break;
        case PropertiesClick::Other:
            break;
    }
    return s;
}

int applyPolygonProperties(Model& model, const PolygonPropertiesSettings& s) {
    const bool hasTexture = namesTexture(model, s.texture);
    const bool textured = s.textured && hasTexture;
    const std::int32_t flag = (s.lightSourced ? 0 : kMatNotLightSourced) | (s.doubleFaced ? kMatDoubleFaced : 0) |
                              (s.transparent ? kMatTransparent : 0) | (s.transparencyMode & 3) << kMatTransparencyShift;
    return changeSelected(model, [&](ModelPolygon& p) {
        for (std::size_t i = 0; i < 4; ++i) p.rgb[i] = modelColourFromChooser(s.cornerColours[i]);
        p.mat_flag = flag;
        p.shading = s.shading == 0 ? 'G' : 'F';
        p.type = kindAfterProperties(p.type, textured, s.colouringStyle);
        if (hasTexture)
            p.tId = s.texture;
        else if (!isTexturedKind(p.type))
            p.tId = -1;
    });
}

bool canPointLight(const Model& model) {
    return std::ranges::count_if(model.vertices,
                                 [](const ModelVertex& v) { return (v.flags & kVertexSelected) != 0; }) == 1;
}

int pointLight(Model& model, const PointLight& light) {
    const auto source =
        std::ranges::find_if(model.vertices, [](const ModelVertex& v) { return (v.flags & kVertexSelected) != 0; });
    if (source == model.vertices.end()) return 0;
    const ModelVertex at = *source;
    const double radius = light.radius;
    int lit = 0;
    for (ModelPolygon& p : model.polygons) {
        if (light.selectedOnly && !model.isPolygonSelected(p)) continue;
        const int corners = polygonCornerCount(p);
        std::array<double, 4> weight{};  // 0: out of reach
        bool any = false;
        for (int j = 0; j < corners; ++j) {
            const ModelVertex* v = vertexAt(model, p.vId[j]);
            if (!v) continue;
            const double d = Distance(vectorDifference(at, *v));
            if (radius > d) {
                weight[j] = (radius - d) / radius;
                any = true;
            }
        }
        if (!any) continue;
        // A kind about to become a gradation kind starts from the colour it showed.
        if (light.allowTypeChange && p.type == PTYPE_TEXTURED) p.rgb.fill(kMidGrey);
        if (light.allowTypeChange && (p.type == PTYPE_SINGLE_COLOUR || p.type == PTYPE_TEXTURED_COLOURED))
            p.rgb.fill(p.rgb[0]);
        for (int j = 0; j < corners; ++j) {
            if (weight[j] <= 0) continue;
            p.rgb[j] = litColour(p.rgb[j], light.colour, weight[j]);
            ++lit;
        }
        if (!light.allowTypeChange) continue;
        if (p.type == PTYPE_SINGLE_COLOUR) {
            p.type = PTYPE_GRADATION_COLOUR;
        } else if (p.type == PTYPE_TEXTURED || p.type == PTYPE_TEXTURED_COLOURED) {
            p.type = PTYPE_TEXTURED_GRADATION_COLOURED;
            p.mat_flag |= kMatNotLightSourced;
        }
    }
    return lit;
}

int applyQuickMaterial(Model& model, QuickMaterial command, std::int32_t colour) {
    return changeSelected(model, [&](ModelPolygon& p) {
        switch (command) {
            case QuickMaterial::VertexNormalLighting:
                p.shading = 'G';
                break;
            case QuickMaterial::FaceNormalLighting:
                p.shading = 'F';
                break;
            case QuickMaterial::FaceColour:
                p.rgb.fill(colour & 0xFFFFFF);
                break;
            case QuickMaterial::LightSourceAtRunTime:
                p.mat_flag &= ~kMatNotLightSourced;
                break;
            case QuickMaterial::NoRunTimeLighting:
                p.mat_flag |= kMatNotLightSourced;
                break;
            case QuickMaterial::Textured:
                if (p.type == PTYPE_SINGLE_COLOUR) {
                    p.type = PTYPE_TEXTURED;
                    std::fill_n(p.rgb.begin(), polygonCornerCount(p), kMidGrey);
                } else if (p.type == PTYPE_GRADATION_COLOUR) {
                    p.type = PTYPE_TEXTURED_COLOURED;  // tinted by its first corner's colour
                }
                break;
            case QuickMaterial::Coloured:
                p.tId = -1;
                if (p.type == PTYPE_TEXTURED || p.type == PTYPE_TEXTURED_COLOURED)
                    p.type = PTYPE_SINGLE_COLOUR;
                else if (p.type == PTYPE_TEXTURED_GRADATION_COLOURED)
                    p.type = PTYPE_GRADATION_COLOUR;
                break;
            case QuickMaterial::Transparent:
                p.mat_flag |= kMatTransparent;
                break;
            case QuickMaterial::Solid:
                p.mat_flag &= ~kMatTransparent;
                break;
        }
    });
}

}  // namespace kestrel::model
