#pragma once
// "3DS Max ASE Importer": shown before a 3DS Max scene is read. "Import Texture Info" takes
// the scene's texture vertices; "Extract Camera Paths" is offered but changes nothing.
// Object names: textureInfo, cameraPaths (QCheckBox), buttons (QDialogButtonBox).
#include <QDialog>

class QCheckBox;

namespace kestrel::ui {

class AseImportDialog : public QDialog {
    Q_OBJECT
public:
    explicit AseImportDialog(QWidget* parent = nullptr);
    bool importTextures() const;

private:
    QCheckBox* textures_;
};

}  // namespace kestrel::ui
