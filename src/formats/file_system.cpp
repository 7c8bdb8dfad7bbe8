#include "formats/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace kestrel::formats {

namespace fs = std::filesystem;

namespace {

fs::path hostPath(const std::string& path) { return path.empty() ? fs::path(".") : fs::path(path); }

std::string lastError() { return std::strerror(errno); }

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// New files get the usual 0666 less the umask; replaced files keep their mode.
mode_t modeFor(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

std::optional<std::string> HostFileSystem::readFile(const std::string& path) const {
    const int fd = ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    std::optional<std::string> bytes;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        bytes.emplace();
        // Read straight into the string, without filling it first; a file that grows or
        // shrinks meanwhile gives what could be read.
        std::size_t got = 0;
        bytes->resize_and_overwrite(static_cast<std::size_t>(st.st_size), [&](char* data, std::size_t n) {
            while (got < n) {
                const ssize_t r = ::read(fd, data + got, n - got);
                if (r < 0 && errno == EINTR) continue;
                if (r <= 0) break;
                got += static_cast<std::size_t>(r);
            }
            return got;
        });
    }
    ::close(fd);
    return bytes;
}

bool HostFileSystem::isFile(const std::string& path) const {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

bool HostFileSystem::isDirectory(const std::string& path) const {
    std::error_code ec;
    return fs::is_directory(hostPath(path), ec);
}

std::vector<std::string> HostFileSystem::listDirectory(const std::string& path) const {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(hostPath(path), ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    return names;
}

std::expected<std::string, std::string> HostFileSystem::writeTemporary(const std::string& path,
                                                                       const std::string& bytes) {
    std::string name = path + ".XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return std::unexpected("cannot create a file in its folder: " + lastError());
    const bool ok = ::fchmod(fd, modeFor(path)) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
    const std::string why = ok ? std::string() : lastError();
    if (::close(fd) != 0 || !ok) {
        ::unlink(name.c_str());
        return std::unexpected("cannot write the file: " + (why.empty() ? lastError() : why));
    }
    return name;
}

bool HostFileSystem::rename(const std::string& from, const std::string& to, bool replace) {
    if (replace) return ::rename(from.c_str(), to.c_str()) == 0;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // File systems without that flag: a hard link also fails when the name exists.
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    return ::unlink(from.c_str()) == 0;
}

void HostFileSystem::remove(const std::string& path) { ::unlink(path.c_str()); }

bool HostFileSystem::makeDirectories(const std::string& path) {
    std::error_code ec;
    fs::create_directories(hostPath(path), ec);
    return !ec && fs::is_directory(hostPath(path), ec);
}

std::string HostFileSystem::absolutePath(const std::string& path) const {
    std::error_code ec;
    const fs::path full = fs::absolute(hostPath(path), ec);
    return ec ? path : full.lexically_normal().string();
}

std::optional<std::string> MemoryFileSystem::readFile(const std::string& path) const {
    const auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    return it->second;
}

bool MemoryFileSystem::isFile(const std::string& path) const { return files.contains(path); }

bool MemoryFileSystem::isDirectory(const std::string& path) const {
    if (path.empty()) return true;
    const std::string prefix = path == "/" ? path : path + "/";
    const auto it = files.lower_bound(prefix);
    return it != files.end() && it->first.starts_with(prefix);
}

std::vector<std::string> MemoryFileSystem::listDirectory(const std::string& path) const {
    const std::string prefix = path.empty() || path == "/" ? path : path + "/";
    std::vector<std::string> names;
    for (const auto& [name, bytes] : files) {
        if (!name.starts_with(prefix)) continue;
        const std::string rest = name.substr(prefix.size());
        if (!rest.empty() && rest.find('/') == std::string::npos) names.push_back(rest);
    }
    return names;
}

std::expected<std::string, std::string> MemoryFileSystem::writeTemporary(const std::string& path,
                                                                         const std::string& bytes) {
    if (failingWrites.contains(path)) return std::unexpected("cannot write the file: No space left on device");
    const std::string name = path + ".tmp";
    files[name] = bytes;
    return name;
}

bool MemoryFileSystem::rename(const std::string& from, const std::string& to, bool replace) {
    const auto it = files.find(from);
    if (it == files.end() || (!replace && files.contains(to))) return false;
    std::string bytes = std::move(it->second);
    files.erase(it);
    files[to] = std::move(bytes);
    return true;
}

void MemoryFileSystem::remove(const std::string& path) { files.erase(path); }

// Folders exist in memory as soon as a file lies in them.
bool MemoryFileSystem::makeDirectories(const std::string&) { return true; }

std::string MemoryFileSystem::absolutePath(const std::string& path) const { return path; }

std::optional<Error> writeFileSafely(FileSystem& files, const std::string& path,
                                     const std::string& bytes, const std::string& backup) {
    const auto temporary = files.writeTemporary(path, bytes);
    if (!temporary) return makeError(path, 0, temporary.error());
    const bool backedUp = !backup.empty() && files.isFile(path) && files.rename(path, backup, false);
    if (files.rename(*temporary, path, true)) return std::nullopt;
    files.remove(*temporary);
    if (backedUp) files.rename(backup, path, false);
    return makeError(path, 0, "cannot move the new file into place");
}

}  // namespace kestrel::formats
