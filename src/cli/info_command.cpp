// kestrel-cli info: what a model file set holds, as text for people or as JSON for tools.
// The JSON keys are a published interface: later versions add keys but never change one.
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <ostream>
#include <string>

#include "cli/commands.h"
#include "cli/json_writer.h"
#include "cli/report.h"

namespace kestrel::cli {

namespace {

using model::Model;
using model::ModelPolygon;

struct Bounds {
    std::array<double, 3> min{};
    std::array<double, 3> max{};
};

// The box around every vertex; (0,0,0)-(0,0,0) without vertices. Computed directly rather
// than from Model::extentX/Y/Z, whose ±200000 starting values would report a wrong box for
// a model lying wholly beyond that range on an axis. Non-finite coordinates have no place.
Bounds boundsOf(const Model& model) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    std::array<double, 3> low{kInf, kInf, kInf}, high{-kInf, -kInf, -kInf};
    for (const auto& v : model.vertices) {
        const std::array<double, 3> p{v.x, v.y, v.z};
        for (int axis = 0; axis < 3; ++axis) {
            if (!std::isfinite(p[axis])) continue;
            low[axis] = std::min(low[axis], p[axis]);
            high[axis] = std::max(high[axis], p[axis]);
        }
    }
    Bounds bounds;
    for (int axis = 0; axis < 3; ++axis) {
        if (low[axis] > high[axis]) continue;  // no finite coordinate on this axis
        bounds.min[axis] = low[axis];
        bounds.max[axis] = high[axis];
    }
    return bounds;
}

template <typename Values>
void writeIntegers(JsonWriter& json, const Values& values) {
    json.beginArray();
    for (const auto value : values) json.integer(value);
    json.endArray();
}

void writePoint(JsonWriter& json, const std::array<double, 3>& point) {
    json.beginArray();
    for (const double value : point) json.number(value);
    json.endArray();
}

void writePolygonJson(JsonWriter& json, const ModelPolygon& p) {
    json.beginObject();
    json.key("flags"), json.integer(p.flags);
    json.key("vId"), writeIntegers(json, p.vId);
    json.key("nId"), writeIntegers(json, p.nId);
    json.key("tu"), writeIntegers(json, p.tu);
    json.key("tv"), writeIntegers(json, p.tv);
    json.key("rgb"), writeIntegers(json, p.rgb);
    json.key("tId"), json.integer(p.tId);
    json.key("mat_flag"), json.integer(p.mat_flag);
    json.key("shading"), json.string(std::string_view(&p.shading, 1));
    json.key("type"), json.string(std::string_view(&p.type, 1));
    json.endObject();
}

}  // namespace

void writeVerticesJson(JsonWriter& json, const Model& model) {
    json.beginArray();
    for (const auto& v : model.vertices) {
        json.beginObject();
        json.key("x"), json.number(v.x);
        json.key("y"), json.number(v.y);
        json.key("z"), json.number(v.z);
        json.endObject();
    }
    json.endArray();
}

