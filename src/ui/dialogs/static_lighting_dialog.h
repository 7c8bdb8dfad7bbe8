#pragma once
// "Static Lighting": the point light "Point Lighting" bakes into the corner colours round the
// selected vertex - its colour, how far it reaches, which polygons it lights and whether
// they may change kind to show the baked colours.
//
// Widgets by object name:
//   "colourButton"     QPushButton  "Colour...", showing the light's colour (first white) and
//       choosing a new one
//   "radius"           QSpinBox     "Radius:", 0 to 32767, first 1000
//   "selectedOnly"     QCheckBox    "Light Selected Polys Only", first off
//   "allowTypeChange"  QCheckBox    "Allow POLY type modification", first on
//   "buttons"          QDialogButtonBox  OK and Cancel
#include <QColor>
#include <QDialog>
#include <cstdint>
#include <functional>

#include "model/polygon_materials.h"

class QCheckBox;
class QPushButton;
class QSpinBox;

namespace kestrel::ui {

class StaticLightingDialog : public QDialog {
    Q_OBJECT

public:
    explicit StaticLightingDialog(QWidget* parent = nullptr);

    // The light as set; its colour 0x00RRGGBB, as the model keeps colours.
    model::PointLight light() const;

    // What the colour button asks for a colour, given the light's: the chosen colour, or an
    // invalid QColor for Cancel. The colour dialog until replaced (tests replace it).
    std::function<QColor(const QColor& current)> chooseColour;

private:
    void chooseLightColour();
    void showColour();

    std::int32_t colour_ = model::PointLight{}.colour;
    QPushButton* colourButton_ = nullptr;
    QSpinBox* radius_ = nullptr;
    QCheckBox* selectedOnly_ = nullptr;
    QCheckBox* allowTypeChange_ = nullptr;
};

}  // namespace kestrel::ui
