#include "ui/window/device_choice.h"

namespace kestrel::ui {

DeviceChoice chooseDevice(const QString& wanted, UiStore& store, Prompts& prompts,
                          const std::function<std::optional<std::string>()>& probe) {
    std::optional<bool> useHardware = store.useHardware();
    if (wanted == "opengl") useHardware = true;
    if (wanted == "software") useHardware = false;
    // A "no" needs no look at the display.
    const std::optional<std::string> openGl = useHardware == false ? std::nullopt : probe();
    if (openGl && !useHardware) {
        useHardware = prompts.askUseHardware(nullptr);
        store.setUseHardware(*useHardware);
    }
    DeviceChoice choice;
    choice.openGl = openGl && useHardware.value_or(false);
    choice.name = choice.openGl ? *openGl : "Software Rasteriser";
    if (wanted == "opengl" && !openGl) choice.warning = "OpenGL is not available on this display; drawing in software.";
    return choice;
}

}  // namespace kestrel::ui
