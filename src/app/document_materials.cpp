// The Document's material commands on the selected polygons.
#include "app/document.h"

namespace kestrel::app {

CommandResult Document::setPolygonProperties(const model::PolygonPropertiesSettings& settings) {
    if (current.countSelectedPolygons() == 0) return refused("select the polygons to change");
    if (settings.texture >= current.textureCount()) return refused("the model has no such texture");
    model::applyPolygonProperties(current, settings);
    changed(kModelChanged);
    return {};
}

CommandResult Document::pointLight(const model::PointLight& light) {
    if (!model::canPointLight(current)) return refused("select the one vertex the light is at");
    if (light.radius > model::kMaxLightRadius) return refused("Please enter an integer between 0 and 32767.");
    model::pointLight(current, light);
    changed(kModelChanged);
    return {};
}

CommandResult Document::quickMaterial(model::QuickMaterial command, std::int32_t colour) {
    if (current.countSelectedPolygons() == 0) return refused("select the polygons to change");
    model::applyQuickMaterial(current, command, colour);
    changed(kModelChanged);
    return {};
}

}  // namespace kestrel::app
