#include "script/trace.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace kestrel::script {

bool CollectTrace::contains(std::string_view text) const {
    for (const auto& line : lines)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

void Trace::operator()(const char* format, ...) {
    char buffer[128];
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    if (length < 0) return;
    const std::string_view text(buffer, std::min<std::size_t>(static_cast<std::size_t>(length), sizeof buffer - 1));
    lines[0] = std::move(lines[1]);
    lines[1].assign(text.substr(0, text.find_last_not_of('\n') + 1));
    target->write(text);
}

std::string Trace::recent() const {
    // A fatal error's own line only names the module; the line before it says what failed.
    if (lines[0].empty() || !lines[1].starts_with("EXCEPTION THROWN")) return lines[1];
    return lines[0] + " / " + lines[1];
}

}  // namespace kestrel::script
