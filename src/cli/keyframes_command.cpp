// kestrel-cli keyframes: every pose of one movement, for pipelines that check animation.
#include <algorithm>
#include <ostream>

#include "animation/skeleton_ops.h"
#include "cli/commands.h"
#include "cli/json_writer.h"
#include "cli/report.h"

namespace kestrel::cli {

namespace {

// The joints in listing order, as the BONE file numbers them.
void writeJoints(JsonWriter& json, model::Skeleton skeleton) {
    json.beginArray();
    for (int j : animation::listSkeleton(skeleton)) {
        const auto& p = skeleton.joints[j].position;
        json.beginArray();
        json.number(p.x);
        json.number(p.y);
        json.number(p.z);
        json.endArray();
    }
    json.endArray();
}

}  // namespace

int runKeyframes(app::Document& document, const KeyframesOptions& options, std::ostream& out, std::ostream& err) {
    const auto opened = document.openFile(options.file);
    if (!opened) return reportError(err, opened.error());
    reportWarnings(err, *opened);
    const auto& movements = document.animation().movements;
    const auto it =
        std::find_if(movements.begin(), movements.end(), [&](const auto& m) { return m.name == options.movement; });
    if (it == movements.end()) {
        err << "error: " << printable(options.file) << ": no movement is named '" << printable(options.movement)
            << "'\n";
        return kExitFailure;
    }
    if (!options.json) {
        out << "Movement " << printable(it->name) << ": " << it->keyframes.size() << " keyframes\n";
        for (const auto& k : it->keyframes)
            out << "  " << printable(k.name) << "  " << k.framesFromLast << " frames, " << k.model.vertexCount()
                << " vertices, " << k.model.skeleton.joints.size() << " joints\n";
        return kExitSuccess;
    }
    std::string text;
    JsonWriter json(text);
    json.beginObject();
    json.key("movement"), json.string(it->name);
    json.key("keyframes");
    json.beginArray();
    for (const auto& k : it->keyframes) {
        json.beginObject();
        json.key("name"), json.string(k.name);
        json.key("framesFromLast"), json.integer(k.framesFromLast);
        json.key("vertices"), writeVerticesJson(json, k.model);
        json.key("joints"), writeJoints(json, k.model.skeleton);
        json.endObject();
    }
    json.endArray();
    json.endObject();
    out << text << '\n';
    return kExitSuccess;
}

}  // namespace kestrel::cli
