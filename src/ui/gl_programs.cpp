#include "ui/gl_programs.h"

#include <QOpenGLContext>
#include <QSurfaceFormat>

namespace kestrel::ui::gl {

// Two programs: triangles interpolate colour, depth and texture coordinates over the corners;
// a line's quad carries the whole line to each fragment, which keeps only the pixels the
// software stepper visits. Both round colours to bytes as the software device does and write
// depth through the same order-keeping map (see depthOf).
const char* const kTriangleVertex = R"(
IN vec2 a_position;
IN float a_depth;
IN vec4 a_colour;
IN vec2 a_texcoord;
uniform vec2 u_scale;
uniform float u_flip;  // -1 with the window origin at the top left
OUT vec4 v_colour;
OUT vec2 v_texcoord;
OUT float v_depth;
void main() {
    gl_Position = vec4(a_position.x * u_scale.x - 1.0, u_flip * (1.0 - a_position.y * u_scale.y), 0.0, 1.0);
    v_colour = a_colour;
    v_texcoord = a_texcoord;
    v_depth = a_depth;
}
)";

const char* const kLineVertex = R"(
IN vec2 a_position;
IN vec4 a_line;
IN vec4 a_along;
IN vec4 a_colour0;
IN vec4 a_colour1;
uniform vec2 u_scale;
uniform float u_flip;
OUT vec4 v_line;
OUT vec4 v_along;
OUT vec4 v_colour0;
OUT vec4 v_colour1;
void main() {
    gl_Position = vec4(a_position.x * u_scale.x - 1.0, u_flip * (1.0 - a_position.y * u_scale.y), 0.0, 1.0);
    v_line = a_line;
    v_along = a_along;
    v_colour0 = a_colour0;
    v_colour1 = a_colour1;
}
)";

// Any z to a depth within 0..1, keeping the order: 0..1 itself goes to 0.25..0.75 and the
// rest to either end, so that nothing is cut at the near and far planes.
const char* const kDepthOf = R"(
float depthOf(float z) {
    if (z < 0.0) return 0.25 / (1.0 - z);
    if (z > 1.0) return 1.0 - 0.25 / z;
    return 0.25 + 0.5 * z;
}
)";

const char* const kTriangleFragment = R"(
IN vec4 v_colour;
IN vec2 v_texcoord;
IN float v_depth;
uniform sampler2D u_texture;
uniform int u_textureMode;  // 0 untextured, 1 the texel's alpha, 2 the texel's alpha × the vertex's
void main() {
    vec4 colour = clamp(floor(v_colour + 0.5), 0.0, 255.0);
    if (u_textureMode != 0) {
        vec4 texel = floor(TEXTURE(u_texture, v_texcoord) * 255.0 + 0.5);
        vec4 product = floor(texel * colour / 255.0 + 0.5);
        colour = vec4(product.rgb, u_textureMode == 2 ? product.a : texel.a);
    }
    FRAG_COLOUR = colour / 255.0;
    FRAG_DEPTH = depthOf(v_depth);
}
)";

// v_line: the major axis (0 x, 1 y), the major coordinate of the first pixel centre drawn, the
// line's minor coordinate there and its slope. v_along: the position along the line (0 at the
// first vertex, 1 at the second) at that centre and per pixel, the first depth and its change.
const char* const kLineFragment = R"(
IN vec4 v_line;
IN vec4 v_along;
IN vec4 v_colour0;
IN vec4 v_colour1;
uniform float u_top;
void main() {
    vec2 centre = vec2(gl_FragCoord.x, u_top - gl_FragCoord.y);
    bool yMajor = v_line.x > 0.5;
    float major = yMajor ? centre.y : centre.x;
    float minor = yMajor ? centre.x : centre.y;
    float k = floor(major - v_line.y + 0.5);
    if (floor(v_line.z + k * v_line.w) != minor - 0.5) discard;
    float t = v_along.x + k * v_along.y;
    vec4 colour0 = floor(v_colour0 * 255.0 + 0.5);
    vec4 colour1 = floor(v_colour1 * 255.0 + 0.5);
    FRAG_COLOUR = clamp(floor(colour0 + (colour1 - colour0) * t + 0.5), 0.0, 255.0) / 255.0;
    FRAG_DEPTH = depthOf(v_along.z + v_along.w * t);
}
)";

std::expected<Preludes, std::string> preludesFor(QOpenGLContext& context) {
    const QSurfaceFormat format = context.format();
    const auto version = format.version();
    const std::string legacyVertex = "#define IN attribute\n#define OUT varying\n";
    const std::string legacyFragment =
        "#define IN varying\n#define TEXTURE texture2D\n#define FRAG_COLOUR gl_FragColor\n";
    const std::string modernVertex = "#define IN in\n#define OUT out\n";
    const std::string modernFragment =
        "#define IN in\n#define TEXTURE texture\nout vec4 fragColour;\n#define FRAG_COLOUR "
        "fragColour\n";
    if (context.isOpenGLES()) {
        const std::string precision = "precision highp float;\n";
        if (version.first >= 3)
            return Preludes{"#version 300 es\n" + precision + modernVertex,
                            "#version 300 es\n" + precision + modernFragment + "#define FRAG_DEPTH gl_FragDepth\n"};
        if (!context.hasExtension("GL_EXT_frag_depth"))
            return std::unexpected("OpenGL ES 2 without GL_EXT_frag_depth cannot write fragment depth");
        return Preludes{"#version 100\n" + precision + legacyVertex,
                        "#version 100\n#extension GL_EXT_frag_depth : require\n" + precision + legacyFragment +
                            "#define FRAG_DEPTH gl_FragDepthEXT\n"};
    }
    if (version < std::pair(2, 0)) return std::unexpected("OpenGL 2.0 or later is needed for shader programs");
    if (format.profile() == QSurfaceFormat::CoreProfile && version >= std::pair(3, 2))
        return Preludes{"#version 150\n" + modernVertex,
                        "#version 150\n" + modernFragment + "#define FRAG_DEPTH gl_FragDepth\n"};
    const std::string header = version >= std::pair(2, 1) ? "#version 120\n" : "#version 110\n";
    return Preludes{header + legacyVertex, header + legacyFragment + "#define FRAG_DEPTH gl_FragDepth\n"};
}

}  // namespace kestrel::ui::gl
