#include "render/software_device.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cwchar>
#include <limits>
#include <memory>
#include <thread>
#include <utility>

namespace kestrel::render {

namespace {

constexpr std::size_t kMaxRecorded = std::numeric_limits<std::uint32_t>::max() - 3;

// Below this many recorded primitives (or clears, counted per band) the threads would cost
// more than they save.
constexpr std::size_t kThreadedWork = 512;
// A clear counts as one primitive for every this many pixels.
constexpr std::size_t kClearPixelsPerItem = 1024;

// Fills count 32-bit words with a pattern. Where wchar_t is 32 bits the C library's wide
// fill does it: it is written for long runs and stores without reading the memory first.
template <typename Word>
void fill32(Word* words, std::size_t count, std::uint32_t pattern) {
    static_assert(sizeof(Word) == 4);
    if constexpr (sizeof(wchar_t) == 4) {
        std::wmemset(reinterpret_cast<wchar_t*>(words), static_cast<wchar_t>(pattern), count);
    } else {
        std::fill_n(words, count, std::bit_cast<Word>(pattern));
    }
}

}  // namespace

SoftwareDevice::SoftwareDevice(int width, int height)
    : width_(std::clamp(width, 1, kMaxSide)), height_(std::clamp(height, 1, kMaxSide)) {
    const std::size_t count = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    colour_.assign(count, 0xFF000000u);
    depth_.assign(count, 1.0f);
    bands_.resize(static_cast<std::size_t>((height_ + kBandRows - 1) / kBandRows));
    maxThreads_ = std::max(1u, std::thread::hardware_concurrency());
}

SoftwareDevice::~SoftwareDevice() = default;

void SoftwareDevice::clear(bool target, bool depth) {
    if (!target && !depth) return;
    if (commands_.size() >= kMaxRecorded) present();
    Command command;
    command.kind = Command::kClear;
    command.clearTarget = target;
    command.clearDepth = depth;
    command.background = 0xFF000000u | background_;
    // A clear before anything else is recorded (the start of a frame) is done by the helper
    // threads at once, while this thread goes on recording the frame.
    const std::size_t clearWork =
        static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) / kClearPixelsPerItem;
    if (commands_.empty() && !clearing_ && clearWork >= kThreadedWork && maxThreads_ > 1) {
        workers().start(bands_.size(), [this, command](std::size_t band) { clearBand(band, command); });
        clearing_ = true;
        return;
    }
    const auto index = static_cast<std::uint32_t>(commands_.size());
    commands_.push_back(command);
    for (auto& band : bands_) band.push_back({index, 0});
    work_ += clearWork;
}

TextureHandle SoftwareDevice::createTexture(const TextureImage& image) {
    if (image.size < 1 || !std::has_single_bit(static_cast<unsigned>(image.size))) return 0;
    const auto side = static_cast<std::size_t>(image.size);
    if (image.texels.size() != side * side) return 0;
    if (nextHandle_ == std::numeric_limits<TextureHandle>::max()) return 0;
    Texture texture;
    texture.size = image.size;
    texture.shift = std::countr_zero(static_cast<unsigned>(image.size));
    texture.texels = image.texels;
    textures_.emplace(nextHandle_, std::move(texture));
    return nextHandle_++;
}

void SoftwareDevice::releaseTexture(TextureHandle texture) {
    present();  // what is recorded may still sample it
    textures_.erase(texture);
}

const SoftwareDevice::Texture* SoftwareDevice::selectedTexture() const {
    if (selected_ == 0) return nullptr;
    const auto found = textures_.find(selected_);
    return found == textures_.end() ? nullptr : &found->second;
}

void SoftwareDevice::drawTriangles(std::span<const ScreenVertex> vertices) { record(Command::kTriangles, vertices, 3); }

void SoftwareDevice::drawLines(std::span<const ScreenVertex> vertices) { record(Command::kLines, vertices, 2); }

