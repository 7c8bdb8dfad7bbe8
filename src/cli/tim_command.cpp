// kestrel-cli tim: what a TIM image holds, and the image as a bitmap or PNG.
#include <ostream>

#include "cli/commands.h"
#include "cli/report.h"
#include "formats/png_writer.h"
#include "formats/tim.h"

namespace kestrel::cli {

int runTim(app::Document& document, const TimOptions& options, std::ostream& out, std::ostream& err) {
    formats::FileSystem& files = document.files();
    const auto bytes = files.readFile(options.file);
    if (!bytes) return reportError(err, formats::makeError(options.file, 0, formats::cannotOpen(bytes.error())));
    const auto depth = formats::timDepth(*bytes, options.file);
    if (!depth) return reportError(err, depth.error());
    if (const auto table = formats::timColourTableOnly(*bytes)) {
        if (!options.bmp.empty() || !options.png.empty())
            return reportError(err,
                               formats::makeError(options.file, 0, "the file holds only a colour table, no image"));
        out << "Depth     " << *depth << " bits\nSize      no image: the file holds only a colour table\nCLUT      "
            << table->x << ", " << table->y << " (" << table->width << " x " << table->height << " colours)\n";
        return kExitSuccess;
    }
    const auto rgba = formats::decodeTim(*bytes, options.file);
    if (!rgba) return reportError(err, rgba.error());
    const auto indexed = *depth <= 8 ? formats::readTim(*bytes, options.file)
                                     : std::expected<formats::TimImage, formats::Error>(std::unexpect);
    if (options.info || (options.bmp.empty() && options.png.empty())) {
        out << "Depth     " << *depth << " bits\nSize      " << rgba->width << " x " << rgba->height << "\nVRAM      "
            << rgba->imageX << ", " << rgba->imageY << '\n';
        if (indexed && (static_cast<unsigned char>((*bytes)[4]) & 8))
            out << "CLUT      " << indexed->clutX << ", " << indexed->clutY << '\n';
    }
    if (!options.bmp.empty()) {
        if (!indexed)
            return reportError(err, formats::makeError(options.file, 0,
                                                       "only 4-bit and 8-bit images become bitmaps; "
                                                       "use --png"));
        if (auto written = formats::writeFileSafely(files, options.bmp, formats::writeBitmap(*indexed)); !written)
            return reportError(err, written.error());
    }
    if (!options.png.empty()) {
        const std::string png = formats::writePng(rgba->width, rgba->height, rgba->pixels);
        if (png.empty())
            return reportError(err, formats::makeError(options.png, 0, "the image cannot be written as a PNG"));
        if (auto written = formats::writeFileSafely(files, options.png, png); !written)
            return reportError(err, written.error());
    }
    return kExitSuccess;
}

}  // namespace kestrel::cli
