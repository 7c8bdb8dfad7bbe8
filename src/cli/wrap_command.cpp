// kestrel-cli wrap and light: "Wrap Texture Round Object" and "Point Lighting" from the
// command line.
#include <cstdio>
#include <ostream>

#include "cli/commands.h"
#include "cli/report.h"

namespace kestrel::cli {

namespace {

std::optional<model::WrapType> wrapTypeNamed(const std::string& name) {
    using model::WrapType;
    if (name == "cylinder-y") return WrapType::CylinderY;
    if (name == "cylinder-x") return WrapType::CylinderX;
    if (name == "sphere-centre") return WrapType::SphereCentre;
    if (name == "sphere-normal") return WrapType::SphereNormal;
    if (name == "planar") return WrapType::Planar;
    return std::nullopt;
}

std::optional<model::PlanarFace> faceNamed(const std::string& name) {
    using model::PlanarFace;
    if (name == "Y+") return PlanarFace::YPlus;
    if (name == "Y-") return PlanarFace::YMinus;
    if (name == "X+") return PlanarFace::XPlus;
    if (name == "X-") return PlanarFace::XMinus;
    if (name == "Z+") return PlanarFace::ZPlus;
    if (name == "Z-") return PlanarFace::ZMinus;
    return std::nullopt;
}

// Saves what the command changed in the current model: the whole set when there is no base
// frame (or every frame was changed), else the current model alone, since the base frame
// written with the movements would not show the change.
int saveChanged(app::Document& document, const std::string& output, bool everyFrame, std::ostream& out,
                std::ostream& err) {
    const bool whole = everyFrame || !document.animation().baseFrame;
    const auto saved = whole ? document.saveAs(output) : document.saveCurrentAs(output);
    if (!saved) return reportError(err, saved.error());
    reportWarnings(err, saved->warnings);
    for (const auto& path : saved->written) out << "wrote " << printable(path) << '\n';
    return kExitSuccess;
}

}  // namespace

int runWrap(app::Document& document, const WrapCommandOptions& o, std::ostream& out, std::ostream& err) {
    const auto type = wrapTypeNamed(o.type);
    const auto face = faceNamed(o.plane);
    if (!type || !face || (!o.repeat.empty() && o.repeat.size() != 2))
        return reportError(err, formats::makeError(o.input, 0, "--type, --plane or --repeat is not one the wrap knows"));
    const auto opened = document.openFile(o.input);
    if (!opened) return reportError(err, opened.error());
    reportWarnings(err, *opened);

    app::WrapParams params;
    params.options.type = *type;
    params.options.face = *face;
    params.options.exact = !o.inexact;
    if (!o.repeat.empty()) params.options.repeatX = o.repeat[0], params.options.repeatY = o.repeat[1];
    params.options.flipHorizontally = o.flipH;
    params.options.flipVertically = o.flipV;
    params.options.swap = o.swap;
    params.options.selectedOnly = o.selected;
    params.texture = o.texture;
    params.allFrames = o.allFrames;
    if (const auto wrapped = document.wrapTexture(params); !wrapped)
        return reportError(err, formats::makeError(o.input, 0, wrapped.error()));
    int textured = 0;
    for (const auto& p : document.model().polygons) textured += p.wrapMark == 1;
    out << "wrapped " << textured << " of " << document.model().polygonCount() << " polygons\n";
    return saveChanged(document, o.output, o.allFrames, out, err);
}

int runLight(app::Document& document, const LightCommandOptions& o, std::ostream& out, std::ostream& err) {
    unsigned rgb = 0;
    char end = 0;
    if (o.colour.size() != 6 || std::sscanf(o.colour.c_str(), "%6x%c", &rgb, &end) != 1)
        return reportError(err, formats::makeError(o.input, 0, "--colour takes RRGGBB"));
    const auto opened = document.openFile(o.input);
    if (!opened) return reportError(err, opened.error());
    reportWarnings(err, *opened);
    auto& vertices = document.model().vertices;
    if (o.vertex < 0 || o.vertex >= static_cast<int>(vertices.size()))
        return reportError(err, formats::makeError(o.input, 0, "the model has no vertex " + std::to_string(o.vertex)));
    document.selectNone();
    vertices[static_cast<std::size_t>(o.vertex)].flags |= model::kVertexSelected;
    const model::Model before = document.model();
    const model::PointLight light{static_cast<std::int32_t>(rgb), o.radius, o.selected, !o.keepTypes};
    if (const auto lit = document.pointLight(light); !lit)
        return reportError(err, formats::makeError(o.input, 0, lit.error()));
    int corners = 0;
    const auto& now = document.model().polygons;
    for (std::size_t p = 0; p < now.size(); ++p)
        for (int k = 0; k < 4; ++k) corners += now[p].rgb[k] != before.polygons[p].rgb[k];
    out << "changed " << corners << " corner colours\n";
    return saveChanged(document, o.output, false, out, err);
}

}  // namespace kestrel::cli