void SoftwareDevice::record(Command::Kind kind, std::span<const ScreenVertex> vertices, std::size_t perPrimitive) {
    const std::size_t count = vertices.size() / perPrimitive * perPrimitive;
    if (count == 0) return;
    if (vertices_.size() + count > kMaxRecorded || commands_.size() >= kMaxRecorded) present();
    if (count > kMaxRecorded) {  // more than can be recorded at all: draw it in parts
        const std::size_t part = kMaxRecorded / perPrimitive * perPrimitive;
        for (std::size_t at = 0; at < count; at += part)
            record(kind, vertices.subspan(at, std::min(part, count - at)), perPrimitive);
        return;
    }
    Command command;
    command.kind = kind;
    const Texture* texture = kind == Command::kTriangles ? selectedTexture() : nullptr;
    command.mode = raster::modeOf(states_, texture != nullptr);
    if (texture)
        command.sampler = {texture->texels.data(), texture->size, texture->shift,
                           static_cast<std::size_t>(texture->size) - 1};
    // A draw with the same switches as the one before shares its command.
    if (commands_.empty() || !commands_.back().sameDraw(command)) commands_.push_back(command);
    const auto index = static_cast<std::uint32_t>(commands_.size() - 1);
    const std::size_t first = vertices_.size();
    vertices_.insert(vertices_.end(), vertices.begin(), vertices.begin() + static_cast<std::ptrdiff_t>(count));

    // Each primitive goes to the bands its rows may touch, a row either way to spare for the
    // snapping and rounding of the scan converters; one wholly outside goes nowhere.
    const float lowest = -2.0f, highest = static_cast<float>(height_) + 1.0f;
    const int lastBand = static_cast<int>(bands_.size()) - 1;
    for (std::size_t at = 0; at < count; at += perPrimitive) {
        float minY = vertices[at].y, maxY = minY;
        for (std::size_t k = 1; k < perPrimitive; ++k) {
            minY = std::min(minY, vertices[at + k].y);
            maxY = std::max(maxY, vertices[at + k].y);
        }
        if (!(minY <= highest && maxY >= lowest)) continue;  // also NaN
        // Truncation is the floor here but for -2 < y < 0, where it is one row more.
        const int top = static_cast<int>(std::max(minY, lowest)) - 2;
        const int bottom = static_cast<int>(std::min(maxY, highest)) + 1;
        const int from = std::max(top, 0) / kBandRows, to = std::min(bottom / kBandRows, lastBand);
        const auto vertex = static_cast<std::uint32_t>(first + at);
        for (int band = from; band <= to; ++band) bands_[static_cast<std::size_t>(band)].push_back({index, vertex});
        work_ += static_cast<std::size_t>(to - from + 1);
    }
}

void SoftwareDevice::clearBand(std::size_t band, const Command& clear) {
    const int top = static_cast<int>(band) * kBandRows, end = std::min(height_, top + kBandRows);
    const std::size_t from = static_cast<std::size_t>(top) * static_cast<std::size_t>(width_),
                      to = static_cast<std::size_t>(end) * static_cast<std::size_t>(width_);
    if (clear.clearTarget) fill32(colour_.data() + from, to - from, clear.background);
    if (clear.clearDepth) fill32(depth_.data() + from, to - from, std::bit_cast<std::uint32_t>(1.0f));
}

void SoftwareDevice::drawBand(std::size_t band) {
    const int top = static_cast<int>(band) * kBandRows, end = std::min(height_, top + kBandRows);
    const raster::Target target{colour_.data(), depth_.data(), width_, height_, top, end};
    for (const BandItem& item : bands_[band]) {
        const Command& command = commands_[item.command];
        const ScreenVertex* vertices = vertices_.data() + item.vertex;
        switch (command.kind) {
            case Command::kClear:
                clearBand(band, command);
                break;
            case Command::kTriangles:
                raster::drawTriangle(command.mode, target, command.sampler, vertices);
                break;
            case Command::kLines:
                raster::drawLine(command.mode, target, vertices);
                break;
        }
    }
}

BandWorkers& SoftwareDevice::workers() {
    if (!workers_) workers_ = std::make_unique<BandWorkers>(maxThreads_ - 1);
    return *workers_;
}

void SoftwareDevice::setMaxThreads(unsigned threads) {
    present();
    maxThreads_ = std::max(1u, threads);
    workers_.reset();
}

void SoftwareDevice::present() {
    if (clearing_) {
        workers_->help();
        workers_->wait();
        clearing_ = false;
    }
    if (commands_.empty()) return;
    if (work_ < kThreadedWork || maxThreads_ <= 1) {
        for (std::size_t band = 0; band < bands_.size(); ++band) drawBand(band);
    } else {
        BandWorkers& helpers = workers();
        helpers.start(bands_.size(), [this](std::size_t band) { drawBand(band); });
        helpers.help();
        helpers.wait();
    }
    commands_.clear();
    vertices_.clear();
    for (auto& band : bands_) band.clear();
    work_ = 0;
}

}  // namespace kestrel::render
