#pragma once
// The tool bars' pictures, drawn with a few strokes rather than loaded from files, so they
// stay sharp at any screen density.
#include <QIcon>

namespace kestrel::ui {

// The picture of a command's tool bar button; a null icon for commands without one.
QIcon toolIcon(int command);

}  // namespace kestrel::ui
