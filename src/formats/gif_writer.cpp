#include "formats/gif_writer.h"

#include <gif_lib.h>

#include <cstring>

namespace kestrel::formats {

struct AnimatedGif::State {
    int width = 0, height = 0, delay = 0;
    std::string bytes;
    GifFileType* gif = nullptr;
    bool failed = false;
};

namespace {

int appendBytes(GifFileType* gif, const GifByteType* data, int length) {
    static_cast<std::string*>(gif->UserData)
        ->append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length));
    return length;
}

}  // namespace

AnimatedGif::AnimatedGif(int width, int height, int delay) : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.width = width, s.height = height, s.delay = delay;
    int error = 0;
    s.gif = width > 0 && height > 0 ? EGifOpen(&s.bytes, appendBytes, &error) : nullptr;
    if (!s.gif) {
        s.failed = true;
        return;
    }
    EGifSetGifVersion(s.gif, true);
    // The application extension that makes viewers loop the animation for ever.
    const GifByteType loop[3] = {1, 0, 0};
    s.failed = EGifPutScreenDesc(s.gif, width, height, 8, 0, nullptr) == GIF_ERROR ||
               EGifPutExtensionLeader(s.gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
               EGifPutExtensionBlock(s.gif, 11, "NETSCAPE2.0") == GIF_ERROR ||
               EGifPutExtensionBlock(s.gif, 3, loop) == GIF_ERROR || EGifPutExtensionTrailer(s.gif) == GIF_ERROR;
}

AnimatedGif::~AnimatedGif() {
    if (state_->gif) EGifCloseFile(state_->gif, nullptr);
}

bool AnimatedGif::add(const std::vector<std::uint32_t>& pixels) {
    State& s = *state_;
    const std::size_t count = static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height);
    if (s.failed || pixels.size() != count) {
        s.failed = true;
        return false;
    }
    std::vector<GifByteType> red(count), green(count), blue(count), indices(count);
    for (std::size_t i = 0; i < count; ++i) {
        red[i] = static_cast<GifByteType>(pixels[i] >> 16);
        green[i] = static_cast<GifByteType>(pixels[i] >> 8);
        blue[i] = static_cast<GifByteType>(pixels[i]);
    }
    GifColorType colours[256];
    int size = 256;
    if (GifQuantizeBuffer(static_cast<unsigned>(s.width), static_cast<unsigned>(s.height), &size, red.data(),
                          green.data(), blue.data(), indices.data(), colours) == GIF_ERROR) {
        s.failed = true;
        return false;
    }
    ColorMapObject* map = GifMakeMapObject(256, colours);
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.DelayTime = s.delay;
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    const std::size_t length = EGifGCBToExtension(&control, extension);
    bool ok = map &&
              EGifPutExtension(s.gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) != GIF_ERROR &&
              EGifPutImageDesc(s.gif, 0, 0, s.width, s.height, false, map) != GIF_ERROR;
    for (int y = 0; ok && y < s.height; ++y)
        ok = EGifPutLine(s.gif, indices.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(s.width),
                         s.width) != GIF_ERROR;
    if (map) GifFreeMapObject(map);
    if (!ok) s.failed = true;
    return ok;
}

std::string AnimatedGif::finish() {
    State& s = *state_;
    if (!s.gif) return {};
    int error = 0;
    const bool closed = EGifCloseFile(s.gif, &error) != GIF_ERROR;
    s.gif = nullptr;
    if (s.failed || !closed) return {};
    return std::move(s.bytes);
}

}  // namespace kestrel::formats
