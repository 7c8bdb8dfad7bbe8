#pragma once
// Animated GIF files of straight-colour frames, for sharing a movement as a picture: written
// through giflib, each frame's colours reduced to 256 by giflib's quantiser.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kestrel::formats {

class AnimatedGif {
public:
    // Frames of width x height pixels, each shown for delay hundredths of a second, looping
    // for ever.
    AnimatedGif(int width, int height, int delay);
    ~AnimatedGif();
    AnimatedGif(const AnimatedGif&) = delete;
    AnimatedGif& operator=(const AnimatedGif&) = delete;

    // Adds a frame given as 0xAARRGGBB, top row first; false once anything has failed.
    bool add(const std::vector<std::uint32_t>& pixels);
    // The file's bytes; empty when it could not be written.
    std::string finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace kestrel::formats
