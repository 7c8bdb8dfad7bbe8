// kestrel-cli render: one edit view of a model, drawn as the program draws it, as a PNG.
#include <cctype>
#include <cstdio>
#include <functional>
#include <numbers>
#include <optional>
#include <ostream>

#include "animation/preview.h"
#include "cli/commands.h"
#include "cli/report.h"
#include "formats/gif_writer.h"
#include "formats/host_path.h"
#include "formats/png_writer.h"
#include "formats/text_scan.h"
#include "render/edit_view.h"
#include "render/software_device.h"
#include "render/view_textures.h"

namespace kestrel::cli {

namespace {

render::DisplayMode modeNamed(const std::string& name) {
    if (name == "textured") return render::DisplayMode::Textured;
    if (name == "uv") return render::DisplayMode::TextureUvEdit;
    if (name == "timeline") return render::DisplayMode::MovementTimeline;
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

// The output name for a frame: the name's one %d (with an optional width, %03d) filled in.
std::optional<std::string> frameName(const std::string& pattern, int frame) {
    const auto percent = pattern.find('%');
    if (percent == std::string::npos || pattern.find('%', percent + 1) != std::string::npos) return std::nullopt;
    std::size_t end = percent + 1;
    while (end < pattern.size() && isdigit(static_cast<unsigned char>(pattern[end]))) ++end;
    if (end >= pattern.size() || pattern[end] != 'd' || end - percent > 4) return std::nullopt;
    char number[32];
    std::snprintf(number, sizeof number, ("%" + pattern.substr(percent + 1, end - percent)).c_str(), frame);
    return pattern.substr(0, percent) + number + pattern.substr(end + 1);
}

const animation::Movement* movementNamed(const app::Document& document, const std::string& name) {
    for (const auto& m : document.animation().movements)
        if (m.name == name) return &m;
    return nullptr;
}

int noMovement(std::ostream& err, const RenderOptions& options) {
    return reportError(err,
                       formats::makeError(options.file, 0, "there is no movement named '" + options.movement + "'"));
}

}  // namespace

// The preview frames of the movement the options name, first to last, each handed to the sink
// with its number; what the sink returns ends the walk.
using FrameSink = std::function<std::optional<int>(const model::Model&, int frame)>;
static int forPreviewFrames(app::Document& document, const RenderOptions& options, const FrameSink& sink,
                            std::ostream& err) {
    const animation::Movement* movement = movementNamed(document, options.movement);
    if (!movement) return noMovement(err, options);
    animation::PreviewPlayer player(document.movementBase(), *movement);
    int first = 1, last = player.frameCount();
    if (!options.frames.empty()) {
        std::string_view range = options.frames;
        std::int32_t a = 0, b = 0;
        const auto dash = range.find('-');
        std::string_view left = range.substr(0, dash),
                         right = dash == std::string_view::npos ? left : range.substr(dash + 1);
        if (!formats::scanInt(left, a) || !formats::scanInt(right, b) || !left.empty() || !right.empty() || a < 1 ||
            b < a)
            return reportError(err, formats::makeError("", 0, "--frames takes A-B, from 1, with A no more than B"));
        first = a;
        last = std::min<int>(b, player.frameCount());
    }
    if (last < first)
        return reportError(err, formats::makeError(options.file, 0,
                                                   "the movement '" + options.movement + "' has " +
                                                       formats::countOf(player.frameCount(), "frame")));
    while (player.next())
        if (player.frame() >= first && player.frame() <= last)
            if (auto failed = sink(player.pose(), player.frame())) return *failed;
    return kExitSuccess;
}

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
            return reportError(
                err, formats::makeError(options.file, 0, "there is no keyframe named '" + options.keyframe + "'"));
        document.select({app::ProjectItem::Keyframe, options.keyframe});
    }

    render::SoftwareDevice device(options.width, options.height);
    device.setBackground(options.background);
    render::EditView view = viewFor(options);
    if (options.fit) view.scaleToFit(document.model(), device.width(), device.height(), render::EditView::Fit::Margin);

    const auto textures = render::viewTextures(device, document.textureSlots());
    const auto draw = [&](const model::Model& model) {
        render::paintEditView(device, model, view, {false, textures, options.texture, {}});
    };
    const auto save = [&](const std::string& path, const std::string& bytes, const char* kind) -> std::optional<int> {
        if (bytes.empty())
            return reportError(err,
                               formats::makeError(path, 0, std::string("the picture cannot be written as ") + kind));
        if (auto written = formats::writeFileSafely(document.files(), path, bytes); !written)
            return reportError(err, written.error());
        out << "wrote " << printable(path) << '\n';
        return std::nullopt;
    };
    const auto png = [&] { return formats::writePng(device.width(), device.height(), device.pixels()); };
    if (view.mode == render::DisplayMode::MovementTimeline) {
        const animation::Movement* movement =
            options.movement.empty() ? nullptr : movementNamed(document, options.movement);
        if (!options.movement.empty() && !movement) return noMovement(err, options);
        render::MotionGraph graph = render::motionGraphOf(document.movementBase(), movement);
        graph.background = options.background;
        render::paintEditView(device, document.model(), view, {false, textures, -1, {}, &graph});
        return save(options.output, png(), "a PNG").value_or(kExitSuccess);
    }
    if (options.movement.empty()) {
        draw(document.model());
        return save(options.output, png(), "a PNG").value_or(kExitSuccess);
    }
    if (formats::hasExtension(options.output, "GIF")) {
        // One animated picture: a frame each 20 ms, about as the window plays them.
        formats::AnimatedGif gif(device.width(), device.height(), 2);
        const int walked = forPreviewFrames(
            document, options,
            [&](const model::Model& pose, int) -> std::optional<int> {
                draw(pose);
                if (!gif.add(device.pixels()))
                    return reportError(
                        err, formats::makeError(options.output, 0, "the animation cannot be written as a GIF"));
                return std::nullopt;
            },
            err);
        if (walked != kExitSuccess) return walked;
        return save(options.output, gif.finish(), "a GIF").value_or(kExitSuccess);
    }
    if (!frameName(options.output, 1))
        return reportError(
            err, formats::makeError(options.output, 0,
                                    "the output name needs one %d for the frame number, as in frame_%03d.png, or "
                                    "to end in .gif"));
    return forPreviewFrames(
        document, options,
        [&](const model::Model& pose, int frame) {
            draw(pose);
            return save(*frameName(options.output, frame), png(), "a PNG");
        },
        err);
}

}  // namespace kestrel::cli
