#pragma once
// The engine trace: every diagnostic of the script engine goes here as one formatted line.
// By default it is discarded; the command line and the GUI's console route it.
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::script {

class TraceSink {
public:
    virtual ~TraceSink() = default;
    virtual void write(std::string_view text) = 0;
};

class DiscardTrace final : public TraceSink {
public:
    void write(std::string_view) override {}
};

// Keeps every line, for tests and dumps.
class CollectTrace final : public TraceSink {
public:
    std::vector<std::string> lines;
    void write(std::string_view text) override { lines.emplace_back(text); }
    bool contains(std::string_view text) const;
};

class Trace {
public:
    void setSink(TraceSink* sink) { target = sink ? sink : &discard; }
    // printf-style; like the engine's 128-byte message buffer, the text is cut at 127
    // characters.
    void operator()(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // What a run that just stopped said about why: the last line traced, with the one
    // before it when the last is the bare "EXCEPTION THROWN" line; without line ends.
    std::string recent() const;

private:
    std::string lines[2];
    DiscardTrace discard;
    TraceSink* target = &discard;
};

}  // namespace kestrel::script
