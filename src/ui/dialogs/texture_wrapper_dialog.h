#pragma once
// "Texture Wrapper": how "Wrap Texture Round Object" projects a texture onto the model, and
// which texture it uses - one of the model's, or a TIM file found with "Browse".
//
// Widgets by object name:
//   "cylinderY", "cylinderX", "sphereCentre", "sphereNormal", "planar"  QRadioButton, "Wrap
//       Type": "Cylinder Y" (first chosen), "Cylinder X", "Sphere\n(Centre-Vertex
//       Projection)", "Sphere (Vertex Normal Projection)", "Planer"
//   "faceYPlus", "faceYMinus", "faceXPlus", "faceXMinus", "faceZPlus", "faceZMinus"
//       QRadioButton, the planar face "Y+" (first chosen) to "Z-"; enabled for "Planer" only
//   "exactMode"         QCheckBox    "Exact Mode", first on; enabled for "Planer" only
//   "flipHorizontally"  QCheckBox    "Flip Texture Horizontally", first off
//   "flipVertically"    QCheckBox    "Flip Texture Vertically", first off
//   "swapXY"            QCheckBox    "Swap X & Y (rotate 90deg)", first off
//   "repeatX", "repeatY"  QSpinBox   "Repeat X", "Repeat Y" under "Tiling / Repeats", 1 to 256,
//       first 1
//   "angleX", "angleY"  QSpinBox     X and Y under "Texture Angle", first 0; not used by the wrap
//   "selectedOnly"      QCheckBox    "Texture To Selected Only", first off
//   "allFrames"         QCheckBox    "Apply To All Frames", first off
//   "textureList"       QComboBox    the model's texture paths, then any added by "Browse"
//   "browseButton"      QPushButton  "Browse", adds a chosen TIM file to the list
//   "preview"           QLabel       the chosen texture's picture
//   "buttons"           QDialogButtonBox  OK (enabled while a texture is chosen) and Cancel
#include <QDialog>
#include <QImage>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "app/document.h"
#include "formats/file_system.h"
#include "formats/tim.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace kestrel::ui {

// Where the texture dialogs get the picture of a texture path for their preview; a null
// image shows that there is none.
using TexturePicture = std::function<QImage(const std::string& path)>;

// A TIM file as it is displayed, any pixel depth; a null image when the file cannot be read,
// is not a TIM or is too large to be one.
QImage timFilePicture(const formats::FileSystem& files, const std::string& path);
// The same, read from the disk: what the dialogs show when given no other source.
QImage hostTimPicture(const std::string& path);
// A loaded 4-bit or 8-bit texture's picture (a texture slot's, for instance).
QImage timPicture(const formats::TimImage& image);

// Shows path's picture from source in label, scaled down to fit the label's size.
void showTexturePicture(QLabel* label, const TexturePicture& source, const std::string* path);

class TextureWrapperDialog : public QDialog {
    Q_OBJECT

public:
    explicit TextureWrapperDialog(const std::vector<std::string>& listedTextures, QWidget* parent = nullptr);

    // Preselects texture index of the list (the project window's texture); out of range
    // leaves the first chosen.
    void setCurrentTexture(int index);
    // Where the preview comes from; the files on disk until set.
    void setTexturePicture(TexturePicture source);

    // The choices as shown. The texture is the path as listed or as chosen, byte for byte;
    // empty when the list is empty.
    app::WrapParams params() const;

    // What "Browse" asks for a file: the chosen path, or empty for Cancel. The file dialog
    // until replaced (tests replace it).
    std::function<QString()> chooseFile;

private:
    QString browseFile();
    void browse();
    void textureChosen();
    void typeChosen();

    std::vector<std::string> paths_;  // item i of the list shows paths_[i]
    TexturePicture picture_;

    QButtonGroup* types_ = nullptr;
    QButtonGroup* faces_ = nullptr;
    QCheckBox* exact_ = nullptr;
    QCheckBox* flipHorizontally_ = nullptr;
    QCheckBox* flipVertically_ = nullptr;
    QCheckBox* swap_ = nullptr;
    QSpinBox* repeatX_ = nullptr;
    QSpinBox* repeatY_ = nullptr;
    QCheckBox* selectedOnly_ = nullptr;
    QCheckBox* allFrames_ = nullptr;
    QComboBox* textures_ = nullptr;
    QLabel* preview_ = nullptr;
    QPushButton* ok_ = nullptr;
};

}  // namespace kestrel::ui
