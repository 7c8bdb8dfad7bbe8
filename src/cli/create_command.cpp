// kestrel-cli create: one of the object creator's primitives, alone or added to a model, saved
// as an RSD set.
#include <ostream>

#include "cli/commands.h"
#include "cli/report.h"

namespace kestrel::cli {

namespace {

struct KindName {
    const char* word;
    const char* name;  // the group name the window would propose first
    model::PrimitiveKind kind;
};
constexpr KindName kKinds[] = {{"pyramid", "Pyramid0", model::PrimitiveKind::Pyramid},
                               {"cube", "Cube0", model::PrimitiveKind::Cube},
                               {"cylinder", "Cylinder0", model::PrimitiveKind::Cylinder},
                               {"sphere", "Sphere0", model::PrimitiveKind::Sphere},
                               {"mesh", "Mesh0", model::PrimitiveKind::Mesh}};

}  // namespace

int runCreate(app::Document& document, const CreateOptions& options, std::ostream& out, std::ostream& err) {
    const KindName* kind = nullptr;
    for (const KindName& k : kKinds)
        if (options.kind == k.word) kind = &k;
    if (!kind)
        return reportError(err, formats::makeError("", 0, "no primitive is called '" + printable(options.kind) + "'"));
    if (options.into.empty()) {
        document.newModel();
    } else {
        const auto opened = document.openFile(options.into);
        if (!opened) return reportError(err, opened.error());
        reportWarnings(err, *opened);
    }
    model::PrimitiveParams params{kind->kind, options.name.empty() ? kind->name : options.name};
    params.sides = options.sides;
    params.subdivisions = options.subdivisions;
    if (options.spacing.size() == 2) params.spacingX = options.spacing[0], params.spacingY = options.spacing[1];
    if (options.squares.size() == 2) params.squaresX = options.squares[0], params.squaresY = options.squares[1];
    if (const auto made = document.addPrimitive(params); !made)
        return reportError(err, formats::makeError("", 0, made.error()));
    const auto saved = document.saveAs(options.output);
    if (!saved) return reportError(err, saved.error());
    reportWarnings(err, saved->warnings);
    for (const auto& path : saved->written) out << "wrote " << printable(path) << '\n';
    return kExitSuccess;
}

}  // namespace kestrel::cli
