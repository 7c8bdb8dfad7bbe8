// The Document's material commands on the selected polygons.
#include "app/document.h"

namespace kestrel::app {

namespace {

// The undo step's name: the menu item's text.
const char* quickMaterialName(model::QuickMaterial command) {
    using model::QuickMaterial;
    switch (command) {
        case QuickMaterial::VertexNormalLighting:
            return "Use Vertex Normal Lighting";
        case QuickMaterial::FaceNormalLighting:
            return "Use Face Normal Lighting";
        case QuickMaterial::FaceColour:
            return "Set Face Colour";
        case QuickMaterial::LightSourceAtRunTime:
            return "Light source at run time";
        case QuickMaterial::NoRunTimeLighting:
            return "Don't light source at run time";
        case QuickMaterial::Textured:
            return "Textured";
        case QuickMaterial::Coloured:
            return "Coloured";
        case QuickMaterial::Transparent:
            return "Transparent";
        case QuickMaterial::Solid:
            return "Solid";
    }
    return "Material";
}

}  // namespace

CommandResult Document::setPolygonProperties(const model::PolygonPropertiesSettings& settings) {
    if (current.countSelectedPolygons() == 0) return refused("select the polygons to change");
    if (settings.texture >= current.textureCount()) return refused("the model has no such texture");
    model::applyPolygonProperties(current, settings);
    changed(kModelChanged, "Polygon Properties");
    return {};
}

CommandResult Document::pointLight(const model::PointLight& light) {
    if (!model::canPointLight(current)) return refused("select the one vertex the light is at");
    if (light.radius > model::kMaxLightRadius) return refused("Please enter an integer between 0 and 32767.");
    model::pointLight(current, light);
    changed(kModelChanged, "Point Lighting");
    return {};
}

CommandResult Document::quickMaterial(model::QuickMaterial command, std::int32_t colour) {
    if (current.countSelectedPolygons() == 0) return refused("select the polygons to change");
    model::applyQuickMaterial(current, command, colour);
    changed(kModelChanged, quickMaterialName(command));
    return {};
}

}  // namespace kestrel::app
