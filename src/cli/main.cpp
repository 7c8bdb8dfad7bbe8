// kestrel-cli: the batch jobs of Kestrel. Exit status 0 on success, 1 when the job failed
// (one line on stderr says why), 2 when the command line was wrong.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <expected>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "app/document.h"
#include "app/version.h"
#include "cli/commands.h"
#include "render/render_device.h"

namespace {

using namespace kestrel::cli;

// The optimise command's options, by role.
struct OptimiseFlags {
    const CLI::Option *merge, *selected, *keep, *reduce, *quads, *grid, *compatible;
};

// The optimise steps in the order their options were given; --selected and --keep-selected
// qualify the step before them.
std::expected<std::vector<OptimiseStep>, std::string> optimiseSteps(const std::vector<CLI::Option*>& order,
                                                                    const OptimiseFlags& flags,
                                                                    const std::vector<double>& radii,
                                                                    const std::vector<double>& uniformities,
                                                                    const std::vector<double>& grids) {
    std::vector<OptimiseStep> steps;
    std::size_t radius = 0, uniformity = 0, grid = 0;
    for (const CLI::Option* option : order) {
        if (option == flags.merge && radius < radii.size()) {
            steps.push_back({OptimiseStep::Merge, radii[radius++]});
        } else if (option == flags.quads && uniformity < uniformities.size()) {
            steps.push_back({OptimiseStep::Quads, uniformities[uniformity++]});
        } else if (option == flags.grid) {
            if (grid + 3 > grids.size()) return std::unexpected("--grid takes X,Y,Z");
            OptimiseStep step{OptimiseStep::Grid};
            step.grid = {grids[grid], grids[grid + 1], grids[grid + 2]};
            grid += 3;
            steps.push_back(step);
        } else if (option == flags.reduce) {
            steps.push_back({OptimiseStep::Reduce});
        } else if (option == flags.compatible) {
            steps.push_back({OptimiseStep::Compatible});
        } else if (option == flags.selected) {
            if (steps.empty() || (steps.back().kind != OptimiseStep::Merge && steps.back().kind != OptimiseStep::Quads))
                return std::unexpected("--selected follows --merge-radius or --quads");
            steps.back().selected = true;
        } else if (option == flags.keep) {
            if (steps.empty() || steps.back().kind != OptimiseStep::Merge)
                return std::unexpected("--keep-selected follows --merge-radius");
            steps.back().keepSelected = true;
        }
    }
    if (grid != grids.size()) return std::unexpected("--grid takes X,Y,Z");
    return steps;
}

int run(int argc, char** argv) {
    CLI::App cli{"Kestrel command-line tools for PlayStation RSD model file sets.", "kestrel-cli"};
    cli.require_subcommand(1);
    cli.set_version_flag("--version", kestrel::app::versionLine("kestrel-cli"), "Show the version and exit");

    InfoOptions info;
    CLI::App* infoCommand =
        cli.add_subcommand("info", "Show the counts, paths, textures, groups and bounds of a model");
    infoCommand->add_flag("--json", info.json, "Print one JSON document instead of text");
    infoCommand->add_flag("--vertices", info.vertices, "Also list every vertex");
    infoCommand->add_flag("--polygons", info.polygons, "Also list every polygon");
    infoCommand->add_option("FILE", info.file, "The model file (an RSD file)")->required();

    ConvertOptions convert;
    CLI::App* convertCommand =
        cli.add_subcommand("convert", "Open a model and save it as an RSD file set or a TMD file under a new name");
    convertCommand->add_option("IN", convert.input, "The model file to read")->required();
    convertCommand
        ->add_option("OUT", convert.output,
                     "The RSD file to write (the PLY, MAT and XGRP files take its name), "
                     "or a TMD file")
        ->required();
    convertCommand->add_flag("--ase-textures", convert.aseTextures,
                             "An ASE scene's texture vertices and materials' textures are taken");
    convertCommand->add_flag("--current", convert.current,
                             "Save the current model only (\"Save Current As\"): no movements");

    CreateOptions create;
    CLI::App* createCommand =
        cli.add_subcommand("create", "Make a pyramid, cube, cylinder, sphere or mesh, alone or added to a model");
    createCommand->add_option("KIND", create.kind, "pyramid, cube, cylinder, sphere or mesh")
        ->required()
        ->check(CLI::IsMember({"pyramid", "cube", "cylinder", "sphere", "mesh"}));
    createCommand->add_option("--name", create.name, "The new group's name (Pyramid0, Cube0, ... when not given)");
    createCommand->add_option("--sides", create.sides, "cylinder: the number of sides (3 to 100, 6 at first)");
    createCommand->add_option("--subdivisions", create.subdivisions, "sphere: the subdivisions (0 to 20, 2 at first)");
    createCommand->add_option("--spacing", create.spacing, "mesh: the grid spacing X,Y (10,10 at first)")
        ->expected(2)
        ->delimiter(',');
    createCommand->add_option("--squares", create.squares, "mesh: the grid size in squares X,Y (5,5 at first)")
        ->expected(2)
        ->delimiter(',');
    createCommand->add_option("--into", create.into, "Add the primitive to this model instead of a new one");
    createCommand->add_option("-o,--output", create.output, "The RSD file to write")->required();

    KeyframesOptions keyframes;
    CLI::App* keyframesCommand = cli.add_subcommand("keyframes", "Show every keyframe of one movement of a model");
    keyframesCommand->add_option("FILE", keyframes.file, "The model file (an RSD file)")->required();
    keyframesCommand->add_option("--movement", keyframes.movement, "The movement's name")->required();
    keyframesCommand->add_flag("--json", keyframes.json,
                               "Print one JSON document with every pose's vertices and joints");

    TimOptions tim;
    CLI::App* timCommand = cli.add_subcommand("tim", "Show a TIM image's depth, size and VRAM place, and convert it");
    timCommand->add_option("FILE", tim.file, "The TIM file")->required();
    timCommand->add_flag("--info", tim.info, "Show the image's details (the default)");
    timCommand->add_option("--bmp", tim.bmp, "Write the image as a Windows bitmap");
    timCommand->add_option("--png", tim.png, "Write the image as a PNG");

    MimeOptions mime;
    CLI::App* mimeCommand =
        cli.add_subcommand("mime", "Write one movement as MIMe C source or a Type 1 or Type 2 binary file");
    mimeCommand->add_option("FILE", mime.file, "The model file (an RSD file)")->required();
    mimeCommand->add_option("--movement", mime.movement, "The movement's name")->required();
    mimeCommand->add_option("--format", mime.format, "c (C source), type1 or type2 (binary)")
        ->check(CLI::IsMember({"c", "type1", "type2"}))
        ->capture_default_str();
    mimeCommand->add_option("-o,--output", mime.output,
                            "The file to write (default: beside the PLY file, named after it "
                            "with _mime.C or _mime.MIM)");
    mimeCommand
        ->add_option("--min-movement", mime.minimumMovement,
                     "Type 2: coordinate changes smaller than this count as none "
                     "(default: the saved setting)")
        ->check(CLI::NonNegativeNumber);

    TmdInfoOptions tmdInfo;
    CLI::App* tmdInfoCommand =
        cli.add_subcommand("tmd-info", "List a TMD file's header, objects, every primitive packet and the tables");
    tmdInfoCommand->add_option("FILE", tmdInfo.file, "The TMD file")->required();
    tmdInfoCommand->add_flag("--json", tmdInfo.json, "Print one JSON document instead of text");

    ScriptOptions script;
    CLI::App* scriptCommand = cli.add_subcommand("script", "Run a K-Script file");
    scriptCommand->add_option("FILE", script.file, "The script (a .ks file)")->required();
    scriptCommand->add_flag("--trace", script.trace, "Send the engine trace to standard error");
    scriptCommand->add_flag("--dump-tokens", script.dumpTokens, "Print the tokens before and after pre-parsing");
    scriptCommand->add_option("--call", script.calls, "A function to call after the top level (again for more)")
        ->take_all()
        ->allow_extra_args(false);
    scriptCommand->add_option("--model", script.model, "The model the script works on (RSD, ASE or ASC)");
    scriptCommand->add_option("-o,--output", script.output, "Save the changed model here (an RSD set, or .tmd)");
    scriptCommand
        ->add_option("--memory-limit", script.memoryLimit,
                     "The most bytes the script may hold at once (default: the setting, 256 MB)")
        ->check(CLI::Range(std::uint64_t{1}, std::uint64_t{1} << 40));

    RenderOptions render;
    std::string renderSize = "640x480", renderBackground = "000000";
    CLI::App* renderCommand =
        cli.add_subcommand("render", "Draw one edit view of a model as a PNG, as Kestrel draws it");
    renderCommand->add_option("FILE", render.file, "The model file (an RSD file)")->required();
    renderCommand->add_option("-o,--output", render.output, "The PNG file to write")->required();
    renderCommand
        ->add_option("--mode", render.mode, "wireframe, textured, uv or timeline (the --movement's motion speeds)")
        ->check(CLI::IsMember({"wireframe", "textured", "uv", "timeline"}))
        ->capture_default_str();
    renderCommand->add_option("--texture", render.texture, "The texture shown in uv mode (from 0)");
    renderCommand->add_option("--view", render.view, "front, side or top")
        ->check(CLI::IsMember({"front", "side", "top"}))
        ->capture_default_str();
    renderCommand->add_option("--rotate", render.rotate, "Turn the camera about X and Y, in degrees (X,Y)")
        ->delimiter(',')
        ->expected(2);
    renderCommand->add_option("--scale", render.scale, "The view's zoom (0.2 x scale pixels per unit)");
    renderCommand->add_option("--pan", render.pan, "Move the model's origin from the centre (X,Y pixels)")
        ->delimiter(',')
        ->expected(2);
    renderCommand->add_flag("--fit", render.fit, "Scale view to fit");
    renderCommand->add_option("--size", renderSize, "The picture's size, WxH")->capture_default_str();
    renderCommand->add_flag("--grid", render.grid, "Show the grid");
    renderCommand->add_flag("--vertices", render.vertices, "Show the vertices");
    renderCommand->add_flag("--no-axes", render.noAxes, "Hide the XYZ axes");
    renderCommand->add_flag("--no-bones", render.noBones, "Hide the bones");
    renderCommand->add_flag("--no-model", render.noModel, "Hide the model");
    renderCommand->add_option("--keyframe", render.keyframe, "Draw this keyframe's pose");
    renderCommand->add_option("--movement", render.movement,
                              "Write the frames Play Preview shows of this movement; the output name holds "
                              "one %d (frame_%03d.png)");
    renderCommand->add_option("--frames", render.frames, "With --movement: the frames A-B to write (from 1)");
    renderCommand->add_option("--background", renderBackground, "Background colour, RRGGBB")->capture_default_str();

    OptimiseOptions optimise;
    std::vector<double> mergeRadii, uniformities, gridSizes;
    int selectedFlags = 0, keepFlags = 0, reduceFlags = 0, compatibleFlags = 0;
    CLI::App* optimiseCommand = cli.add_subcommand(
        "optimise", "Merge, reduce, join and align a model's geometry, in the order given, and save it");
    optimiseCommand->add_option("IN", optimise.input, "The model file")->required();
    optimiseCommand->add_option("-o,--output", optimise.output, "The RSD file to write")->required();
    const CLI::Option* mergeOption =
        optimiseCommand->add_option("--merge-radius", mergeRadii, "Merge vertices closer than R")
            ->allow_extra_args(false);
    const CLI::Option* selectedOption =
        optimiseCommand->add_flag("--selected", selectedFlags, "The step before acts on the selection only");
    const CLI::Option* keepOption =
        optimiseCommand->add_flag("--keep-selected", keepFlags, "The merge before keeps selected vertices in place");
    const CLI::Option* reduceOption =
        optimiseCommand->add_flag("--reduce", reduceFlags, "Remove degenerate polygons and unused vertices");
    const CLI::Option* quadsOption =
        optimiseCommand->add_option("--quads", uniformities, "Join coplanar triangle pairs, within uniformity U")
            ->allow_extra_args(false);
    const CLI::Option* gridOption = optimiseCommand->add_option("--grid", gridSizes, "Align to a grid of X,Y,Z")
                                        ->delimiter(',')
                                        ->allow_extra_args(false);
    const CLI::Option* compatibleOption =
        optimiseCommand->add_flag("--compatible", compatibleFlags, "Make the model RSDTOOL compatible");

    WrapCommandOptions wrap;
    CLI::App* wrapCommand = cli.add_subcommand("wrap", "Wrap a texture round a model and save it");
    wrapCommand->add_option("IN", wrap.input, "The model file")->required();
    wrapCommand->add_option("-o,--output", wrap.output, "The RSD file to write")->required();
    wrapCommand->add_option("--texture", wrap.texture, "The TIM file to wrap")->required();
    wrapCommand->add_option("--type", wrap.type, "cylinder-y, cylinder-x, sphere-centre, sphere-normal or planar")
        ->check(CLI::IsMember({"cylinder-y", "cylinder-x", "sphere-centre", "sphere-normal", "planar"}))
        ->capture_default_str();
    wrapCommand->add_option("--plane", wrap.plane, "planar: the face, Y+, Y-, X+, X-, Z+ or Z-")
        ->check(CLI::IsMember({"Y+", "Y-", "X+", "X-", "Z+", "Z-"}))
        ->capture_default_str();
    wrapCommand->add_flag("--inexact", wrap.inexact, "planar: every face turned that way, not only the square-on ones");
    wrapCommand->add_option("--repeat", wrap.repeat, "planar: repeats across and down, X,Y")
        ->delimiter(',')
        ->expected(2);
    wrapCommand->add_flag("--flip-h", wrap.flipH, "Flip the texture horizontally");
    wrapCommand->add_flag("--flip-v", wrap.flipV, "Flip the texture vertically");
    wrapCommand->add_flag("--swap", wrap.swap, "Swap X and Y (rotate 90 degrees)");
    wrapCommand->add_flag("--selected", wrap.selected, "Texture the selected polygons only");
    wrapCommand->add_flag("--all-frames", wrap.allFrames, "Wrap the base frame and every keyframe too");

    LightCommandOptions light;
    CLI::App* lightCommand =
        cli.add_subcommand("light", "Bake a point light into a model's corner colours and save it");
    lightCommand->add_option("IN", light.input, "The model file")->required();
    lightCommand->add_option("-o,--output", light.output, "The RSD file to write")->required();
    lightCommand->add_option("--vertex", light.vertex, "The vertex the light is at")->required();
    lightCommand->add_option("--colour", light.colour, "The light's colour, RRGGBB")->required();
    lightCommand->add_option("--radius", light.radius, "How far the light reaches (0 to 32767)")->capture_default_str();
    lightCommand->add_flag("--selected", light.selected, "Light the selected polygons only");
    lightCommand->add_flag("--keep-types", light.keepTypes, "Leave the polygons' kinds as they are");

    ConsoleOptions console;
    std::vector<std::string> consoleWords;
    CLI::App* consoleCommand = cli.add_subcommand(
        "console", "Send a command to a PlayStation through the Action Replay card, or to an emulated one");
    CLI::Option* portOption =
        consoleCommand->add_option("--port", console.port, "The card's port base (0x320, $320 or 320, in hexadecimal)");
    consoleCommand->add_flag("--emulate", console.emulate, "Talk to an emulated console instead of the card")
        ->excludes(portOption);
    consoleCommand->add_option("--fault", console.fault, "Make the emulated console misbehave")
        ->check(CLI::IsMember({"silent", "late", "checksum", "echo"}));
    consoleCommand->add_option("--transcript", console.transcript, "Write every byte sent and read to FILE");
    consoleCommand->add_option("--movement", console.movement, "mime: the movement to send");
    consoleCommand->add_option("--rotate", console.rotate, "camera: the view's rotation about X and Y, in degrees")
        ->delimiter(',')
        ->expected(2);
    consoleCommand->add_option("--scale", console.scale, "camera: the view's scale (0.7 at first)");
    consoleCommand
        ->add_option("COMMAND", consoleWords,
                     "reset | halt | resume | viewer FILE.pxe | model FILE.rsd | textures FILE.rsd | all FILE.rsd "
                     "| mime FILE.rsd | video WxH | profiler cpu|gpu on|off | camera")
        ->required();

    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help arrives here too, as a parse "error" whose exit code is 0.
        return cli.exit(e) == 0 ? kExitSuccess : kExitUsage;
    }

