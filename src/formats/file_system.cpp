#include "formats/file_system.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace kestrel::formats {

namespace fs = std::filesystem;

namespace {

fs::path hostPath(const std::string& path) { return path.empty() ? fs::path(".") : fs::path(path); }

std::string lastError() { return std::strerror(errno); }

Error tooLarge(const std::string& path, std::size_t limit) {
    return makeError(path, 0, "is larger than " + std::to_string(limit) + " bytes");
}

// The system's reason as the middle of a sentence: "permission denied".
std::string lowerReason(int error) {
    std::string reason = std::strerror(error);
    if (!reason.empty() && reason[0] >= 'A' && reason[0] <= 'Z' && !(reason.size() > 1 && std::isupper(reason[1])))
        reason[0] = static_cast<char>(reason[0] - 'A' + 'a');
    return reason;
}

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

std::expected<std::string, Error> HostFileSystem::readFile(const std::string& path, std::size_t limit) const {
    const int fd = ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::unexpected(makeError(path, 0, lowerReason(errno)));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = errno;
        ::close(fd);
        if (S_ISDIR(st.st_mode)) return std::unexpected(makeError(path, 0, "is a directory"));
        return std::unexpected(makeError(path, 0, error ? lowerReason(error) : "is not a regular file"));
    }
    if (static_cast<std::uintmax_t>(st.st_size) > limit) {
        ::close(fd);
        return std::unexpected(tooLarge(path, limit));
    }
    // Read straight into the string, without filling it first; a file that grows or shrinks
    // meanwhile gives what could be read.
    std::string bytes;
    std::size_t got = 0;
    int failure = 0;
    bytes.resize_and_overwrite(static_cast<std::size_t>(st.st_size), [&](char* data, std::size_t n) {
        while (got < n) {
            const ssize_t r = ::read(fd, data + got, n - got);
            if (r < 0 && errno == EINTR) continue;
            if (r < 0) failure = errno;
            if (r <= 0) break;
            got += static_cast<std::size_t>(r);
        }
        return got;
    });
    ::close(fd);
    if (failure) return std::unexpected(makeError(path, 0, lowerReason(failure)));
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

std::optional<std::string> HostFileSystem::writeFile(const std::string& path, const std::string& bytes,
                                                     const std::string& likeFile) {
    const mode_t mode = modeFor(likeFile.empty() ? path : likeFile);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) return "cannot create a file in its folder: " + lastError();
    // An existing file keeps its mode through open; a new one gets the mode asked for.
    if (::fchmod(fd, mode) != 0) {
        const std::string why = lastError();
        ::close(fd);
        return "cannot set the file's permissions: " + why;
    }
    const bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
    const std::string why = ok ? std::string() : lastError();
    if (::close(fd) != 0 || !ok) return "cannot write the file: " + (why.empty() ? lastError() : why);
    return std::nullopt;
}

