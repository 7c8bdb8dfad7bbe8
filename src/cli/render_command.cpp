// kestrel-cli render: one edit view of a model, drawn as the program draws it, as a PNG.
#include <cstdio>
#include <numbers>
#include <ostream>

#include "cli/commands.h"
#include "cli/report.h"
#include "formats/png_writer.h"
#include "render/edit_view.h"
#include "render/software_device.h"
#include "render/view_textures.h"

namespace kestrel::cli {

namespace {

render::DisplayMode modeNamed(const std::string& name) {
    if (name == "textured") return render::DisplayMode::Textured;
    if (name == "uv") return render::DisplayMode::TextureUvEdit;
    return render::DisplayMode::Wireframe;
}

render::EditView viewFor(const RenderOptions& options) {
    render::EditView view;
    view.mode = modeNamed(options.mode);
    if (options.view == "side") view.side();
    if (options.view == "top") view.top();
    constexpr double kRadiansPerDegree = std::numbers::pi / 180;
    if (options.rotate.size() == 2) {
        view.rotationX += options.rotate[0] * kRadiansPerDegree;
        view.rotationY += options.rotate[1] * kRadiansPerDegree;
    }
    if (options.scale) view.scale = *options.scale;
    if (options.pan.size() == 2) view.panX = options.pan[0], view.panY = options.pan[1];
    view.showGrid = options.grid;
    view.showVertices = options.vertices;
    view.showAxes = !options.noAxes;
    view.showBones = !options.noBones;
    view.showModel = !options.noModel;
    return view;
}

}  // namespace

int runRender(app::Document& document, const RenderOptions& options, std::ostream& out, std::ostream& err) {
    const auto opened = document.openFile(options.file);
    if (!opened) return reportError(err, opened.error());
    reportWarnings(err, *opened);
    if (!options.keyframe.empty()) {
        const auto& animation = document.animation();
        bool known = animation.baseFrame && animation.baseFrame->name == options.keyframe;
        for (const auto& movement : animation.movements)
            for (const auto& keyframe : movement.keyframes) known = known || keyframe.name == options.keyframe;
        if (!known)
            return reportError(err, formats::makeError(options.file, 0, "there is no keyframe named '" + options.keyframe + "'"));
        document.select({app::ProjectItem::Keyframe, options.keyframe});
    }

    render::SoftwareDevice device(options.width, options.height);
    device.setBackground(options.background);
    render::EditView view = viewFor(options);
    if (options.fit) view.scaleToFit(document.model(), device.width(), device.height());

    const auto textures = render::viewTextures(device, document.textureSlots());
    render::paintEditView(device, document.model(), view, {false, textures, options.texture});

    const std::string png = formats::writePng(device.width(), device.height(), device.pixels());
    if (png.empty()) return reportError(err, formats::makeError(options.output, 0, "the picture cannot be written as a PNG"));
    if (auto error = formats::writeFileSafely(document.files(), options.output, png)) return reportError(err, *error);
    out << "wrote " << printable(options.output) << '\n';
    return kExitSuccess;
}

}  // namespace kestrel::cli
