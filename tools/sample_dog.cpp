#include "sample_dog.h"

#include <array>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/document.h"
#include "formats/file_system.h"
#include "formats/number_format.h"
#include "formats/text_scan.h"
#include "formats/tim.h"
#include "sample_dog_textures.h"
#include "sample_mesh.h"

namespace kestrel::samples {

namespace {

using model::makeVector;
using model::ModelVertex;
using Vertices = std::vector<int>;

constexpr const char* kRsd = "dog.rsd";
constexpr const char* kPlate = "dog_plate.tim";
constexpr const char* kFace = "dog_face.tim";
constexpr const char* kPads = "dog_pads.tim";

const ModelVertex kAlongX = makeVector(1, 0, 0), kAlongY = makeVector(0, 1, 0), kAlongZ = makeVector(0, 0, 1);

Vertices joined(std::initializer_list<const Vertices*> lists) {
    Vertices all;
    for (const Vertices* list : lists) all.insert(all.end(), list->begin(), list->end());
    return all;
}

Vertices range(int first, int end) {
    Vertices all;
    for (int v = first; v < end; ++v) all.push_back(v);
    return all;
}

// A cross-section of a body lofted along Z: an octagon of half sides w and h about (0, y, z).
struct Section {
    double z, w, h, y;
};

// A direction at right angles to d within the YZ plane, for rings round a limb that runs in it.
ModelVertex acrossYz(const ModelVertex& d) {
    const double length = std::hypot(d.y, d.z);
    return makeVector(0, -d.z / length, d.y / length);
}

struct Leg {
    const char* group;
    double x, z;
    Vertices hub{}, thigh{}, knee{}, shin{}, paw{};
    int kneeJoint = -1, ankleJoint = -1, toeJoint = -1;
};

struct Dog {
    Vertices torsoTop, torsoSides, belly, torsoCaps, backpack;
    Vertices neck, collar, tag;
    Vertices headTop, headSides, headUnder, headBack, face, ears;
    Vertices muzzle, nose, visor;
    Vertices tailRoot, tailTip, lamp;
    // The dog faces -Z with Y down, so its left side is +X.
    std::array<Leg, 4> legs{Leg{"leg front left", 46, -70}, Leg{"leg front right", -46, -70},
                            Leg{"leg rear left", 46, 70}, Leg{"leg rear right", -46, 70}};
    int pelvis = -1, chest = -1, neckTop = -1, snout = -1, tailMiddle = -1;  // joints
};

// One joint turned about the depth axis of a view while posing.
enum class View { Front, Side, Top };
struct Turn {
    int joint;
    View view;
    double angle;
};
struct Pose {
    const char* name;
    int frames;
    std::vector<Turn> turns;  // applied in order from the rest pose
};

model::PolygonPropertiesSettings colour(std::int32_t rgb, bool gouraud) {
    model::PolygonPropertiesSettings s;
    s.colouringStyle = 1;
    s.shading = gouraud ? 0 : 1;
    s.cornerColours.fill(model::chooserColourFromModel(rgb));
    return s;
}

model::PolygonPropertiesSettings gradation(std::int32_t top, std::int32_t bottom) {
    model::PolygonPropertiesSettings s = colour(top, true);
    s.colouringStyle = 2;
    s.cornerColours[2] = s.cornerColours[3] = model::chooserColourFromModel(bottom);
    return s;
}

// Textured and lit at run time: the texture carries the colour.
model::PolygonPropertiesSettings textured(int texture, bool gouraud) {
    model::PolygonPropertiesSettings s;
    s.colouringStyle = 0;
    s.textured = true;
    s.texture = texture;
    s.shading = gouraud ? 0 : 1;
    return s;
}

model::PolygonPropertiesSettings seeThrough(model::PolygonPropertiesSettings s, int mode, bool lit) {
    s.transparent = true;
    s.transparencyMode = mode;
    s.lightSourced = lit;
    return s;
}

class DogBuilder {
public:
    explicit DogBuilder(app::Document& document) : doc(document) {}

