#include "tools/double_click_menu.h"

namespace kestrel::tools {

std::vector<MenuItem> doubleClickMenu(const model::Model& model, render::DisplayMode mode) {
    std::vector<MenuItem> items;
    int whole = 0, gouraud = 0, unlit = 0, textured = 0, transparent = 0;
    for (const model::ModelPolygon& p : model.polygons) {
        bool all = true;
        for (int k = 0; k < model::polygonCornerCount(p); ++k) {
            const auto v = static_cast<std::size_t>(p.vId[k]);
            all = all && v < model.vertices.size() && (model.vertices[v].flags & model::kVertexSelected);
        }
        if (!all) continue;
        ++whole;
        gouraud += p.shading == 'G';
        unlit += (p.mat_flag & 1) != 0;
        textured += p.tId != -1;
        transparent += (p.mat_flag & 4) != 0;
    }
    if (whole > 0) {
        items.push_back({"Use Vertex Normal Lighting (Gourard Shading)", 32824, gouraud == whole});
        items.push_back({"Use Face Normal Lighting (Flat Shading)", 32825, gouraud == 0, true});
        items.push_back({"Light source at runtime", 32829, unlit == 0});
        items.push_back({"Don't light source at runtime", 32830, unlit == whole, true});
        items.push_back({"Set Face Colour", 32826, false, true});
        items.push_back({"Textured Face", 32847, textured > 0});
        items.push_back({"Coloured Face", 32848, textured == 0});
        items.push_back({"Solid Colour", 32850, transparent == 0});
        items.push_back({"Transparent", 32849, transparent == whole, true});
    }
    using render::DisplayMode;
    items.push_back({"View Textured", 32831, mode == DisplayMode::Textured});
    items.push_back({"View Wireframe", 32832, mode == DisplayMode::Wireframe});
    items.push_back({"View UV Edit", 32864, mode == DisplayMode::TextureUvEdit});
    items.push_back({"View Motion Speed", 32865, mode == DisplayMode::MovementTimeline});
    items.push_back({"View Side", 32839});
    items.push_back({"View Top", 32840});
    items.push_back({"View Front", 32841, false, true});
    items.push_back({"Vertex options", 0});
    items.push_back({"Vertex option 2", 0});
    return items;
}

}  // namespace kestrel::tools
