#include "formats/host_path.h"

#include <algorithm>

namespace kestrel::formats {

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

bool hasDriveLetter(std::string_view path) { return path.size() >= 2 && path[1] == ':'; }

// A folder as listDirectory takes it: "" for the current folder, no trailing '/' but "/".
std::string listingName(std::string_view folder) {
    if (folder.size() <= 1) return std::string(folder);
    return std::string(folder.substr(0, folder.size() - 1));
}

// The file in folder whose name matches name, exactly or else ignoring case.
std::optional<std::string> findIn(const FileSystem& files, const std::string& folder, std::string_view name) {
    if (name.empty()) return std::nullopt;
    const std::string exact = folder + std::string(name);
    if (files.isFile(exact)) return exact;
    const std::string listed = listingName(folder);
    if (!files.isDirectory(listed)) return std::nullopt;
    for (const auto& entry : files.listDirectory(listed))
        if (sameIgnoringCase(entry, name) && files.isFile(folder + entry)) return folder + entry;
    return std::nullopt;
}

}  // namespace

std::string_view folderOf(std::string_view path) {
    const auto it = std::find_if(path.rbegin(), path.rend(), isSeparator);
    return path.substr(0, static_cast<std::size_t>(path.rend() - it));
}

std::string_view fileNameOf(std::string_view path) { return path.substr(folderOf(path).size()); }

std::string replaceLastThree(std::string_view path, std::string_view ending) {
    return std::string(path.substr(0, path.size() >= 3 ? path.size() - 3 : 0)) + std::string(ending);
}

bool hasExtension(std::string_view path, std::string_view extension) {
    const auto dot = path.find_last_of('.');
    if (dot == std::string_view::npos || path.size() - dot - 1 != extension.size()) return false;
    for (std::size_t i = 0; i < extension.size(); ++i) {
        const char c = path[dot + 1 + i];
        if ((c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c) != extension[i]) return false;
    }
    return true;
}

std::string toHostSeparators(std::string_view path) {
    std::string out(path);
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

std::optional<std::string> resolveForRead(const FileSystem& files, std::string_view stored,
                                          std::string_view rsdHostPath) {
    if (stored.empty()) return std::nullopt;
    const std::string asGiven(stored);
    if (files.isFile(asGiven)) return asGiven;
    const std::string host = toHostSeparators(stored);
    if (!hasDriveLetter(host))
        if (auto found = findIn(files, std::string(folderOf(host)), fileNameOf(host))) return found;
    return findIn(files, toHostSeparators(folderOf(rsdHostPath)), fileNameOf(host));
}

std::string resolveForWrite(const FileSystem& files, std::string_view stored, std::string_view rsdHostPath) {
    if (auto existing = resolveForRead(files, stored, rsdHostPath)) return *existing;
    const std::string host = toHostSeparators(stored);
    const std::string_view folder = folderOf(host);
    if (!hasDriveLetter(host) && files.isDirectory(listingName(folder))) return host;
    return toHostSeparators(folderOf(rsdHostPath)) + std::string(fileNameOf(host));
}

std::expected<ResolvedFile, Error> readResolved(const FileSystem& files, std::string_view stored,
                                                std::string_view rsdHostPath, std::size_t limit) {
    auto path = resolveForRead(files, stored, rsdHostPath);
    if (!path) {
        // No file answers to the name: a folder of that name, or nothing at all.
        const std::string direct = toHostSeparators(stored);
        const bool folder = !direct.empty() && files.isDirectory(direct);
        return std::unexpected(makeError(folder ? direct : std::string(stored), 0,
                                         folder ? "is a directory" : "no such file or directory"));
    }
    auto bytes = files.readFile(*path, limit);
    if (!bytes) return std::unexpected(bytes.error());
    return ResolvedFile{std::move(*path), std::move(*bytes)};
}

}  // namespace kestrel::formats