    std::optional<std::string> build() {
        buildBody();
        buildHead();
        buildLegs();
        buildTail();
        buildVisorAndLamp();  // last: the see-through parts are drawn over what is behind them
        keepToFilePrecision();
        if (!failure) makeGroups();
        if (!failure) paint();
        if (!failure) makeSkeleton();
        if (!failure) makeMovements();
        return failure;
    }

private:
    // Keeps the first refusal, naming the step; the steps after it are skipped by build().
    void need(const app::CommandResult& result, const std::string& step) {
        if (!result && !failure) failure = step + ": " + result.error();
    }

    // Builds a piece with the model's own records and returns the vertices it added.
    Vertices piece(const char* step, const std::function<void(model::Model&)>& make) {
        const int first = doc.model().vertexCount();
        doc.edit(step, make);
        return range(first, doc.model().vertexCount());
    }

    // An Object Creator primitive (100 units across, at the origin) stretched, tilted about Z
    // and moved into place as a user would with its group picked; its own group goes again,
    // since the piece joins a larger group later.
    Vertices primitive(model::PrimitiveKind kind, int subdivisions, ModelVertex stretch, double tilt, ModelVertex at) {
        const int first = doc.model().vertexCount();
        model::PrimitiveParams params;
        params.kind = kind;
        params.name = "part";
        params.subdivisions = subdivisions;
        need(doc.addPrimitive(params), "a primitive");
        if (failure) return {};
        doc.selectNone();
        doc.select({app::ProjectItem::Group, "part", doc.model().groupCount() - 1});
        const auto eachSelected = [](model::Model& m, const std::function<void(ModelVertex&)>& change) {
            for (ModelVertex& v : m.vertices)
                if (v.flags & model::kVertexSelected) change(v);
        };
        doc.edit("Stretch", [&](model::Model& m) {
            eachSelected(m, [&](ModelVertex& v) { v.x *= stretch.x, v.y *= stretch.y, v.z *= stretch.z; });
        });
        if (tilt != 0)
            doc.edit("Rotate", [&](model::Model& m) {
                const double c = std::cos(tilt), s = std::sin(tilt);
                eachSelected(m, [&](ModelVertex& v) {
                    const double x = v.x * c - v.y * s;
                    v.y = v.x * s + v.y * c;
                    v.x = x;
                });
            });
        doc.edit("Move", [&](model::Model& m) { m.translate(at, model::VertexSet::Selected, false); });
        need(doc.ungroup(), "a primitive's group");
        doc.selectNone();
        return range(first, doc.model().vertexCount());
    }

    void buildBody() {
        static constexpr Section kTorso[] = {{-108, 24, 20, -90}, {-96, 33, 28, -89}, {-40, 36, 30, -87},
                                             {0, 35, 29, -86},    {40, 36, 30, -87},  {96, 33, 28, -90},
                                             {108, 24, 20, -92}};
        std::vector<Vertices> rings;
        const auto ringAt = [](const Section& s) {
            return place(octagon(s.w, s.h), makeVector(0, s.y, s.z), kAlongX, kAlongY);
        };
        piece("Build torso", [&](model::Model& m) {
            for (const Section& s : kTorso) rings.push_back(addPoints(m, ringAt(s)));
            tube(m, rings);
        });
        // The octagon's points 7, 0, 1, 2 bound the top faces, 2-3 and 6-7 the sides, 3 to 6 the belly.
        for (const Vertices& r : rings) {
            dog.torsoTop.insert(dog.torsoTop.end(), {r[7], r[0], r[1], r[2]});
            dog.torsoSides.insert(dog.torsoSides.end(), {r[2], r[3], r[6], r[7]});
            dog.belly.insert(dog.belly.end(), {r[3], r[4], r[5], r[6]});
        }
        // The end plates are modelled apart, on copies of the end rings: the optimiser's merge
        // joins them to the body.
        dog.torsoCaps = piece("Build end plates", [&](model::Model& m) {
            for (const Section* end : {&kTorso[0], &kTorso[std::size(kTorso) - 1]})
                cap(m, addPoints(m, ringAt(*end)), makeVector(0, -87, 0));
        });
        dog.backpack =
            primitive(model::PrimitiveKind::Cube, 0, makeVector(0.36, 0.16, 0.56), 0, makeVector(0, -121, 20));

        // The neck rises from the chest into the head, the collar a third of the way up.
        const ModelVertex from = makeVector(0, -108, -90), to = makeVector(0, -140, -116);
        const ModelVertex d = model::vectorDifference(to, from);
        const ModelVertex up = acrossYz(d);
        const auto along = [&](double t) { return makeVector(from.x + d.x * t, from.y + d.y * t, from.z + d.z * t); };
        dog.neck = piece("Build neck", [&](model::Model& m) {
            tube(m, {addPoints(m, place(regular(6, 12), from, kAlongX, up)),
                     addPoints(m, place(regular(6, 10), to, kAlongX, up))});
        });
        dog.collar = piece("Build collar", [&](model::Model& m) {
            tube(m, {addPoints(m, place(regular(8, 15.5), along(0.3), kAlongX, up)),
                     addPoints(m, place(regular(8, 14.5), along(0.44), kAlongX, up))});
        });
        dog.tag =
            primitive(model::PrimitiveKind::Sphere, 0, makeVector(0.045, 0.06, 0.025), 0, makeVector(0, -105, -115));
    }

