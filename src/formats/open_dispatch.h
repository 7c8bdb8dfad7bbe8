#pragma once
// Which reader a path opened by the user goes to, decided by the end of its name.
#include <string_view>

namespace kestrel::formats {

enum class OpenKind { Script, Asc, Ase, Rsd };

// "KS", "JS", "ks", "js": a script; "ASC"/"asc": 3D Studio; "ASE"/"ase": 3DS Max; any other
// name (other letter cases included) is read as an RSD file.
OpenKind classifyOpenPath(std::string_view path);

}  // namespace kestrel::formats
