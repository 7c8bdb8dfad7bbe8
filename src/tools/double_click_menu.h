#pragma once
// The menu a double click in an edit view opens: the material items judged over the polygons
// whose corners are all selected (shown only when there are any), then the view's modes and
// elevations with the current mode checked.
#include <string>
#include <vector>

#include "model/model.h"
#include "render/edit_view.h"

namespace kestrel::tools {

struct MenuItem {
    std::string text;
    int command = 0;  // 0: an item without a command
    bool checked = false;
    bool separatorAfter = false;
};

std::vector<MenuItem> doubleClickMenu(const model::Model& model, render::DisplayMode mode);

}  // namespace kestrel::tools
