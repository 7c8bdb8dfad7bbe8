// kestrel-cli convert: open a model and save it as an RSD set or a TMD file under a new name.
#include <ostream>

#include "cli/commands.h"
#include "cli/report.h"

namespace kestrel::cli {

int runConvert(app::Document& document, const ConvertOptions& options, std::ostream& out, std::ostream& err) {
    document.importAseTextures = options.aseTextures;
    const auto opened = document.openFile(options.input);
    if (!opened) return reportError(err, opened.error());
    reportWarnings(err, *opened);

    const auto saved = options.current ? document.saveCurrentAs(options.output) : document.saveAs(options.output);
    if (!saved) return reportError(err, saved.error());
    reportWarnings(err, saved->warnings);
    for (const auto& path : saved->written) out << "wrote " << printable(path) << '\n';
    return kExitSuccess;
}

}  // namespace kestrel::cli