namespace {

class HostLock final : public FileLock {
public:
    HostLock(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~HostLock() override {
        // The name goes first, so a process that opens it next makes a new file.
        ::unlink(path_.c_str());
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }

private:
    int fd_;
    std::string path_;
};

std::string lockNameFor(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return folder + "." + name + ".kestrel-lock";
}

}  // namespace

std::expected<std::unique_ptr<FileLock>, std::string> HostFileSystem::lock(const std::string& path, double seconds) {
    const std::string name = lockNameFor(path);
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) return std::unexpected("cannot create a file in its folder: " + lastError());
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // The holder before may have removed the name while this process waited on it.
            struct stat held {
            }, named{};
            if (::fstat(fd, &held) == 0 && ::stat(name.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
                held.st_dev == named.st_dev) {
                const std::string pid = std::to_string(::getpid()) + "\n";
                if (::ftruncate(fd, 0) == 0) (void)writeAll(fd, pid);
                return std::unique_ptr<FileLock>(new HostLock(fd, name));
            }
            ::close(fd);
            continue;
        }
        const int why = errno;
        char holder[32] = {};
        const ssize_t got = ::pread(fd, holder, sizeof holder - 1, 0);
        ::close(fd);
        if (why != EWOULDBLOCK) return std::unexpected("cannot lock " + name + ": " + std::strerror(why));
        if (std::chrono::steady_clock::now() >= until) {
            std::string pid = got > 0 ? std::string(holder, static_cast<std::size_t>(got)) : std::string();
            while (!pid.empty() && (pid.back() == '\n' || pid.back() == ' ')) pid.pop_back();
            return std::unexpected("another save of this set is under way" +
                                   (pid.empty() ? std::string() : " (process " + pid + ")") +
                                   "; try again when it has finished");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
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

std::expected<std::string, Error> MemoryFileSystem::readFile(const std::string& path, std::size_t limit) const {
    const auto it = files.find(path);
    if (it != files.end() && it->second.size() > limit) return std::unexpected(tooLarge(path, limit));
    if (it != files.end()) return it->second;
    return std::unexpected(makeError(path, 0, isDirectory(path) ? "is a directory" : "no such file or directory"));
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

bool MemoryFileSystem::allowed() {
    const int at = changes++;
    return at != failAt && (stopAt < 0 || at < stopAt);
}

std::expected<std::string, std::string> MemoryFileSystem::writeTemporary(const std::string& path,
                                                                         const std::string& bytes) {
    if (failsToWrite(path) || !allowed()) return std::unexpected("cannot write the file: No space left on device");
    const std::string name = path + ".tmp";
    files[name] = bytes;
    return name;
}

bool MemoryFileSystem::failsToWrite(const std::string& path) const {
    constexpr std::string_view kNew = ".kestrel-new";
    return failingWrites.contains(path) ||
           (path.ends_with(kNew) && failingWrites.contains(path.substr(0, path.size() - kNew.size())));
}

std::optional<std::string> MemoryFileSystem::writeFile(const std::string& path, const std::string& bytes,
                                                       const std::string&) {
    const int at = changes;
    if (failsToWrite(path) || !allowed()) {
        // A full disk leaves what fitted; a process that has died writes nothing.
        if (at == failAt || failsToWrite(path)) files[path] = bytes.substr(0, bytes.size() / 2);
        return "cannot write the file: No space left on device";
    }
    files[path] = bytes;
    return std::nullopt;
}

namespace {

class MemoryLock final : public FileLock {
public:
    MemoryLock(std::set<std::string>& locked, std::string path) : locked_(locked), path_(std::move(path)) {}
    ~MemoryLock() override { locked_.erase(path_); }

private:
    std::set<std::string>& locked_;
    std::string path_;
};

}  // namespace

std::expected<std::unique_ptr<FileLock>, std::string> MemoryFileSystem::lock(const std::string& path, double) {
    if (!locked.insert(path).second)
        return std::unexpected("another save of this set is under way (process 4242); try again when it has finished");
    return std::unique_ptr<FileLock>(new MemoryLock(locked, path));
}

bool MemoryFileSystem::rename(const std::string& from, const std::string& to, bool replace) {
    if (!allowed()) return false;
    const auto it = files.find(from);
    if (it == files.end() || (!replace && files.contains(to))) return false;
    std::string bytes = std::move(it->second);
    files.erase(it);
    files[to] = std::move(bytes);
    return true;
}

void MemoryFileSystem::remove(const std::string& path) {
    if (allowed()) files.erase(path);
}

// Folders exist in memory as soon as a file lies in them.
bool MemoryFileSystem::makeDirectories(const std::string&) { return true; }

std::string MemoryFileSystem::absolutePath(const std::string& path) const { return path; }

std::string cannotOpen(const Error& readFailure, const std::string& what) {
    return "cannot open " + what + " (" + readFailure.message + ")";
}

std::expected<void, Error> writeFileSafely(FileSystem& files, const std::string& path, const std::string& bytes,
                                           const std::string& backup) {
    const auto temporary = files.writeTemporary(path, bytes);
    if (!temporary) return std::unexpected(makeError(path, 0, temporary.error()));
    // The backup keeps the oldest version: one that exists already stays. A file that should
    // become the backup and cannot is not replaced either.
    bool backedUp = false;
    if (!backup.empty() && files.isFile(path) && !files.isFile(backup)) {
        if (!files.rename(path, backup, false)) {
            files.remove(*temporary);
            return std::unexpected(
                makeError(path, 0, "cannot keep the old file as " + backup + "; the file is unchanged"));
        }
        backedUp = true;
    }
    if (files.rename(*temporary, path, true)) return {};
    files.remove(*temporary);
    if (backedUp) files.rename(backup, path, false);
    return std::unexpected(makeError(path, 0, "cannot move the new file into place"));
}

}  // namespace kestrel::formats