namespace {

void writeAnimationJson(JsonWriter& json, const Model& model, const animation::AnimationState& anim) {
    json.key("skeleton");
    json.beginObject();
    json.key("bones");
    json.beginArray();
    for (const auto& bone : model.skeleton.bones) {
        const auto& start = model.skeleton.joints[bone.startJoint].position;
        const auto& end = model.skeleton.joints[bone.endJoint].position;
        json.beginObject();
        json.key("start"), writePoint(json, {start.x, start.y, start.z});
        json.key("end"), writePoint(json, {end.x, end.y, end.z});
        json.key("vertices"), writeIntegers(json, bone.vertices);
        json.endObject();
    }
    json.endArray();
    json.key("joints"), json.integer(static_cast<std::int64_t>(model.skeleton.joints.size()));
    json.endObject();

    json.key("movements");
    json.beginArray();
    for (const auto& movement : anim.movements) {
        json.beginObject();
        json.key("name"), json.string(movement.name);
        json.key("keyframes");
        json.beginArray();
        for (const auto& keyframe : movement.keyframes) {
            json.beginObject();
            json.key("name"), json.string(keyframe.name);
            json.key("framesFromLast"), json.integer(keyframe.framesFromLast);
            json.endObject();
        }
        json.endArray();
        json.endObject();
    }
    json.endArray();
    json.key("baseFrame");
    if (anim.baseFrame)
        json.string(anim.baseFrame->name);
    else
        json.null();
}

std::string infoJson(const Model& model, const animation::AnimationState& anim, const InfoOptions& options) {
    std::string out;
    JsonWriter json(out);
    json.beginObject();

    json.key("counts");
    json.beginObject();
    json.key("vertices"), json.integer(model.vertexCount());
    json.key("normals"), json.integer(model.normalCount());
    json.key("polygons"), json.integer(model.polygonCount());
    json.key("groups"), json.integer(model.groupCount());
    json.key("textures"), json.integer(model.textureCount());
    json.endObject();

    json.key("paths");
    json.beginObject();
    json.key("rsd"), json.string(model.rsdFileName);
    json.key("ply"), json.string(model.plyFileName);
    json.key("mat"), json.string(model.matFileName);
    json.key("grp"), json.string(model.grpFileName);
    json.endObject();

    json.key("textures");
    json.beginArray();
    for (const auto& texture : model.textureFiles) json.string(texture);
    json.endArray();

    json.key("groups");
    json.beginArray();
    for (const auto& group : model.groups) {
        json.beginObject();
        json.key("name"), json.string(group.name);
        json.key("polygons"), writeIntegers(json, group.polygons);
        json.endObject();
    }
    json.endArray();

    const Bounds bounds = boundsOf(model);
    json.key("bounds");
    json.beginObject();
    json.key("min"), writePoint(json, bounds.min);
    json.key("max"), writePoint(json, bounds.max);
    json.endObject();

    writeAnimationJson(json, model, anim);

    if (options.vertices) {
        json.key("vertices");
        writeVerticesJson(json, model);
    }
    if (options.polygons) {
        json.key("polygons");
        json.beginArray();
        for (const auto& p : model.polygons) writePolygonJson(json, p);
        json.endArray();
    }

    json.endObject();
    out += '\n';
    return out;
}

std::string point(const std::array<double, 3>& p) {
    return formatNumber(p[0]) + ' ' + formatNumber(p[1]) + ' ' + formatNumber(p[2]);
}

std::string colour(std::int32_t rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06x", static_cast<unsigned>(rgb) & 0xFFFFFFu);
    return text;
}

void writePolygonText(std::ostream& out, int index, const ModelPolygon& p) {
    const int corners = model::polygonCornerCount(p);
    out << "  " << index << "  " << (corners == 4 ? "quad" : "tri ") << ' '
        << printable(std::string_view(&p.shading, 1)) << ' ' << printable(std::string_view(&p.type, 1)) << "  flags "
        << p.flags << "  v";
    for (const auto v : p.vId) out << ' ' << v;
    out << "  n";
    for (const auto n : p.nId) out << ' ' << n;
    out << "  texture " << p.tId << "  uv";
    for (int i = 0; i < 4; ++i) out << ' ' << p.tu[i] << ',' << p.tv[i];
    out << "  rgb";
    for (const auto c : p.rgb) out << ' ' << colour(c);
    out << "  mat_flag " << p.mat_flag << '\n';
}

void infoText(std::ostream& out, const Model& model, const InfoOptions& options) {
    out << "Vertices  " << model.vertexCount() << '\n'
        << "Normals   " << model.normalCount() << '\n'
        << "Polygons  " << model.polygonCount() << '\n'
        << "Groups    " << model.groupCount() << '\n'
        << "Textures  " << model.textureCount() << "\n\n";

    out << "Paths\n"
        << "  RSD  " << printable(model.rsdFileName) << '\n'
        << "  PLY  " << printable(model.plyFileName) << '\n'
        << "  MAT  " << printable(model.matFileName) << '\n'
        << "  GRP  " << printable(model.grpFileName) << "\n\n";

    out << "Textures\n";
    for (int i = 0; i < model.textureCount(); ++i) out << "  " << i << "  " << printable(model.textureFiles[i]) << '\n';
    if (model.textureFiles.empty()) out << "  (none)\n";

    out << "\nGroups\n";
    for (const auto& group : model.groups) {
        out << "  " << printable(group.name) << " (" << group.polygons.size() << " polygons):";
        for (const auto polygon : group.polygons) out << ' ' << polygon;
        out << '\n';
    }
    if (model.groups.empty()) out << "  (none)\n";

    const Bounds bounds = boundsOf(model);
    out << "\nBounds\n"
        << "  min  " << point(bounds.min) << '\n'
        << "  max  " << point(bounds.max) << '\n';

    if (options.vertices) {
        out << "\nVertices\n";
        for (int i = 0; i < model.vertexCount(); ++i) {
            const auto& v = model.vertices[i];
            out << "  " << i << "  " << point({v.x, v.y, v.z}) << '\n';
        }
    }
    if (options.polygons) {
        out << "\nPolygons\n";
        for (int i = 0; i < model.polygonCount(); ++i) writePolygonText(out, i, model.polygons[i]);
    }
}

}  // namespace

int runInfo(app::Document& document, const InfoOptions& options, std::ostream& out, std::ostream& err) {
    const auto opened = document.openFile(options.file);
    if (!opened) return reportError(err, opened.error());
    reportWarnings(err, *opened);
    if (options.json)
        out << infoJson(document.model(), document.animation(), options);
    else
        infoText(out, document.model(), options);
    return kExitSuccess;
}

}  // namespace kestrel::cli
