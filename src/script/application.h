#pragma once
// What the model binding classes reach the application through: the current model, the
// views, the About boxes, the script's output and the console. The application implements
// it and hands the engine a pointer; without one the classes trace that there is none.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "model/model.h"

namespace kestrel::script {

struct ObjectClass;

enum class ConsoleCommand { Reset, Halt, Resume, SendViewer, SendModel, SendTextures };

class Application {
public:
    virtual ~Application() = default;
    virtual const model::Model& currentModel() const = 0;
    // KSmodel.PutEditFrame: the current model's vertices and polygons replaced wholesale.
    virtual void putEditFrame(std::vector<model::ModelVertex> vertices, std::vector<model::ModelPolygon> polygons) = 0;
    virtual void redrawViews() = 0;
    // The application's About box, or the script language's.
    virtual void showAbout(bool scriptLanguage) = 0;
    // A line a script wrote, or a refusal it should hear of, for the user to read.
    virtual void writeOutput(std::string_view line) = 0;
    virtual std::int32_t consolePort() const = 0;
    virtual void consoleCommand(ConsoleCommand command) = 0;
};

// KSkestrel, KSvertex, KSpolygon, KSmodel and ActionReplay, in that order, for the object
// system's extension list.
std::span<const ObjectClass* const> modelBindingClasses();

}  // namespace kestrel::script
