#pragma once
// Located messages about files: an Error stops a load or save, a Warning does not.
#include <string>

namespace kestrel::formats {

struct Error {
    std::string file;     // the path as the user knows it; empty when no file is involved
    int line = 0;         // 1-based line number; 0 when the message is about the whole file
    std::string message;  // a sentence a user understands

    // "robot.ply:14: polygon 3 uses vertex 912 but the file has 40 vertices"
    std::string describe() const;
};

struct Warning : Error {};

Error makeError(std::string file, int line, std::string message);
// "1 polygon", "40 vertices": a count and its noun for a message.
std::string countOf(long long count, const std::string& singular);
Warning makeWarning(std::string file, int line, std::string message);

}  // namespace kestrel::formats
