// kestrel-cli mime: one movement of a model as MIMe C source or binary.
#include <ostream>

#include "cli/commands.h"
#include "cli/report.h"

namespace kestrel::cli {

int runMime(app::Document& document, const MimeOptions& options, std::ostream& out, std::ostream& err) {
    using animation::MimeFormat;
    const MimeFormat format = options.format == "type1"   ? MimeFormat::Type1
                              : options.format == "type2" ? MimeFormat::Type2
                                                          : MimeFormat::CSource;
    const auto opened = document.openFile(options.file);
    if (!opened) return reportError(err, opened.error());
    reportWarnings(err, *opened);
    if (options.minimumMovement) {
        app::Settings settings = document.settings();
        settings.minimumMovement = *options.minimumMovement;
        document.setSettings(settings);
    }
    document.select({app::ProjectItem::Movement, options.movement});
    auto written =
        document.exportMime(format, options.output.empty() ? std::nullopt : std::optional<std::string>(options.output));
    if (!written) return reportError(err, formats::makeError(options.file, 0, written.error()));
    for (const auto& warning : written->warnings) err << "warning: " << printable(warning) << '\n';
    out << "wrote " << printable(written->written) << '\n';
    return kExitSuccess;
}

}  // namespace kestrel::cli
