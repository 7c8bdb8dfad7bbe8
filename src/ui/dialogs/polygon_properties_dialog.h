#pragma once
// "Polygon Properties": the material of the selected polygons. The controls follow the
// material rules after every click (model::afterClick): a textured polygon cannot be both
// coloured and light-sourced at run time, and an untextured one always has a colouring.
//
// Widgets by object name:
//   "styleNone", "styleUniform", "styleGradation"  QRadioButton  "None", "Uniform", "Gradation"
//   "textured"        QCheckBox     "Textured"
//   "lightSourced"    QCheckBox     "Run-time light sourced"
//   "doubleFaced"     QCheckBox     "Double faced"
//   "sides"           read-only QLineEdit  "Number Of Sides:"
//   "shadingGouraud", "shadingFlat"  QRadioButton  "Gourard", "Flat"
//   "transparency0" to "transparency3"  QRadioButton  the semi-transparency modes 0-3,
//       "50% back + 50% polygon" to "100% back + 25% polygon"
//   "transparent"     QCheckBox     "Poly Is transparent"
//   "textureList"     QComboBox     the model's texture paths in list order; none chosen
//       for texture -1
//   "preview"         QLabel        the chosen texture's picture
//   "corner0" to "corner3"  QPushButton  "V0" to "V3", each showing its corner colour and
//       choosing a new one
//   "buttons"         QDialogButtonBox  OK and Cancel
#include <QColor>
#include <QDialog>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "model/polygon_materials.h"
#include "ui/dialogs/texture_wrapper_dialog.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace kestrel::ui {

class PolygonPropertiesDialog : public QDialog {
    Q_OBJECT

public:
    PolygonPropertiesDialog(const model::PolygonPropertiesSettings& initial, const std::vector<std::string>& textures,
                            QWidget* parent = nullptr);

    // Where the preview comes from; the files on disk until set.
    void setTexturePicture(TexturePicture source);

    // The settings as the controls show them. Left untouched, they are the initial settings
    // exactly: the number of sides, and a texture or colour the controls cannot show, are
    // kept as given.
    model::PolygonPropertiesSettings settings() const;

    // What a corner colour button asks for a colour, given the corner's colour: the chosen
    // colour, or an invalid QColor for Cancel. The colour dialog until replaced (tests
    // replace it).
    std::function<QColor(const QColor& current)> chooseColour;

private:
    // Runs the material rules after a click and shows their outcome.
    void clicked(model::PropertiesClick click);
    void showSettings(const model::PolygonPropertiesSettings& s);
    void chooseCorner(int corner);
    void showCorner(int corner);
    void textureChosen();

    model::PolygonPropertiesSettings initial_;
    std::vector<std::string> paths_;
    TexturePicture picture_;
    std::array<std::uint32_t, 4> colours_{};  // in the chooser's order, 0x00BBGGRR

    QButtonGroup* styles_ = nullptr;
    QCheckBox* textured_ = nullptr;
    QCheckBox* lightSourced_ = nullptr;
    QCheckBox* doubleFaced_ = nullptr;
    QButtonGroup* shading_ = nullptr;
    QButtonGroup* modes_ = nullptr;
    QCheckBox* transparent_ = nullptr;
    QComboBox* textures_ = nullptr;
    QLabel* preview_ = nullptr;
    std::array<QPushButton*, 4> corners_{};
};

}  // namespace kestrel::ui