    void buildHead() {
        static constexpr Section kHead[] = {
            {-98, 21, 19, -153}, {-106, 27, 24, -153}, {-146, 27, 24, -153}, {-151, 25, 22, -153}};
        const ModelVertex middle = makeVector(0, -153, -125);
        std::vector<Vertices> rings;
        piece("Build head", [&](model::Model& m) {
            for (const Section& s : kHead)
                rings.push_back(addPoints(m, place(octagon(s.w, s.h), makeVector(0, s.y, s.z), kAlongX, kAlongY)));
            tube(m, rings);
            cap(m, rings[0], middle);
        });
        for (const Vertices& r : rings) {
            dog.headTop.insert(dog.headTop.end(), {r[7], r[0], r[1], r[2]});
            dog.headSides.insert(dog.headSides.end(), {r[2], r[3], r[6], r[7]});
            dog.headUnder.insert(dog.headUnder.end(), {r[3], r[4], r[5], r[6]});
        }
        dog.headBack = rings[0];
        dog.headBack.push_back(doc.model().vertexCount() - 1);  // the back plate's middle
        // The face is a screen set into the front, on its own copy of the front ring.
        const Section& front = kHead[std::size(kHead) - 1];
        dog.face = piece("Build face", [&](model::Model& m) {
            cap(m, addPoints(m, place(octagon(front.w, front.h), makeVector(0, front.y, front.z), kAlongX, kAlongY)),
                middle);
        });
        dog.muzzle = piece("Build muzzle", [&](model::Model& m) {
            std::vector<Vertices> muzzle;
            for (const Section& s :
                 {Section{-148, 14, 9, -137}, Section{-162, 14, 9, -137}, Section{-171, 12, 7.5, -138}})
                muzzle.push_back(addPoints(m, place(octagon(s.w, s.h), makeVector(0, s.y, s.z), kAlongX, kAlongY)));
            tube(m, muzzle);
            cap(m, muzzle.back(), makeVector(0, -137, -160));
        });
        dog.nose =
            primitive(model::PrimitiveKind::Sphere, 1, makeVector(0.1, 0.08, 0.08), 0, makeVector(0, -144, -172));
        for (const double side : {1.0, -1.0}) {
            const Vertices ear = primitive(model::PrimitiveKind::Pyramid, 0, makeVector(0.11, 0.3, 0.09), 0.3 * side,
                                           makeVector(15 * side, -173, -122));
            dog.ears.insert(dog.ears.end(), ear.begin(), ear.end());
        }
    }

