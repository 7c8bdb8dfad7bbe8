// The model binding classes KSvertex, KSpolygon and KSmodel: a vertex with the vector
// operations, a polygon's material and corners, and a snapshot of the current model that a
// script edits and writes back.
#include <cstdio>
#include <optional>
#include <string>

#include "model/vector.h"
#include "script/application.h"
#include "script/array.h"
#include "script/engine.h"
#include "script/frames.h"
#include "script/jsclass.h"
#include "script/jsclass_model.h"

namespace kestrel::script {

namespace {

enum VertexField { kX, kY, kZ, kVertexFlags };
enum PolygonField { kVId, kTu, kTv, kRgb, kTId, kShading, kPolygonFlags, kMatFlag, kType, kFirstConstant };
enum ModelField { kVertexCount, kVertices, kPolygonCount, kPolygons };

constexpr int kCornerFields[] = {kVId, kTu, kTv, kRgb};

// A number field as a script may have left it: a float, or an integer it assigned.
double realOf(const ScriptValue& v) {
    if (v.type == kFloat) return v.payload.real;
    if (v.type == kInteger) return v.payload.integer;
    return 0.0;
}

ScriptObject* objectIn(const ScriptValue& v, const ObjectClass& objectClass) {
    return v.type == kObject && v.payload.object && isOf(*v.payload.object, objectClass) ? v.payload.object : nullptr;
}

// ---- KSvertex ----

model::ModelVertex vectorOf(const ScriptObject& self) {
    return {realOf(self.fields[kX]), realOf(self.fields[kY]), realOf(self.fields[kZ]),
            static_cast<std::uint16_t>(integerOf(self.fields[kVertexFlags]))};
}

// Narrowed to single precision, as the fields hold it.
void storeVector(Engine& engine, ScriptObject& self, const model::ModelVertex& v) {
    setFloat(engine, self.fields[kX], static_cast<float>(v.x));
    setFloat(engine, self.fields[kY], static_cast<float>(v.y));
    setFloat(engine, self.fields[kZ], static_cast<float>(v.z));
    setInteger(engine, self.fields[kVertexFlags], v.flags);
}

void setResultFloat(Engine& engine, ScriptValue& result, double value) {
    ScriptValue v;
    v.type = kFloat;
    v.payload.real = static_cast<float>(value);
    setResult(engine, result, v);
}

void vertexConstruct(Engine& engine, ScriptObject& self, ScriptValue&) {
    if (!isOf(self, ksVertexClass())) return;
    engine.trace("CLASS:KSvertex:constructor\n");
    storeVector(engine, self, {});
    int next = kZ;  // floats fill z, then y, then x, from the last argument
    for (int i = argumentCount(engine) - 1; i >= 0; --i) {
        const ScriptValue& a = argument(engine, i);
        if (a.type == kFloat) {
            if (next < kX) {
                engine.trace("too many floats for KSvertex class\n");
                continue;
            }
            setFloat(engine, self.fields[next--], a.payload.real);
        } else if (a.type == kObject && a.payload.object) {
            if (const ScriptObject* other = objectIn(a, ksVertexClass())) {
                for (int f : {kX, kY, kZ}) valueCopy(engine, self.fields[f], other->fields[f]);
            } else {
                engine.trace("ILLEGAL constructor object type for class KSvertex\n");
            }
        } else {
            engine.trace("illegal constructor for KSvertex class\n");
        }
    }
}

// The other vertex of Add, Subtract and CrossProduct: the last argument, a KSvertex.
const ScriptObject* vertexArgument(Engine& engine, const char* method) {
    const int count = argumentCount(engine);
    const ScriptValue* a = count ? &argument(engine, count - 1) : nullptr;
    if (!a || a->type != kObject || !a->payload.object) {
        engine.trace("KSvertex.%s():illegal parameter\n", method);
        return nullptr;
    }
    const ScriptObject* other = objectIn(*a, ksVertexClass());
    if (!other) engine.trace("KSvertex.%s():parameter is wrong object class\n", method);
    return other;
}

template <void (*Operation)(model::ModelVertex&, const model::ModelVertex&)>
void vertexInPlace(Engine& engine, ScriptObject& self, const char* method) {
    if (!isOf(self, ksVertexClass())) return;
    if (const ScriptObject* other = vertexArgument(engine, method)) {
        model::ModelVertex v = vectorOf(self);
        Operation(v, vectorOf(*other));
        storeVector(engine, self, v);
    }
}

void vertexAdd(Engine& engine, ScriptObject& self, ScriptValue&) { vertexInPlace<model::Add>(engine, self, "Add"); }
void vertexSubtract(Engine& engine, ScriptObject& self, ScriptValue&) {
    vertexInPlace<model::Subtract>(engine, self, "Subtract");
}

void vertexScale(Engine& engine, ScriptObject& self, ScriptValue&) {
    if (!isOf(self, ksVertexClass())) return;
    model::ModelVertex v = vectorOf(self);
    const int count = argumentCount(engine);
    const ScriptValue* a = count ? &argument(engine, count - 1) : nullptr;
    if (a && (a->type == kFloat || a->type == kInteger))
        model::Scale(v, realOf(*a));
    else
        engine.trace("KSvertex.Scale():illegal parameter\n");
    storeVector(engine, self, v);
}

void vertexDistance(Engine& engine, ScriptObject& self, ScriptValue& result) {
    if (isOf(self, ksVertexClass())) setResultFloat(engine, result, model::Distance(vectorOf(self)));
}

ScriptObject* newVertex(Engine& engine, const model::ModelVertex& v) {
    ScriptObject* made = newConstructed(engine, ksVertexClass());
    storeVector(engine, *made, v);
    return made;
}

void vertexCrossProduct(Engine& engine, ScriptObject& self, ScriptValue& result) {
    if (!isOf(self, ksVertexClass())) return;
    if (const ScriptObject* other = vertexArgument(engine, "CrossProduct"))
        setResultObject(engine, result, newVertex(engine, model::CrossProduct(vectorOf(self), vectorOf(*other))));
}

template <void (*Operation)(model::ModelVertex&)>
void vertexUnify(Engine& engine, ScriptObject& self, ScriptValue&) {
    if (!isOf(self, ksVertexClass())) return;
    model::ModelVertex v = vectorOf(self);
    Operation(v);
    storeVector(engine, self, v);
}

template <double (*Angle)(const model::ModelVertex&)>
void vertexAngle(Engine& engine, ScriptObject& self, ScriptValue& result) {
    if (isOf(self, ksVertexClass())) setResultFloat(engine, result, Angle(vectorOf(self)));
}

void vertexToString(Engine& engine, ScriptObject& self, ScriptValue& result) {
    if (!isOf(self, ksVertexClass())) return;
    const model::ModelVertex v = vectorOf(self);
    char text[400];
    std::snprintf(text, sizeof text, "{%f,%f,%f}", v.x, v.y, v.z);
    setResultString(engine, result, text);
}

constexpr MethodEntry kVertexMethods[] = {
    {vertexConstruct, "KSvertex", "V:"},          {vertexAdd, "Add", "V:O"},
    {vertexSubtract, "Subtract", "V:O"},          {vertexScale, "Scale", "V:F"},
    {vertexDistance, "Distance", "F:"},           {vertexCrossProduct, "CrossProduct", "O:O"},
    {vertexUnify<model::Unify>, "Unify", "V:"},   {vertexUnify<model::UnifyPSX>, "UnifyPSX", "V:"},
    {vertexAngle<model::AngleX>, "AngleX", "F:"}, {vertexAngle<model::AngleY>, "AngleY", "F:"},
    {vertexAngle<model::AngleZ>, "AngleZ", "F:"}, {vertexToString, "toString", "S:"},
};
constexpr FieldEntry kVertexFields[] = {{"x", kFloat}, {"y", kFloat}, {"z", kFloat}, {"flags", kInteger}};
constexpr ObjectClass kVertexClass{"KSvertex", kClassConstruct, kVertexMethods, kVertexFields};

// ---- KSpolygon ----

// The four elements of a corner field, made again when a script put something else there.
ArrayStore& cornersOf(Engine& engine, ScriptObject& self, int field) {
    ArrayStore* store = arrayElements(self.fields[field]);
    if (!store) {
        ScriptValue v;
        v.type = kObject;
        v.payload.object = makeArray(engine, 4);
        setResult(engine, self.fields[field], v);
        store = arrayElements(self.fields[field]);
    }
    if (store->count < 4) setArrayCount(engine, *self.fields[field].payload.object, 4);
    return *arrayElements(self.fields[field]);
}

// A corner's value as a script left it, 0 where there is none.
std::int32_t cornerOf(const ScriptObject& self, int field, int corner) {
    const ArrayStore* store = arrayElements(self.fields[field]);
    return store && corner < store->count ? integerOf(store->elements[corner]) : 0;
}

void polygonConstruct(Engine& engine, ScriptObject& self, ScriptValue&) {
    if (!isOf(self, ksPolygonClass())) return;
    engine.trace("CLASS:KSpolygon:constructor\n");
    for (int field : kCornerFields) cornersOf(engine, self, field);
    for (int field : {kTId, kShading, kPolygonFlags, kMatFlag, kType}) setInteger(engine, self.fields[field], 0);
    int corner = 0;
    const int count = argumentCount(engine);
    for (int i = 0; i < count; ++i) {
        const ScriptValue& a = argument(engine, i);
        if (a.type != kInteger) {
            engine.trace("illegal constructor for KSpolygon class\n");
        } else if (corner >= 4) {
            engine.trace("too many corners for KSpolygon class\n");
        } else {
            setInteger(engine, cornersOf(engine, self, kVId).elements[corner++], a.payload.integer);
        }
    }
    setInteger(engine, self.fields[kShading], 'F');
    setInteger(engine, self.fields[kType], model::PTYPE_SINGLE_COLOUR);
    constexpr char kTypes[] = {model::PTYPE_SINGLE_COLOUR, model::PTYPE_GRADATION_COLOUR, model::PTYPE_TEXTURED,
                               model::PTYPE_TEXTURED_COLOURED, model::PTYPE_TEXTURED_GRADATION_COLOURED};
    for (int i = 0; i < 5; ++i) setInteger(engine, self.fields[kFirstConstant + i], kTypes[i]);
}

void polygonToString(Engine& engine, ScriptObject& self, ScriptValue& result) {
    if (!isOf(self, ksPolygonClass())) return;
    const auto c = [&](int field, int corner) { return cornerOf(self, field, corner); };
    char text[400];
    std::snprintf(text, sizeof text, "{v_id=[%d,%d,%d,%d],tuv=[{%d,%d},{%d,%d},{%d,%d},{%d,%d}],t_id=%d}", c(kVId, 0),
                  c(kVId, 1), c(kVId, 2), c(kVId, 3), c(kTu, 0), c(kTv, 0), c(kTu, 1), c(kTv, 1), c(kTu, 2), c(kTv, 2),
                  c(kTu, 3), c(kTv, 3), integerOf(self.fields[kTId]));
    setResultString(engine, result, text);
}

void fillPolygon(Engine& engine, ScriptObject& self, const model::ModelPolygon& p) {
    const std::array<std::int32_t, 4>* corners[] = {&p.vId, &p.tu, &p.tv, &p.rgb};
    for (int f = 0; f < 4; ++f) {
        ArrayStore& store = cornersOf(engine, self, kCornerFields[f]);
        for (int i = 0; i < 4; ++i) setInteger(engine, store.elements[i], (*corners[f])[static_cast<std::size_t>(i)]);
    }
    setInteger(engine, self.fields[kTId], p.tId);
    setInteger(engine, self.fields[kShading], static_cast<unsigned char>(p.shading));
    setInteger(engine, self.fields[kPolygonFlags], p.flags);
    setInteger(engine, self.fields[kMatFlag], p.mat_flag);
    setInteger(engine, self.fields[kType], static_cast<unsigned char>(p.type));
}

constexpr MethodEntry kPolygonMethods[] = {
    {polygonConstruct, "KSpolygon", "V:"},
    {polygonToString, "toString", "S:"},
};
constexpr FieldEntry kPolygonFields[] = {
    {"vId", kObject},
    {"tu", kObject},
    {"tv", kObject},
    {"rgb", kObject},
    {"tId", kInteger},
    {"shading", kInteger},
    {"flags", kInteger},
    {"mat_flag", kInteger},
    {"type", kInteger},
    {"PTYPE_SINGLE_COLOUR", kInteger},
    {"PTYPE_GRADATION_COLOUR", kInteger},
    {"PTYPE_TEXTURED", kInteger},
    {"PTYPE_TEXTURED_COLOURED", kInteger},
    {"PTYPE_TEXTURED_GRADATION_COLOURED", kInteger},
};
constexpr ObjectClass kPolygonClass{"KSpolygon", kClassConstruct, kPolygonMethods, kPolygonFields};

// ---- KSmodel ----

// Traces, and tells the user, why a method did nothing.
void refuse(Engine& engine, const std::string& why) {
    engine.trace("%s\n", why.c_str());
    if (engine.application) engine.application->writeOutput(why);
}

const model::Model* currentModel(Engine& engine, const char* method) {
    if (engine.application) return &engine.application->currentModel();
    refuse(engine, std::string("KSmodel.") + method + "():there is no model to work on");
    return nullptr;
}

// The Array object in a field, made (empty) when a script put something else there.
ScriptObject& arrayField(Engine& engine, ScriptObject& self, int field) {
    if (!arrayElements(self.fields[field])) {
        ScriptValue v;
        v.type = kObject;
        v.payload.object = makeArray(engine, 0);
        setResult(engine, self.fields[field], v);
    }
    return *self.fields[field].payload.object;
}

void putObject(Engine& engine, ScriptValue& element, ScriptObject* object) {
    ScriptValue v;
    v.type = kObject;
    v.payload.object = object;
    setResult(engine, element, v);
}

// The snapshot's elements from the model: a new KSvertex for every vertex, and every polygon
// into the KSpolygon already there (a new one where there is none).
void getEditFrame(Engine& engine, ScriptObject& self, const model::Model& m) {
    ScriptObject& vertices = arrayField(engine, self, kVertices);
    setArrayCount(engine, vertices, m.vertexCount());
    ArrayStore* vs = arrayElements(self.fields[kVertices]);
    for (int i = 0; i < m.vertexCount() && vs && i < vs->count; ++i) {
        const model::ModelVertex& v = m.vertices[static_cast<std::size_t>(i)];
        putObject(engine, vs->elements[i], newVertex(engine, {v.x, v.y, v.z, 0}));
    }
    ScriptObject& polygons = arrayField(engine, self, kPolygons);
    setArrayCount(engine, polygons, m.polygonCount());
    ArrayStore* ps = arrayElements(self.fields[kPolygons]);
    for (int k = 0; k < m.polygonCount() && ps && k < ps->count; ++k) {
        ScriptObject* polygon = objectIn(ps->elements[k], ksPolygonClass());
        if (!polygon) {
            polygon = newConstructed(engine, ksPolygonClass());
            putObject(engine, ps->elements[k], polygon);
        }
        fillPolygon(engine, *polygon, m.polygons[static_cast<std::size_t>(k)]);
    }
}

void modelConstruct(Engine& engine, ScriptObject& self, ScriptValue&) {
    if (!isOf(self, ksModelClass())) return;
    engine.trace("CLASS:KSmodel:constructor\n");
    setInteger(engine, self.fields[kVertexCount], 0);
    setInteger(engine, self.fields[kPolygonCount], 0);
    for (int i = argumentCount(engine) - 1; i >= 0; --i) {
        const ScriptValue& a = argument(engine, i);
        if (a.type != kInteger) {
            engine.trace("illegal constructor for KSmodel class\n");
            continue;
        }
        putObject(engine, self.fields[kVertices], makeArray(engine, 0));
        putObject(engine, self.fields[kPolygons], makeArray(engine, 0));
        if (a.payload.integer == 0) continue;
        const model::Model* m = currentModel(engine, "KSmodel");
        if (!m) continue;
        setInteger(engine, self.fields[kVertexCount], m->vertexCount());
        setInteger(engine, self.fields[kPolygonCount], m->polygonCount());
        getEditFrame(engine, self, *m);
    }
}

void modelGetEditFrame(Engine& engine, ScriptObject& self, ScriptValue&) {
    if (!isOf(self, ksModelClass())) return;
    if (const model::Model* m = currentModel(engine, "GetEditFrame")) getEditFrame(engine, self, *m);
}

// The polygon a KSpolygon describes, checked against the vertices it may name; the fields no
// script sees come from the model's polygon k where there is one.
std::optional<std::string> polygonFrom(const ScriptObject& p, const model::ModelPolygon* old, int vertexCount,
                                       int textureCount, model::ModelPolygon& out) {
    out = old ? *old : model::ModelPolygon{};
    std::array<std::int32_t, 4>* corners[] = {&out.vId, &out.tu, &out.tv, &out.rgb};
    for (int f = 0; f < 4; ++f) {
        if (!arrayElements(p.fields[kCornerFields[f]]))
            return std::string(kPolygonFields[kCornerFields[f]].name) + " is not an Array";
        for (int i = 0; i < 4; ++i) (*corners[f])[static_cast<std::size_t>(i)] = cornerOf(p, kCornerFields[f], i);
    }
    out.tId = integerOf(p.fields[kTId]);
    out.flags = integerOf(p.fields[kPolygonFlags]);
    out.mat_flag = integerOf(p.fields[kMatFlag]);
    const std::int32_t shading = integerOf(p.fields[kShading]), type = integerOf(p.fields[kType]);
    if (shading != 'F' && shading != 'G') return "shading " + std::to_string(shading) + " is neither 70 (F) nor 71 (G)";
    if (type != 'C' && type != 'G' && type != 'T' && type != 'D' && type != 'H')
        return "type " + std::to_string(type) + " is not one of the PTYPE_ constants";
    out.shading = static_cast<char>(shading);
    out.type = static_cast<char>(type);
    const int corners3 = out.flags & 7 ? 4 : 3;
    for (int i = 0; i < 4; ++i) {
        const std::int32_t v = out.vId[static_cast<std::size_t>(i)];
        if (v >= vertexCount || v < (i < corners3 ? 0 : -1))
            return "corner " + std::to_string(i) + " names vertex " + std::to_string(v) + " of " +
                   std::to_string(vertexCount);
    }
    const bool textured = type == 'T' || type == 'D' || type == 'H';
    if (textured && (out.tId < 0 || out.tId >= textureCount))
        return "a textured polygon names texture " + std::to_string(out.tId) + " of " + std::to_string(textureCount);
    out.nId = out.vId;  // normal i belongs to vertex i
    return std::nullopt;
}

void modelPutEditFrame(Engine& engine, ScriptObject& self, ScriptValue&) {
    if (!isOf(self, ksModelClass())) return;
    const model::Model* m = currentModel(engine, "PutEditFrame");
    if (!m) return;
    const std::int32_t vertexCount = integerOf(self.fields[kVertexCount]);
    const std::int32_t polygonCount = integerOf(self.fields[kPolygonCount]);
    const ArrayStore* vs = arrayElements(self.fields[kVertices]);
    const ArrayStore* ps = arrayElements(self.fields[kPolygons]);
    const auto refused = [&](const std::string& why) {
        refuse(engine, "KSmodel.PutEditFrame():" + why + "; the model is unchanged");
    };
    if (vertexCount < 0 || polygonCount < 0) return refused("n_vert and n_poly cannot be negative");
    if (vertexCount > (vs ? vs->count : 0) || polygonCount > (ps ? ps->count : 0))
        return refused("n_vert or n_poly is more than vert or poly holds");
    std::vector<model::ModelVertex> vertices(static_cast<std::size_t>(vertexCount));
    for (int i = 0; i < vertexCount; ++i) {
        const ScriptObject* v = objectIn(vs->elements[i], ksVertexClass());
        if (!v) return refused("vert[" + std::to_string(i) + "] is not a KSvertex");
        vertices[static_cast<std::size_t>(i)] = vectorOf(*v);
    }
    std::vector<model::ModelPolygon> polygons(static_cast<std::size_t>(polygonCount));
    for (int k = 0; k < polygonCount; ++k) {
        const ScriptObject* p = objectIn(ps->elements[k], ksPolygonClass());
        if (!p) return refused("poly[" + std::to_string(k) + "] is not a KSpolygon");
        const model::ModelPolygon* old = k < m->polygonCount() ? &m->polygons[static_cast<std::size_t>(k)] : nullptr;
        if (auto why = polygonFrom(*p, old, vertexCount, static_cast<int>(m->textureFiles.size()),
                                   polygons[static_cast<std::size_t>(k)]))
            return refused("poly[" + std::to_string(k) + "]: " + *why);
    }
    engine.application->putEditFrame(std::move(vertices), std::move(polygons));
}

constexpr MethodEntry kModelMethods[] = {
    {modelConstruct, "KSmodel", "V:"},
    {modelPutEditFrame, "PutEditFrame", "V:"},
    {modelGetEditFrame, "GetEditFrame", "V:"},
};
constexpr FieldEntry kModelFields[] = {
    {"n_vert", kInteger}, {"vert", kObject}, {"n_poly", kInteger}, {"poly", kObject}};
constexpr ObjectClass kModelClass{"KSmodel", kClassConstruct, kModelMethods, kModelFields};

}  // namespace

const ObjectClass& ksVertexClass() { return kVertexClass; }
const ObjectClass& ksPolygonClass() { return kPolygonClass; }
const ObjectClass& ksModelClass() { return kModelClass; }

}  // namespace kestrel::script
