#include "ui/dialogs/ase_import_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace kestrel::ui {

AseImportDialog::AseImportDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("3DS Max ASE Importer"));
    auto* warning = new QGroupBox(QStringLiteral("Warning"), this);
    auto* text = new QLabel(
        QStringLiteral("When importing 3DS Max files, you should copy all texture maps to the same directory as "
                       "your ASE file, and convert them to TIM files BEFORE importing the model. If you only want "
                       "the model info, simply don't check the option below."),
        warning);
    text->setWordWrap(true);
    (new QVBoxLayout(warning))->addWidget(text);

    textures_ = new QCheckBox(QStringLiteral("Import Texture Info"), this);
    textures_->setObjectName(QStringLiteral("textureInfo"));
    auto* cameras = new QCheckBox(QStringLiteral("Extract Camera Paths"), this);
    cameras->setObjectName(QStringLiteral("cameraPaths"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(warning);
    layout->addWidget(textures_);
    layout->addWidget(cameras);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

bool AseImportDialog::importTextures() const { return textures_->isChecked(); }

}  // namespace kestrel::ui