    void buildLegs() {
        for (Leg& leg : dog.legs) {
            const double side = leg.x > 0 ? 1 : -1;
            leg.hub = piece("Build hip", [&](model::Model& m) {
                const Vertices inner =
                    addPoints(m, place(regular(6, 15), makeVector(34 * side, -80, leg.z), kAlongZ, kAlongY));
                const Vertices outer =
                    addPoints(m, place(regular(6, 14), makeVector(40 * side, -80, leg.z), kAlongZ, kAlongY));
                tube(m, {inner, outer});
                cap(m, outer, makeVector(37 * side, -80, leg.z));
            });
            const auto limb = [&](double top, double topRadius, double bottom, double bottomRadius) {
                return piece("Build limb", [&](model::Model& m) {
                    tube(m,
                         {addPoints(m, place(regular(6, topRadius), makeVector(leg.x, top, leg.z), kAlongX, kAlongZ)),
                          addPoints(
                              m, place(regular(6, bottomRadius), makeVector(leg.x, bottom, leg.z), kAlongX, kAlongZ))});
                });
            };
            leg.thigh = limb(-84, 10, -50, 8);
            leg.knee =
                primitive(model::PrimitiveKind::Sphere, 1, makeVector(0.2, 0.2, 0.2), 0, makeVector(leg.x, -46, leg.z));
            leg.shin = limb(-43, 7, -14, 6);
            leg.paw = primitive(model::PrimitiveKind::Cube, 0, makeVector(0.22, 0.14, 0.30), 0,
                                makeVector(leg.x, -7, leg.z - 5));
        }
    }

    void buildTail() {
        static const ModelVertex kCentres[] = {makeVector(0, -98, 104), makeVector(0, -108, 122),
                                               makeVector(0, -126, 136), makeVector(0, -148, 143)};
        static constexpr double kRadii[] = {7, 6, 5, 4};
        std::vector<Vertices> rings;
        piece("Build tail", [&](model::Model& m) {
            for (std::size_t i = 0; i < std::size(kCentres); ++i) {
                const ModelVertex& before = kCentres[i > 0 ? i - 1 : i];
                const ModelVertex& after = kCentres[i + 1 < std::size(kCentres) ? i + 1 : i];
                const ModelVertex up = acrossYz(model::vectorDifference(after, before));
                rings.push_back(addPoints(m, place(regular(6, kRadii[i]), kCentres[i], kAlongX, up)));
            }
            tube(m, rings);
        });
        dog.tailRoot = joined({&rings[0], &rings[1]});
        dog.tailTip = joined({&rings[2], &rings[3]});
    }

    void buildVisorAndLamp() {
        dog.visor = piece("Build visor", [](model::Model& m) {
            static constexpr double kXs[] = {-22, -11, 0, 11, 22};
            static constexpr double kYs[] = {-170, -158, -146};
            std::vector<Vertices> rows;
            for (const double y : kYs) {
                Vertices row;
                for (const double x : kXs)
                    row.push_back(m.addVertex(makeVector(x, y, -153.5 - 4.5 * (1 - (x / 26) * (x / 26)))));
                rows.push_back(row);
            }
            const ModelVertex inside = makeVector(0, -158, -130);
            for (std::size_t r = 0; r + 1 < rows.size(); ++r)
                for (std::size_t c = 0; c + 1 < std::size(kXs); ++c) {
                    const int a = rows[r][c], b = rows[r][c + 1], d = rows[r + 1][c], e = rows[r + 1][c + 1];
                    const int p = facesOut(m, a, b, d, inside) ? m.addPolygon(a, b, d, e) : m.addPolygon(b, a, e, d);
                    m.polygons[static_cast<std::size_t>(p)].flags = 1;
                }
        });
        dog.lamp =
            primitive(model::PrimitiveKind::Sphere, 0, makeVector(0.09, 0.09, 0.09), 0, makeVector(0, -155, 147));
    }

    // The PLY file keeps six decimals. Vertices that are already what it reads back make the
    // normals a save computes those of the vertices a load gives, so that the set saved again
    // unchanged writes the same numbers.
    void keepToFilePrecision() {
        doc.edit("Round to six decimals", [](model::Model& m) {
            for (ModelVertex& v : m.vertices)
                for (double* c : {&v.x, &v.y, &v.z}) {
                    std::string text;
                    formats::appendFixed6(text, *c);
                    std::string_view rest = text;
                    formats::scanDouble(rest, *c);
                }
        });
    }

    void group(const std::string& name, const Vertices& vertices) {
        need(doc.selectVertices(vertices), "the group " + name);
        need(doc.groupPolygons(name), "the group " + name);
        doc.selectNone();
    }

