#include "install_support.h"

namespace kestrel::install::test {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        result.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return result;
}

std::string described(const std::string& what, const CliRun& run) {
    return what + ": status " + std::to_string(run.status) + "\n" + run.out + run.err;
}

}  // namespace kestrel::install::test
