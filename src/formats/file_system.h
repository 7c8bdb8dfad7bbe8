#pragma once
// The files readers and writers see. The host implementation reaches the disk; the memory
// implementation serves tests and the fuzzer, and can be told to fail a write.
#include <expected>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "formats/error.h"

namespace kestrel::formats {

// An advisory lock held until the object goes.
class FileLock {
public:
    virtual ~FileLock() = default;
};

inline constexpr std::size_t kNoSizeLimit = static_cast<std::size_t>(-1);

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // The whole file; when it cannot be read, an error on the path whose message is the
    // system's reason ("no such file or directory", "permission denied", "is a directory").
    // A file larger than limit is not read ("is larger than 2097152 bytes").
    virtual std::expected<std::string, Error> readFile(const std::string& path,
                                                       std::size_t limit = kNoSizeLimit) const = 0;
    virtual bool isFile(const std::string& path) const = 0;
    virtual bool isDirectory(const std::string& path) const = 0;
    // Names of the entries of a folder ("" is the current folder).
    virtual std::vector<std::string> listDirectory(const std::string& path) const = 0;
    // Writes the bytes to a new temporary file beside path and returns its name; on failure
    // nothing is left behind and the reason is returned.
    virtual std::expected<std::string, std::string> writeTemporary(const std::string& path,
                                                                   const std::string& bytes) = 0;
    // Writes the bytes to exactly that name, replacing what is there, and flushes them to the
    // disk; on failure the reason is returned (and the file may hold part of the bytes).
    // A new file takes the permissions of likeFile when that exists.
    virtual std::optional<std::string> writeFile(const std::string& path, const std::string& bytes,
                                                 const std::string& likeFile = {}) = 0;
    // Takes the lock of that name for this process, waiting up to `seconds` for another
    // holder to let go; when it cannot, the reason, naming the holder when it is known.
    virtual std::expected<std::unique_ptr<FileLock>, std::string> lock(const std::string& path, double seconds) = 0;
    // Moves from onto to, replacing to when replace is set; false when it cannot.
    virtual bool rename(const std::string& from, const std::string& to, bool replace) = 0;
    virtual void remove(const std::string& path) = 0;
    // Creates the folder and any missing parents; false when it cannot.
    virtual bool makeDirectories(const std::string& path) = 0;
    // The full path a file dialog would give for path. Model files store full paths, so
    // that the names they write read back the same from any folder.
    virtual std::string absolutePath(const std::string& path) const = 0;
};

class HostFileSystem final : public FileSystem {
public:
    std::expected<std::string, Error> readFile(const std::string& path,
                                               std::size_t limit = kNoSizeLimit) const override;
    bool isFile(const std::string& path) const override;
    bool isDirectory(const std::string& path) const override;
    std::vector<std::string> listDirectory(const std::string& path) const override;
    std::expected<std::string, std::string> writeTemporary(const std::string& path, const std::string& bytes) override;
    std::optional<std::string> writeFile(const std::string& path, const std::string& bytes,
                                         const std::string& likeFile = {}) override;
    // A hidden file beside the path (".NAME.kestrel-lock") holding the holder's process number,
    // locked with flock.
    std::expected<std::unique_ptr<FileLock>, std::string> lock(const std::string& path, double seconds) override;
    bool rename(const std::string& from, const std::string& to, bool replace) override;
    void remove(const std::string& path) override;
    bool makeDirectories(const std::string& path) override;
    std::string absolutePath(const std::string& path) const override;
};

// Paths use '/' between folders; a path without '/' lies in the folder "". There is no
// working folder: every path counts as a full path.
class MemoryFileSystem final : public FileSystem {
public:
    std::map<std::string, std::string> files;
    // Writes of these paths, or of new files for them ("PATH.kestrel-new"), fail as if the disk
    // were full.
    std::set<std::string> failingWrites;
    // Changes (writes, renames, removals) are counted from 0. The one numbered failAt fails
    // as a full disk would; from stopAt on, every change fails, as after the process died.
    int failAt = -1;
    int stopAt = -1;
    int changes = 0;
    std::set<std::string> locked;  // locks held, by path

    std::expected<std::string, Error> readFile(const std::string& path,
                                               std::size_t limit = kNoSizeLimit) const override;
    bool isFile(const std::string& path) const override;
    bool isDirectory(const std::string& path) const override;
    std::vector<std::string> listDirectory(const std::string& path) const override;
    std::expected<std::string, std::string> writeTemporary(const std::string& path, const std::string& bytes) override;
    std::optional<std::string> writeFile(const std::string& path, const std::string& bytes,
                                         const std::string& likeFile = {}) override;
    std::expected<std::unique_ptr<FileLock>, std::string> lock(const std::string& path, double seconds) override;
    bool rename(const std::string& from, const std::string& to, bool replace) override;
    void remove(const std::string& path) override;
    bool makeDirectories(const std::string& path) override;
    std::string absolutePath(const std::string& path) const override;

private:
    // Counts a change; false when it is to fail.
    bool allowed();
    bool failsToWrite(const std::string& path) const;
};

// Writes the bytes to path through a temporary file. With a backup name, an existing file
// first moves there, unless that backup exists already (it keeps the oldest version). On
// failure the file on disk is what it was and the error says why.
std::expected<void, Error> writeFileSafely(FileSystem& files, const std::string& path, const std::string& bytes,
                                           const std::string& backup = {});

// "cannot open the file (permission denied)": what a reader says about a file it could not
// read, with the reason readFile gave.
std::string cannotOpen(const Error& readFailure, const std::string& what = "the file");

}  // namespace kestrel::formats