    void makeGroups() {
        group("torso", joined({&dog.torsoTop, &dog.torsoSides, &dog.belly, &dog.torsoCaps, &dog.backpack}));
        group("neck", joined({&dog.neck, &dog.collar, &dog.tag}));
        group("head", joined({&dog.headTop, &dog.headSides, &dog.headUnder, &dog.headBack, &dog.ears}));
        group("face", dog.face);
        group("muzzle", joined({&dog.muzzle, &dog.nose}));
        for (const Leg& leg : dog.legs)
            group(leg.group, joined({&leg.hub, &leg.thigh, &leg.knee, &leg.shin, &leg.paw}));
        group("tail", joined({&dog.tailRoot, &dog.tailTip, &dog.lamp}));
        group("visor", dog.visor);
    }

    int textureIndex(const char* name) const {
        const auto& listed = doc.model().textureFiles;
        for (std::size_t i = 0; i < listed.size(); ++i)
            if (listed[i] == name) return static_cast<int>(i);
        return -1;
    }

    // Maps the texture onto the selected vertices' polygons from each of the faces given.
    void wrap(const Vertices& vertices, const char* texture, std::initializer_list<model::PlanarFace> faces,
              bool exact) {
        need(doc.selectVertices(vertices), std::string("the wrap of ") + texture);
        for (const model::PlanarFace face : faces) {
            app::WrapParams params;
            params.texture = texture;
            params.options.type = model::WrapType::Planar;
            params.options.face = face;
            params.options.exact = exact;
            params.options.selectedOnly = true;
            need(doc.wrapTexture(params), std::string("the wrap of ") + texture);
        }
        doc.selectNone();
    }

    void material(const Vertices& vertices, const model::PolygonPropertiesSettings& settings, const char* what) {
        need(doc.selectVertices(vertices), std::string("the material of the ") + what);
        need(doc.setPolygonProperties(settings), std::string("the material of the ") + what);
        doc.selectNone();
    }

    void paint() {
        using enum model::PlanarFace;
        // Plates over the back, the flanks and the ends, each seen square on: from above, from
        // either side, from the front and from behind.
        for (const Vertices* top : {&dog.torsoTop, &dog.headTop}) wrap(*top, kPlate, {YPlus}, false);
        for (const Vertices* sides : {&dog.torsoSides, &dog.headSides}) wrap(*sides, kPlate, {XPlus, XMinus}, false);
        for (const Vertices* ends : {&dog.torsoCaps, &dog.headBack}) wrap(*ends, kPlate, {ZPlus, ZMinus}, true);
        wrap(dog.face, kFace, {ZPlus}, true);
        for (const Leg& leg : dog.legs) wrap(leg.paw, kPads, {YPlus, YMinus, XPlus, XMinus, ZPlus, ZMinus}, true);
        if (failure) return;

        const int plate = textureIndex(kPlate), face = textureIndex(kFace), pads = textureIndex(kPads);
        material(joined({&dog.torsoTop, &dog.torsoSides, &dog.torsoCaps, &dog.headTop, &dog.headSides, &dog.headBack}),
                 textured(plate, true), "plates");
        material(joined({&dog.belly, &dog.headUnder}), colour(0x4E525C, true), "belly");
        material(dog.backpack, colour(0x3A4250, false), "backpack");
        material(dog.neck, colour(0x3C4048, true), "neck");
        material(dog.collar, colour(0xC8281E, false), "collar");
        material(dog.tag, colour(0xF0C83C, false), "tag");
        // The screen shows its own light: textured, untinted and not lit at run time.
        model::PolygonPropertiesSettings screen = textured(face, false);
        screen.colouringStyle = 1;
        screen.lightSourced = false;
        screen.cornerColours.fill(model::chooserColourFromModel(model::kMidGrey));
        material(dog.face, screen, "face");
        material(dog.ears, colour(0xE0782A, false), "ears");
        material(dog.muzzle, colour(0xE6E8EC, true), "muzzle");
        material(dog.nose, colour(0x202026, true), "nose");
        material(dog.visor, seeThrough(colour(0x50D2F0, true), 0, true), "visor");
        for (const Leg& leg : dog.legs) {
            material(leg.hub, colour(0xF0B428, false), "hips");
            material(joined({&leg.thigh, &leg.shin}), gradation(0xC8CED8, 0x8C94A0), "legs");
            material(leg.knee, colour(0x34363C, true), "knees");
            material(leg.paw, textured(pads, false), "paws");
        }
        material(joined({&dog.tailRoot, &dog.tailTip}), colour(0x8C94A0, true), "tail");
        material(dog.lamp, seeThrough(colour(0xFF3C28, false), 1, false), "tail lamp");
    }

