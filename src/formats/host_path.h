#pragma once
// Paths as model files store them ("c:\models\a.ply", "\models\a.ply", "tex\b.tim") are kept
// exactly; these functions find the host file such a path means.
#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "formats/file_system.h"

namespace kestrel::formats {

inline bool isSeparator(char c) { return c == '\\' || c == '/'; }

// Everything up to and including the last separator ("" when there is none).
std::string_view folderOf(std::string_view path);
// The part after the last separator.
std::string_view fileNameOf(std::string_view path);
// The side-file naming rule: the last three characters give way to the new ending.
std::string replaceLastThree(std::string_view path, std::string_view ending);
// Whether the text after the path's last dot is the extension, in any letter case
// (extension given in capitals: "RSD").
bool hasExtension(std::string_view path, std::string_view extension);
// A stored path with every '\' turned into '/'.
std::string toHostSeparators(std::string_view path);

// The existing host file a stored path names: the path as given (with either separator),
// then the file name in the RSD file's folder, each matched case-insensitively when the
// exact name is absent. nullopt when no such file exists.
std::optional<std::string> resolveForRead(const FileSystem& files, std::string_view stored,
                                          std::string_view rsdHostPath);
// The host file a stored path names (as resolveForRead finds it) and its bytes; when there
// is none, or it cannot be read, the error says why.
struct ResolvedFile {
    std::string path;
    std::string bytes;
};
std::expected<ResolvedFile, Error> readResolved(const FileSystem& files, std::string_view stored,
                                                std::string_view rsdHostPath, std::size_t limit = kNoSizeLimit);
// Where a file with that stored path is written: the existing file when there is one, else
// the path as given when its folder exists, else the file name in the RSD file's folder.
std::string resolveForWrite(const FileSystem& files, std::string_view stored, std::string_view rsdHostPath);

}  // namespace kestrel::formats
