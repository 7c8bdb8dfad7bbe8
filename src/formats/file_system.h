#pragma once
// The files readers and writers see. The host implementation reaches the disk; the memory
// implementation serves tests and the fuzzer, and can be told to fail a write.
#include <expected>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "formats/error.h"

namespace kestrel::formats {

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // The whole file, or nothing when it cannot be opened.
    virtual std::optional<std::string> readFile(const std::string& path) const = 0;
    virtual bool isFile(const std::string& path) const = 0;
    virtual bool isDirectory(const std::string& path) const = 0;
    // Names of the entries of a folder ("" is the current folder).
    virtual std::vector<std::string> listDirectory(const std::string& path) const = 0;
    // Writes the bytes to a new temporary file beside path and returns its name; on failure
    // nothing is left behind and the reason is returned.
    virtual std::expected<std::string, std::string> writeTemporary(const std::string& path,
                                                                   const std::string& bytes) = 0;
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
    std::optional<std::string> readFile(const std::string& path) const override;
    bool isFile(const std::string& path) const override;
    bool isDirectory(const std::string& path) const override;
    std::vector<std::string> listDirectory(const std::string& path) const override;
    std::expected<std::string, std::string> writeTemporary(const std::string& path,
                                                           const std::string& bytes) override;
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
    std::set<std::string> failingWrites;  // writes of these paths fail as if the disk were full

    std::optional<std::string> readFile(const std::string& path) const override;
    bool isFile(const std::string& path) const override;
    bool isDirectory(const std::string& path) const override;
    std::vector<std::string> listDirectory(const std::string& path) const override;
    std::expected<std::string, std::string> writeTemporary(const std::string& path,
                                                           const std::string& bytes) override;
    bool rename(const std::string& from, const std::string& to, bool replace) override;
    void remove(const std::string& path) override;
    bool makeDirectories(const std::string& path) override;
    std::string absolutePath(const std::string& path) const override;
};

// Writes the bytes to path through a temporary file. With a backup name, an existing file
// first moves there, unless that backup exists already (it keeps the oldest version). On
// failure the file on disk is what it was and the error says why.
std::optional<Error> writeFileSafely(FileSystem& files, const std::string& path,
                                     const std::string& bytes, const std::string& backup = {});

}  // namespace kestrel::formats
