#pragma once
// The OpenGL device's shader programs: their sources, written once for every GLSL dialect,
// and the prelude that adapts them to the context at hand.
#include <expected>
#include <string>

class QOpenGLContext;

namespace kestrel::ui::gl {

extern const char* const kTriangleVertex;
extern const char* const kLineVertex;
extern const char* const kDepthOf;
extern const char* const kTriangleFragment;
extern const char* const kLineFragment;

struct Preludes {
    std::string vertex, fragment;
};

// The GLSL dialect of the context: 1.10/1.20 for legacy desktop contexts, 1.50 for core ones,
// ES 3.00, or ES 1.00 with the fragment depth extension. An error when there is none that can
// write fragment depth.
std::expected<Preludes, std::string> preludesFor(QOpenGLContext& context);

}  // namespace kestrel::ui::gl
