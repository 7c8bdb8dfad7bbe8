#include "script/trace.h"

#include <cstdarg>
#include <algorithm>
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
    target->write(std::string_view(buffer, std::min<std::size_t>(static_cast<std::size_t>(length), sizeof buffer - 1)));
}

}  // namespace kestrel::script
