#include "cli_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace kestrel::cli::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "kestrel-cli-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    root = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(root, ignored);
}

fs::path sourceDir() {
    const char* dir = std::getenv("KESTREL_SOURCE_DIR");
    return dir && *dir ? fs::path(dir) : fs::current_path();
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

CliRun runCli(const std::vector<std::string>& arguments, const CliSetup& setup) {
    const TempDir capture;
    const std::string outPath = setup.standardOutput.empty() ? (capture / "out").string() : setup.standardOutput;
    const std::string errPath = (capture / "err").string();

    std::vector<std::string> words{KESTREL_CLI_PATH};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const std::string directory = setup.workingDirectory.string();
    if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());

    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " + words[0]);
    if (setup.whileRunning) setup.whileRunning(pid);

    int wait = 0;
    while (waitpid(pid, &wait, 0) < 0 && errno == EINTR) {
    }
    CliRun run;
    run.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    if (setup.standardOutput.empty()) run.out = readFile(outPath);
    run.err = readFile(errPath);
    return run;
}

}  // namespace kestrel::cli::test
