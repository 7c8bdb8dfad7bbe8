#pragma once
// Runs the built kestrel-cli, or another program, as a separate process and captures what it
// prints.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kestrel::cli::test {

struct CliRun {
    int status = -1;  // the exit status; -1 when the process did not exit normally
    std::string out;
    std::string err;
};

struct CliSetup {
    std::filesystem::path workingDirectory;     // empty: the test's own
    std::string standardOutput;                 // a file to send stdout to instead of capturing it
    std::function<void(int pid)> whileRunning;  // called once the process has started
};

CliRun runCli(const std::vector<std::string>& arguments, const CliSetup& setup = {});
// Runs command[0] (looked up in PATH when it has no '/') with the rest as its arguments, in
// this process's environment changed as environment says: "NAME=value" sets NAME, "NAME"
// alone removes it.
CliRun runProgram(const std::vector<std::string>& command, const CliSetup& setup = {},
                  const std::vector<std::string>& environment = {});

// A fresh folder under the system temp folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return root; }
    std::filesystem::path operator/(const std::string& name) const { return root / name; }

private:
    std::filesystem::path root;
};

// The repository's root: KESTREL_SOURCE_DIR when set, else the working directory.
std::filesystem::path sourceDir();
std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace kestrel::cli::test
