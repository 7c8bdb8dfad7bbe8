#pragma once
// The kestrel-cli commands. Each writes its result to out and its diagnostics to err and
// returns the process exit status, so main() and the tests run the same code.
#include <array>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "app/document.h"

namespace kestrel::link {
class Clock;
}

namespace kestrel::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // the job could not be done; err says why in one line
inline constexpr int kExitUsage = 2;    // the command line itself was wrong

struct InfoOptions {
    std::string file;
    bool json = false;
    bool vertices = false;  // also list every vertex
    bool polygons = false;  // also list every polygon
};

// Opens the file and describes the model: counts, paths, textures, groups, bounding box.
int runInfo(app::Document& document, const InfoOptions& options, std::ostream& out, std::ostream& err);

struct ConvertOptions {
    std::string input;
    std::string output;
    bool current = false;      // "Save Current As": without movements
    bool aseTextures = false;  // an ASE scene's texture vertices and textures are taken
};

struct CreateOptions {
    std::string kind;  // pyramid, cube, cylinder, sphere or mesh
    std::string name;  // the new group's; the kind's first proposal when empty
    int sides = 6;
    int subdivisions = 2;
    std::vector<double> spacing;     // X, Y
    std::vector<long long> squares;  // X, Y
    std::string into;                // the model to add to; a new one when empty
    std::string output;              // the RSD file to write
};

// Makes the primitive alone or in the model given, and saves the set.
int runCreate(app::Document& document, const CreateOptions& options, std::ostream& out, std::ostream& err);

// Opens the input and saves it under the output's name ("Save As" naming rule).
int runConvert(app::Document& document, const ConvertOptions& options, std::ostream& out, std::ostream& err);

struct MimeOptions {
    std::string file;
    std::string movement;
    std::string format = "c";               // c, type1 or type2
    std::string output;                     // empty: the default name beside the PLY file
    std::optional<double> minimumMovement;  // Type 2; the saved setting when not given
};

// Opens the file and writes one movement as MIMe C source or a Type 1 or Type 2 binary.
int runMime(app::Document& document, const MimeOptions& options, std::ostream& out, std::ostream& err);

struct TmdInfoOptions {
    std::string file;
    bool json = false;
};

// Reads a TMD file strictly and lists its header, objects, packets and tables.
int runTmdInfo(app::Document& document, const TmdInfoOptions& options, std::ostream& out, std::ostream& err);

struct ScriptOptions {
    std::string file;
    bool trace = false;              // the engine trace to standard error
    bool dumpTokens = false;         // the tokens before and after pre-parsing, to standard output
    std::vector<std::string> calls;  // functions to call after the top level, in order
    std::uint64_t memoryLimit = 0;   // bytes a script may hold at once; 0: the settings' limit
    std::string model;               // the model the script works on; an empty one when none is given
    std::string output;              // where the changed model is saved (RSD set or TMD); not saved when empty
};

// Runs a K-Script file over a model (an empty one without --model) and saves the result when
// asked; exit status 1 when a fatal error ended it, and then nothing is saved.
int runScript(app::Document& document, const ScriptOptions& options, std::ostream& out, std::ostream& err);

struct RenderOptions {
    std::string file;
    std::string output;
    std::string mode = "wireframe";  // wireframe, textured, uv or timeline
    int texture = -1;                // the texture shown in uv mode
    std::string view = "front";      // front, side or top
    std::vector<double> rotate;      // degrees about X and Y, added to the view's
    std::optional<double> scale;
    std::vector<int> pan;  // pixels
    bool fit = false;
    int width = 640, height = 480;
    bool grid = false, vertices = false;
    bool noAxes = false, noBones = false, noModel = false;
    std::string keyframe;          // draw this pose instead of the model as opened
    std::string movement;          // write this movement's preview frames instead
    std::string frames;            // "A-B", 1-based; every frame when empty
    std::uint32_t background = 0;  // 0xRRGGBB
};

