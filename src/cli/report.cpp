#include "cli/report.h"

#include <ostream>

#include "cli/commands.h"
#include "cli/json_writer.h"

namespace kestrel::cli {

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = utf8SequenceLength(text, i);
        // U+0080..U+009F (C2 80..C2 9F) are the C1 controls; some terminals obey them.
        const bool c1Control = length == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
        if (length == 0 || c1Control || c < 0x20 || c == 0x7F) {
            appendHexByte(out, "\\x", c);
            ++i;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}

void reportWarnings(std::ostream& err, std::span<const formats::Warning> warnings) {
    for (const auto& warning : warnings) err << "warning: " << printable(warning.describe()) << '\n';
}

int reportError(std::ostream& err, const formats::Error& error) {
    err << "error: " << printable(error.describe()) << '\n';
    return kExitFailure;
}

}  // namespace kestrel::cli
