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

// Saves the whole set: the edit frame is the base frame's pose, so the change is in it.
int saveChanged(app::Document& document, const std::string& output, std::ostream& out, std::ostream& err) {
    const auto saved = document.saveAs(output);
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
        return reportError(err,
                           formats::makeError(o.input, 0, "--type, --plane or --repeat is not one the wrap knows"));
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
    return saveChanged(document, o.output, out, err);
}

int runLight(app::Document& document, const LightCommandOptions& o, std::ostream& out, std::ostream& err) {
    unsigned rgb = 0;
    char end = 0;
    if (o.colour.size() != 6 || std::sscanf(o.colour.c_str(), "%6x%c", &rgb, &end) != 1)
        return reportError(err, formats::makeError(o.input, 0, "--colour takes RRGGBB"));
    const auto opened = document.openFile(o.input);
    if (!opened) return reportError(err, opened.error());
    reportWarnings(err, *opened);
    if (const auto picked = document.selectVertices({o.vertex}); !picked)
        return reportError(err, formats::makeError(o.input, 0, picked.error()));
    const model::Model before = document.model();
    const model::PointLight light{static_cast<std::int32_t>(rgb), o.radius, o.selected, !o.keepTypes};
    if (const auto lit = document.pointLight(light); !lit)
        return reportError(err, formats::makeError(o.input, 0, lit.error()));
    int corners = 0;
    const auto& now = document.model().polygons;
    for (std::size_t p = 0; p < now.size(); ++p)
        for (int k = 0; k < 4; ++k) corners += now[p].rgb[k] != before.polygons[p].rgb[k];
    out << "changed " << corners << " corner colours\n";
    return saveChanged(document, o.output, out, err);
}

}  // namespace kestrel::cli