// Opens the model and writes one edit view of it as a PNG, or with a movement every frame
// Play Preview shows of it (or frames A-B), one PNG each or one animated GIF; in the timeline
// mode, the movement's motion-speed graph as one PNG.
int runRender(app::Document& document, const RenderOptions& options, std::ostream& out, std::ostream& err);

class JsonWriter;
// [{"x":..,"y":..,"z":..}...], as info --vertices and keyframes --json print vertices.
void writeVerticesJson(JsonWriter& json, const model::Model& model);

struct KeyframesOptions {
    std::string file;
    std::string movement;
    bool json = false;
};

// Opens the file and prints each keyframe of the named movement: its name and frame count,
// and with JSON its vertices and joints.
int runKeyframes(app::Document& document, const KeyframesOptions& options, std::ostream& out, std::ostream& err);

struct TimOptions {
    std::string file;
    bool info = false;  // the default when nothing is to be written
    std::string bmp;    // write the image as a bitmap (4-bit and 8-bit images)
    std::string png;    // write the image as a PNG (any depth)
};

// Shows a TIM image's depth, size and VRAM and colour table positions, and converts it.
int runTim(app::Document& document, const TimOptions& options, std::ostream& out, std::ostream& err);

struct WrapCommandOptions {
    std::string input;
    std::string output;
    std::string type = "cylinder-y";  // cylinder-y, cylinder-x, sphere-centre, sphere-normal, planar
    std::string plane = "Y+";         // planar: Y+, Y-, X+, X-, Z+, Z-
    bool inexact = false;             // planar: Exact Mode off
    std::vector<int> repeat;          // X,Y
    bool flipH = false, flipV = false, swap = false;
    bool selected = false, allFrames = false;
    std::string texture;  // the TIM file
};

// Opens the model, wraps the texture round it and saves it as an RSD set: the whole set when
// every frame was wrapped (or there are no movements), else the wrapped model alone.
int runWrap(app::Document& document, const WrapCommandOptions& options, std::ostream& out, std::ostream& err);

struct LightCommandOptions {
    std::string input;
    std::string output;
    int vertex = -1;     // where the light is
    std::string colour;  // RRGGBB
    unsigned radius = 1000;
    bool selected = false;   // light the selected polygons only
    bool keepTypes = false;  // leave the polygons' kinds as they are
};

// Opens the model, bakes a point light at the vertex into the corner colours and saves it.
int runLight(app::Document& document, const LightCommandOptions& options, std::ostream& out, std::ostream& err);

// One step of kestrel-cli optimise, in the order given.
struct OptimiseStep {
    enum Kind { Merge, Reduce, Quads, Grid, Compatible } kind = Merge;
    double value = 0;           // the merge radius or the quads' uniformity
    bool selected = false;      // Merge, Quads: the selection only
    bool keepSelected = false;  // Merge: selected vertices stay in place
    std::array<double, 3> grid{};
};

struct OptimiseOptions {
    std::string input;
    std::string output;
    std::vector<OptimiseStep> steps;
};

// Opens the model, applies the steps to it in turn, printing the counts before and after
// each, and saves the result as an RSD set (the current model, without movements).
int runOptimise(app::Document& document, const OptimiseOptions& options, std::ostream& out, std::ostream& err);

struct ConsoleOptions {
    std::string port;        // the card's port base as typed ("0x320"); empty: the setting's
    bool emulate = false;    // an emulated console instead of the card
    std::string fault;       // the emulated console's fault: silent, late, checksum, echo
    std::string transcript;  // write every data-register byte here
    std::string command;     // reset, halt, resume, viewer, model, textures, all, mime,
                             // video, profiler, camera
    std::vector<std::string> arguments;
    std::string movement;          // mime
    std::vector<double> rotate;    // camera: degrees about X and Y
    std::optional<double> scale;   // camera
    link::Clock* clock = nullptr;  // the link's clock; the system's when null
};

// Drives the console (or an emulated one) through the Action Replay link: exit 1 with the
// comms error's text when the console does not answer (the prompt is answered Cancel).
int runConsole(app::Document& document, const ConsoleOptions& options, std::ostream& out, std::ostream& err);

}  // namespace kestrel::cli
