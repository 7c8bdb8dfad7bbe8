#pragma once
// Which device the panes draw with. OpenGL when the display can make a context and the user
// agreed to it: the question is asked on the first start that has OpenGL, and the answer is
// kept; "--device" chooses without asking. Without OpenGL the software device draws, and
// nothing is asked or kept.
#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "ui/window/prompts.h"
#include "ui/window/ui_store.h"

namespace kestrel::ui {

struct DeviceChoice {
    bool openGl = false;
    std::string name;     // for the title: the OpenGL renderer or the software rasteriser
    std::string warning;  // OpenGL was asked for on the command line but is not there
};

// wanted: "opengl", "software" or empty. probe: the OpenGL renderer's name, or nothing.
DeviceChoice chooseDevice(const QString& wanted, UiStore& store, Prompts& prompts,
                          const std::function<std::optional<std::string>()>& probe);

}  // namespace kestrel::ui
