// kestrel-cli optimise: the optimisation tools, in the order given, and the result saved.
#include <ostream>

#include "cli/commands.h"
#include "cli/report.h"

namespace kestrel::cli {

namespace {

void printCounts(std::ostream& out, const char* when, const model::Model& m) {
    out << when << ": " << m.vertexCount() << " vertices, " << m.polygonCount() << " polygons\n";
}

}  // namespace

int runOptimise(app::Document& document, const OptimiseOptions& options, std::ostream& out, std::ostream& err) {
    const auto opened = document.openFile(options.input);
    if (!opened) return reportError(err, opened.error());
    reportWarnings(err, *opened);

    printCounts(out, "before", document.model());
    for (const OptimiseStep& step : options.steps) {
        switch (step.kind) {
            case OptimiseStep::Merge: {
                const int merged = document.mergeVertices({step.value, step.selected, step.keepSelected});
                out << "merge radius " << step.value << ": " << merged << " vertices merged\n";
                break;
            }
            case OptimiseStep::Reduce: {
                const auto done = document.reducePolygons();
                out << "reduce: " << done.polygonsRemoved << " polygons removed, " << done.trianglesMade
                    << " quadrilaterals made triangles, " << done.verticesRemoved << " vertices removed\n";
                break;
            }
            case OptimiseStep::Quads: {
                const int joined = document.convertToQuads({step.value, step.selected});
                out << "quads uniformity " << step.value << ": " << joined << " pairs of triangles joined\n";
                break;
            }
            case OptimiseStep::Grid: {
                if (const auto result = document.gridAlign({step.grid, {true, true, true}, false}); !result)
                    return reportError(err, formats::makeError(options.input, 0, result.error()));
                out << "grid " << step.grid[0] << ',' << step.grid[1] << ',' << step.grid[2] << ": aligned\n";
                break;
            }
            case OptimiseStep::Compatible:
                out << "compatible: " << document.makeRsdToolCompatible() << " polygons made plain textured\n";
                break;
        }
    }
    printCounts(out, "after", document.model());

    const auto saved = document.saveCurrentAs(options.output);
    if (!saved) return reportError(err, saved.error());
    reportWarnings(err, saved->warnings);
    // The passes change the model on screen, not the keyframes, which still hold the old
    // vertices: the set written has no movements, and says so.
    if (const auto& movements = document.animation().movements; !movements.empty())
        err << "warning: " << printable(options.output) << ": written without the "
            << formats::countOf(static_cast<long long>(movements.size()), "movement") << " of "
            << printable(options.input) << ": the optimiser changes the model, not its keyframes\n";
    for (const auto& path : saved->written) out << "wrote " << printable(path) << '\n';
    return kExitSuccess;
}

}  // namespace kestrel::cli