    kestrel::app::Document document;
    document.setSettings(kestrel::app::loadSettings(document.files(), kestrel::app::configPath()));
    int status = kExitFailure;
    if (infoCommand->parsed())
        status = runInfo(document, info, std::cout, std::cerr);
    else if (createCommand->parsed())
        status = runCreate(document, create, std::cout, std::cerr);
    else if (convertCommand->parsed())
        status = runConvert(document, convert, std::cout, std::cerr);
    else if (keyframesCommand->parsed())
        status = runKeyframes(document, keyframes, std::cout, std::cerr);
    else if (timCommand->parsed())
        status = runTim(document, tim, std::cout, std::cerr);
    else if (mimeCommand->parsed())
        status = runMime(document, mime, std::cout, std::cerr);
    else if (renderCommand->parsed()) {
        unsigned w = 0, h = 0, rgb = 0;
        char end = 0;
        if (std::sscanf(renderSize.c_str(), "%ux%u%c", &w, &h, &end) != 2 || w == 0 || h == 0 ||
            w > kestrel::render::kMaxSurfaceSide || h > kestrel::render::kMaxSurfaceSide ||
            std::sscanf(renderBackground.c_str(), "%6x%c", &rgb, &end) != 1 || renderBackground.size() != 6) {
            std::cerr << "error: --size takes WxH (1 to 8192 each) and --background RRGGBB\n";
            return kExitUsage;
        }
        render.width = static_cast<int>(w), render.height = static_cast<int>(h), render.background = rgb;
        status = runRender(document, render, std::cout, std::cerr);
    } else if (scriptCommand->parsed())
        status = runScript(document, script, std::cout, std::cerr);
    else if (tmdInfoCommand->parsed())
        status = runTmdInfo(document, tmdInfo, std::cout, std::cerr);
    else if (wrapCommand->parsed())
        status = runWrap(document, wrap, std::cout, std::cerr);
    else if (lightCommand->parsed())
        status = runLight(document, light, std::cout, std::cerr);
    else if (consoleCommand->parsed()) {
        console.command = consoleWords.front();
        console.arguments.assign(consoleWords.begin() + 1, consoleWords.end());
        status = runConsole(document, console, std::cout, std::cerr);
    } else if (optimiseCommand->parsed()) {
        const auto steps = optimiseSteps(
            optimiseCommand->parse_order(),
            {mergeOption, selectedOption, keepOption, reduceOption, quadsOption, gridOption, compatibleOption},
            mergeRadii, uniformities, gridSizes);
        if (!steps) {
            std::cerr << "error: " << steps.error() << '\n';
            return kExitUsage;
        }
        optimise.steps = *steps;
        status = runOptimise(document, optimise, std::cout, std::cerr);
    }

    // A full disk or a closed pipe must not pass for success.
    if (!std::cout.flush()) {
        std::cerr << "error: the output could not be written\n";
        return kExitFailure;
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::string command;
        for (int i = 1; i < argc; ++i) command += std::string(i > 1 ? " " : "") + argv[i];
        std::cerr << "error: there is not enough memory for 'kestrel-cli " << command << "'\n";
        return kExitFailure;
    } catch (const std::exception& e) {
        std::cerr << "error: " << e.what() << '\n';
        return kExitFailure;
    }
}
