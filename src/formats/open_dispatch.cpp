#include "formats/open_dispatch.h"

namespace kestrel::formats {

OpenKind classifyOpenPath(std::string_view path) {
    auto endsWith = [&](std::string_view tail) { return path.ends_with(tail); };
    if (endsWith("KS") || endsWith("JS") || endsWith("ks") || endsWith("js")) return OpenKind::Script;
    if (endsWith("ASC") || endsWith("asc")) return OpenKind::Asc;
    if (endsWith("ASE") || endsWith("ase")) return OpenKind::Ase;
    return OpenKind::Rsd;
}

}  // namespace kestrel::formats
