#include "link/previewer.h"

#include <cctype>
#include <cmath>

#include "base/console_int16.h"

namespace kestrel::link {

namespace {

constexpr double kPi = 3.1415927410125732;  // π as the console's single-precision value
// A payload that aborts is sent again silently this many times before the user is asked,
// so that a console that acknowledges but then fails cannot keep the command going for ever.
constexpr int kSilentRetries = 3;

std::uint8_t high(std::int32_t value) { return static_cast<std::uint8_t>(value >> 8); }
std::uint8_t low(std::int32_t value) { return static_cast<std::uint8_t>(value); }

using base::wrap16;

std::uint8_t lower(char letter) { return static_cast<std::uint8_t>(std::tolower(static_cast<unsigned char>(letter))); }

}  // namespace

std::int16_t angleUnits(double radians) { return wrap16(radians * 4096 / (2 * kPi)); }

std::int32_t scaleUnits(double scale) { return wrap16(scale * kPi * 0.5 * 4096); }

Previewer::Previewer(ActionReplayLink& consoleLink, CommsErrorPrompt retryPrompt)
    : link(consoleLink), prompt(std::move(retryPrompt)) {}

bool Previewer::askRetry() {
    link.clearAborted();
    return prompt && prompt();
}

bool Previewer::acknowledged(char letter, const Attempt& attempt) {
    while (!link.repeatUntil(attempt, lower(letter)))
        if (!askRetry()) return false;
    return true;
}

Previewer::Attempt Previewer::exchangeTry(char letter, bool zeroFirst) {
    return [this, letter, zeroFirst] {
        if (zeroFirst) link.exchangeByte(0);
        return link.exchangeByte(static_cast<std::uint8_t>(letter));
    };
}

bool Previewer::handshake(char letter, bool zeroFirst) { return acknowledged(letter, exchangeTry(letter, zeroFirst)); }

bool Previewer::withPayload(char letter, const Attempt& attempt, const std::function<void()>& payload) {
    for (int failures = 1;; ++failures) {
        if (!acknowledged(letter, attempt)) return false;
        payload();
        if (!link.aborted()) return true;
        link.clearAborted();
        if (failures >= kSilentRetries && !askRetry()) return false;
    }
}

bool Previewer::sendBlockCommand(char letter, std::span<const std::uint8_t> bytes) {
    if (!handshake(letter, false)) return false;
    if (!link.sendBlock(bytes)) ++failedBlocks;
    return true;
}

bool Previewer::sendTextures(int count, const TextureReader& read, const TextureProgress& progress) {
    int position = 0;
    if (progress) progress(position, count);
    for (int slot = 0; slot < count; ++slot) {
        const std::optional<std::vector<std::uint8_t>> tim = read(slot);
        if (!tim) continue;  // a file that cannot be read is skipped, the bar not stepped
        if (!sendBlockCommand('T', *tim)) return false;
        if (progress) progress(++position, count);
    }
    return true;
}

bool Previewer::sendModel(std::span<const std::uint8_t> tmd) { return sendBlockCommand('M', tmd); }

bool Previewer::sendMime(std::span<const std::uint8_t> mime) { return sendBlockCommand('A', mime); }

void Previewer::sendAll(int count, const TextureReader& read, std::span<const std::uint8_t> tmd,
                        const TextureProgress& progress) {
    sendTextures(count, read, progress);
    sendModel(tmd);
}

bool Previewer::sendViewer(std::vector<std::uint8_t> image) {
    const std::uint32_t entry = link.uploadExecutable(std::move(image));
    if (entry == 0) return false;
    link.runAt(entry);
    return true;
}

// One step of View Track: the letter tried with timed exchanges (no Escape) until it is
// acknowledged, then the values. On Cancel the setting goes off; false then.
bool Previewer::trackStep(char letter, std::span<const std::int32_t> values, std::span<const std::uint8_t> answers) {
    const auto attempt = [&] {
        link.sendByte(static_cast<std::uint8_t>(letter));
        return link.receiveByte(true);
    };
    const bool sent = withPayload(letter, attempt, [&] {
        for (std::size_t i = 0; i < values.size(); ++i) {
            const std::uint8_t got[] = {link.exchangeByte(high(values[i])), link.exchangeByte(low(values[i]))};
            for (std::size_t k = 0; k < 2; ++k)
                if (!answers.empty() && got[k] != answers[2 * i + k] && messages) *messages << "!!!\n";
        }
    });
    if (!sent) viewTrack = false;
    return sent;
}

void Previewer::trackView(double rotationX, double rotationY, double scale) {
    const std::int32_t angles[] = {angleUnits(rotationX), angleUnits(rotationY)};
    static constexpr std::uint8_t kAngleAnswers[] = {1, 3, 5, 7};
    trackStep('R', angles, kAngleAnswers);  // a Cancel here still sends the scale
    const std::int32_t scaled[] = {scaleUnits(scale)};
    trackStep('S', scaled, {});
}

bool Previewer::setVideoMode(int newWidth, int newHeight) {
    const bool sent = withPayload('Z', exchangeTry('Z', true), [&] {
        for (const std::uint8_t b : {std::uint8_t{4}, high(newWidth), std::uint8_t{3}, low(newWidth), std::uint8_t{2},
                                     high(newHeight), std::uint8_t{1}, low(newHeight), std::uint8_t{0}})
            link.exchangeByte(b);
    });
    if (!sent) {
        viewTrack = false;
        return false;
    }
    width = newWidth;
    height = newHeight;
    return true;
}

bool Previewer::profiler(bool& setting, bool value, char on, char off) {
    setting = value;  // kept even when the console is not told
    const bool sent = withPayload('F', exchangeTry('F', true), [&] {
        link.exchangeByte(static_cast<std::uint8_t>(setting ? on : off));
        link.exchangeByte(0);
    });
    if (!sent) viewTrack = false;
    return sent;
}

bool Previewer::setCpuProfiler(bool on) { return profiler(cpu, on, 'C', 'c'); }

bool Previewer::setGpuProfiler(bool on) { return profiler(gpu, on, 'G', 'g'); }

}  // namespace kestrel::link