    // A bone to a new joint at `end` from a joint, or from a new joint at `from`, carrying the
    // vertices; returns the joint at its end.
    int bone(std::optional<int> start, const ModelVertex& from, const ModelVertex& end, const Vertices& carried,
             const char* what) {
        const int joints = static_cast<int>(doc.model().skeleton.joints.size());
        const std::string step = std::string("the bone of the ") + what;
        need(doc.makeBone(start, from, std::nullopt, end), step);
        if (failure) return -1;
        doc.selectBone(0);  // the newest bone heads the list
        need(doc.selectVertices(carried), step);
        need(doc.attachToBone(), step);
        doc.selectNone();
        doc.selectBone(-1);
        return start ? joints : joints + 1;
    }
    int bone(int start, const ModelVertex& end, const Vertices& carried, const char* what) {
        return bone(start, {}, end, carried, what);
    }

    void makeSkeleton() {
        // The spine runs from the pelvis, over the tail, to the chest; the rest hangs from them.
        dog.chest = bone(std::nullopt, makeVector(0, -96, 104), makeVector(0, -90, -80),
                         joined({&dog.torsoTop, &dog.torsoSides, &dog.belly, &dog.torsoCaps, &dog.backpack}), "spine");
        dog.pelvis = dog.chest - 1;
        dog.neckTop = bone(dog.chest, makeVector(0, -130, -110), joined({&dog.neck, &dog.collar, &dog.tag}), "neck");
        dog.snout = bone(dog.neckTop, makeVector(0, -140, -165),
                         joined({&dog.headTop, &dog.headSides, &dog.headUnder, &dog.headBack, &dog.face, &dog.ears,
                                 &dog.muzzle, &dog.nose, &dog.visor}),
                         "head");
        dog.tailMiddle = bone(dog.pelvis, makeVector(0, -117, 129), dog.tailRoot, "tail");
        bone(dog.tailMiddle, makeVector(0, -152, 144), joined({&dog.tailTip, &dog.lamp}), "tail tip");
        for (Leg& leg : dog.legs) {
            const int hip = bone(leg.z < 0 ? dog.chest : dog.pelvis, makeVector(leg.x, -80, leg.z), leg.hub, "hip");
            leg.kneeJoint = bone(hip, makeVector(leg.x, -46, leg.z), leg.thigh, "thigh");
            leg.ankleJoint = bone(leg.kneeJoint, makeVector(leg.x, -12, leg.z), joined({&leg.knee, &leg.shin}), "shin");
            leg.toeJoint = bone(leg.ankleJoint, makeVector(leg.x, -6, leg.z - 18), leg.paw, "paw");
        }
    }

    void pose(const std::string& movement, const Pose& pose) {
        model::ViewProjection front, side, top;
        side.angleY = std::numbers::pi / 2;
        top.angleX = std::numbers::pi / 2;
        const std::string step = std::string("the keyframe ") + pose.name;
        doc.select({app::ProjectItem::Keyframe, "BaseFrame"});
        doc.select({app::ProjectItem::Movement, movement});
        for (const Turn& t : pose.turns)
            need(doc.rotateJoint(t.joint, false, t.angle,
                                 t.view == View::Side  ? side
                                 : t.view == View::Top ? top
                                                       : front),
                 step);
        need(doc.addKeyframe([&](const app::KeyframeEntry&) { return app::KeyframeEntry{pose.name, false}; }), step);
        doc.select({app::ProjectItem::Keyframe, pose.name});
        need(doc.setKeyframeInfo(pose.name, pose.frames), step);
    }

