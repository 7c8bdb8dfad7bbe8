#include "app/console_session.h"

#include <cstdio>

#include "formats/error.h"

namespace kestrel::app {

ConsoleSession::ConsoleSession(Document& document, link::PortIo& port, link::Clock& clock, link::Priority& priority,
                               std::uint16_t portBase, link::CommsErrorPrompt prompt)
    : document_(document), link_(port, clock, keys_, priority, portBase), previewer_(link_, std::move(prompt)) {}

std::expected<void, std::string> ConsoleSession::run(ConsoleCommand command) {
    const auto texture = [this](int slot) { return document_.consoleTexture(slot); };
    const int count = document_.model().textureCount();
    switch (command) {
        case ConsoleCommand::SendTextures:
            previewer_.sendTextures(count, texture, progress);
            return {};
        case ConsoleCommand::SendModel:
        case ConsoleCommand::SendAll: {
            const auto tmd = document_.consoleModel();
            if (!tmd) return std::unexpected(tmd.error());
            if (command == ConsoleCommand::SendModel)
                previewer_.sendModel(*tmd);
            else
                previewer_.sendAll(count, texture, *tmd, progress);
            return {};
        }
        case ConsoleCommand::SendMime: {
            const auto mime = document_.consoleMime();
            if (!mime) return std::unexpected(mime.error());
            previewer_.sendMime(*mime);
            return {};
        }
        case ConsoleCommand::SendViewer: {
            const std::string file = previewerPath(document_.settings());
            const auto image = document_.files().readFile(file);
            if (!image)
                return std::unexpected("cannot read the previewer program '" + file + "' (" + image.error().message +
                                       ")");
            if (!previewer_.sendViewer({image->begin(), image->end()}) && !link_.aborted())
                return std::unexpected("the upload failed: the console did not echo every byte");
            return {};
        }
        case ConsoleCommand::Reset:
            link_.reset();
            return {};
        case ConsoleCommand::Halt:
            link_.halt();
            return {};
        case ConsoleCommand::Resume:
            link_.resume();
            return {};
    }
    return {};
}

void ConsoleSession::trackView(double rotationX, double rotationY, double scale) {
    if (previewer_.viewTrack) previewer_.trackView(rotationX, rotationY, scale);
}

std::vector<std::string> receivedSince(const link::EmulatedConsole::Received& before,
                                       const link::EmulatedConsole::Received& after) {
    std::vector<std::string> lines;
    const auto times = [](int n, const char* what) { return formats::countOf(n, what); };
    if (after.resets > before.resets) lines.push_back(times(after.resets - before.resets, "reset"));
    if (after.halts > before.halts) lines.push_back(times(after.halts - before.halts, "halt"));
    if (after.resumes > before.resumes) lines.push_back(times(after.resumes - before.resumes, "resume"));
    if (after.memory != before.memory || after.uploadAddress != before.uploadAddress) {
        char address[16];
        std::snprintf(address, sizeof address, "0x%08X", after.uploadAddress);
        lines.push_back("program upload: " + times(static_cast<int>(after.memory.size()), "byte") + " at " + address);
    }
    if (after.previewerRunning && !before.previewerRunning) lines.push_back("previewer started");
    for (std::size_t i = before.textures.size(); i < after.textures.size(); ++i)
        lines.push_back("texture block " + std::to_string(i + 1) + ": " +
                        times(static_cast<int>(after.textures[i].size()), "byte"));
    if (after.modelBlocks > before.modelBlocks)
        lines.push_back("model block: " + times(static_cast<int>(after.model.size()), "byte"));
    if (after.mimeBlocks > before.mimeBlocks)
        lines.push_back("MIMe block: " + times(static_cast<int>(after.mime.size()), "byte"));
    if (after.angleX != before.angleX || after.angleY != before.angleY || after.scale != before.scale ||
        after.letters.size() > before.letters.size()) {
        bool camera = false;
        for (std::size_t i = before.letters.size(); i < after.letters.size(); ++i)
            camera = camera || after.letters[i] == 'R' || after.letters[i] == 'S';
        if (camera)
            lines.push_back("camera: angles " + std::to_string(after.angleX) + ", " + std::to_string(after.angleY) +
                            ", scale " + std::to_string(after.scale));
    }
    if (after.videoWidth != before.videoWidth || after.videoHeight != before.videoHeight)
        lines.push_back("video mode " + std::to_string(after.videoWidth) + "x" + std::to_string(after.videoHeight));
    if (after.cpuProfiler != before.cpuProfiler)
        lines.push_back(std::string("CPU profiler ") + (after.cpuProfiler ? "on" : "off"));
    if (after.gpuProfiler != before.gpuProfiler)
        lines.push_back(std::string("GPU profiler ") + (after.gpuProfiler ? "on" : "off"));
    if (after.checksumFailures > before.checksumFailures)
        lines.push_back(times(after.checksumFailures - before.checksumFailures, "chunk") + " refused for the checksum");
    return lines;
}

}  // namespace kestrel::app
