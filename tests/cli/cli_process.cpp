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

namespace {

// The environment this process has, with the changes applied.
std::vector<std::string> changedEnvironment(const std::vector<std::string>& changes) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry; ++entry) result.emplace_back(*entry);
    for (const std::string& change : changes) {
        const std::string name = change.substr(0, change.find('='));
        std::erase_if(result, [&](const std::string& e) { return e.starts_with(name + "="); });
        if (change.find('=') != std::string::npos) result.push_back(change);
    }
    return result;
}

}  // namespace

CliRun runCli(const std::vector<std::string>& arguments, const CliSetup& setup) {
    std::vector<std::string> command{KESTREL_CLI_PATH};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return runProgram(command, setup);
}

CliRun runProgram(const std::vector<std::string>& command, const CliSetup& setup,
                  const std::vector<std::string>& environment) {
    const TempDir capture;
    const std::string outPath = setup.standardOutput.empty() ? (capture / "out").string() : setup.standardOutput;
    const std::string errPath = (capture / "err").string();

    std::vector<std::string> words = command;
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

    std::vector<std::string> variables = changedEnvironment(environment);
    std::vector<char*> envp;
    for (auto& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);

    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
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