    void makeMovements() {
        doc.select({app::ProjectItem::Root, kRsd});
        need(doc.addKeyframe([](const app::KeyframeEntry& e) { return e; }), "the base frame");
        const auto& [frontLeft, frontRight, rearLeft, rearRight] = dog.legs;
        // In the side view a positive turn swings a leg forward (towards -Z) about the joint
        // above: at the knee the whole leg about the hip, at the ankle the shin about the knee,
        // at the toe the paw about the ankle. The leg pushing off behind keeps its toe just off
        // the ground; the leg swung forward in between bends and lifts its paw.
        const auto stride = [&](const Leg& a, const Leg& b, const Leg& c, const Leg& d, double tail) {
            return std::vector<Turn>{{a.kneeJoint, View::Side, 0.35},   {b.kneeJoint, View::Side, 0.35},
                                     {c.kneeJoint, View::Side, -0.3},   {c.toeJoint, View::Side, 0.2},
                                     {d.kneeJoint, View::Side, -0.3},   {d.toeJoint, View::Side, 0.2},
                                     {dog.tailMiddle, View::Top, tail}, {dog.snout, View::Side, -0.05}};
        };
        const auto pass = [&](const Leg& a, const Leg& b) {
            std::vector<Turn> turns{{dog.snout, View::Side, 0.04}};
            for (const Leg* leg : {&a, &b})
                turns.insert(turns.end(), {{leg->kneeJoint, View::Side, 0.25},
                                           {leg->ankleJoint, View::Side, -1.0},
                                           {leg->toeJoint, View::Side, 0.6}});
            return turns;
        };
        // "wave" first: the movement list shows the newest first, so "walk" heads it.
        need(doc.newMovement("wave"), "the movement wave");
        const auto paw = [&](double ankle, double tail) {
            return std::vector<Turn>{{frontRight.kneeJoint, View::Side, 1.15},
                                     {frontRight.ankleJoint, View::Side, ankle},
                                     {dog.snout, View::Front, 0.2},
                                     {dog.tailMiddle, View::Top, tail}};
        };
        for (const Pose& p : {Pose{"wave_lift", 12, paw(-0.45, 0.35)}, Pose{"wave_up", 6, paw(0.15, -0.35)},
                              Pose{"wave_down", 6, paw(-0.75, 0.35)}, Pose{"wave_up_again", 6, paw(0.15, -0.35)},
                              Pose{"wave_rest", 12, {}}})
            pose("wave", p);
        need(doc.newMovement("walk"), "the movement walk");
        for (const Pose& p : {Pose{"walk_stride_left", 8, stride(frontLeft, rearRight, frontRight, rearLeft, 0.25)},
                              Pose{"walk_pass_left", 8, pass(frontRight, rearLeft)},
                              Pose{"walk_stride_right", 8, stride(frontRight, rearLeft, frontLeft, rearRight, -0.25)},
                              Pose{"walk_pass_right", 8, pass(frontLeft, rearRight)}})
            pose("walk", p);
        // The document ends on its rest pose, which Save writes as the model.
        doc.select({app::ProjectItem::Keyframe, "BaseFrame"});
    }

    app::Document& doc;
    Dog dog;
    std::optional<std::string> failure;
};

}  // namespace

std::expected<SampleFiles, std::string> makeDogSample() {
    // The set is made under bare names in memory, so that the RSD file names its files (and
    // the textures) relatively and the sample opens from any folder.
    auto memory = std::make_unique<formats::MemoryFileSystem>();
    formats::MemoryFileSystem& files = *memory;
    files.files[kPlate] = formats::writeTim(dogPlatePicture());
    files.files[kFace] = formats::writeTim(dogFacePicture());
    files.files[kPads] = formats::writeTim(dogPadsPicture());
    app::Document document(std::move(memory));
    if (auto failed = DogBuilder(document).build()) return std::unexpected(*failed);
    if (auto saved = document.saveAs(kRsd); !saved) return std::unexpected(saved.error().describe());
    SampleFiles out;
    for (const auto& [name, bytes] : files.files) out[name] = bytes;
    return out;
}

}  // namespace kestrel::samples
