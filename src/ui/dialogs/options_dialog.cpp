#include "ui/dialogs/options_dialog.h"
#include "render/render_device.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace kestrel::ui {

namespace {

constexpr int kLargestViewport = render::kMaxSurfaceSide;
constexpr double kLargestMovement = 1000000.0;

QString portText(std::uint16_t port) { return QStringLiteral("0x%1").arg(port, 0, 16); }

bool usableMovement(double movement) { return std::isfinite(movement) && movement >= 0.0; }

QSpinBox* viewportField(int value, const char* objectName, QWidget* parent) {
    auto* field = new QSpinBox(parent);
    field->setObjectName(QString::fromLatin1(objectName));
    field->setRange(1, kLargestViewport);
    field->setValue(value);
    return field;
}

}  // namespace

OptionsDialog::OptionsDialog(const app::Settings& settings, bool useHardware, QWidget* parent)
    : QDialog(parent), initial_(settings) {
    setWindowTitle(QStringLiteral("Options"));

    // The previewer: where the Action Replay card sits and the program sent to the console.
    auto* previewerGroup = new QGroupBox(QStringLiteral("Action Replay Previewer"), this);
    port_ = new QLineEdit(portText(settings.portBase), previewerGroup);
    port_->setObjectName(QStringLiteral("portEdit"));
    previewer_ = new QLineEdit(QFile::decodeName(settings.previewerFile.c_str()), previewerGroup);
    previewer_->setObjectName(QStringLiteral("previewerEdit"));
    app::Settings standard = settings;
    standard.previewerFile.clear();
    previewer_->setPlaceholderText(QFile::decodeName(app::previewerPath(standard).c_str()));
    auto* browse = new QPushButton(QStringLiteral("Browse..."), previewerGroup);
    browse->setObjectName(QStringLiteral("browseButton"));
    browse->setAutoDefault(false);
    connect(browse, &QPushButton::clicked, this, &OptionsDialog::browse);
    auto* previewerRow = new QHBoxLayout;
    previewerRow->addWidget(previewer_, 1);
    previewerRow->addWidget(browse);
    auto* previewerForm = new QFormLayout(previewerGroup);
    previewerForm->addRow(QStringLiteral("AR IO PORT:"), port_);
    previewerForm->addRow(QStringLiteral("Previewer program:"), previewerRow);
    emulated_ = new QCheckBox(QStringLiteral("Talk to an emulated console (no hardware needed)"), previewerGroup);
    emulated_->setObjectName(QStringLiteral("emulatedConsole"));
    emulated_->setChecked(settings.emulatedConsole);
    previewerForm->addRow(emulated_);

    // How the panes draw.
    auto* viewGroup = new QGroupBox(QStringLiteral("OpenGL"), this);
    width_ = viewportField(settings.maxViewportWidth, "viewportWidth", viewGroup);
    height_ = viewportField(settings.maxViewportHeight, "viewportHeight", viewGroup);
    auto* widthLabel = new QLabel(QStringLiteral("W="), viewGroup);
    widthLabel->setBuddy(width_);
    auto* heightLabel = new QLabel(QStringLiteral("H="), viewGroup);
    heightLabel->setBuddy(height_);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(widthLabel);
    sizeRow->addWidget(width_);
    sizeRow->addSpacing(12);
    sizeRow->addWidget(heightLabel);
    sizeRow->addWidget(height_);
    sizeRow->addStretch(1);
    auto* note = new QLabel(QStringLiteral("The larger you make this , the more you can see but the slower the "
                                           "screen update."),
                            viewGroup);
    note->setWordWrap(true);
    hardware_ = new QCheckBox(QStringLiteral("Use OpenGL hardware acceleration (from the next start)"), viewGroup);
    hardware_->setObjectName(QStringLiteral("hardwareCheck"));
    hardware_->setChecked(useHardware);
    auto* viewLayout = new QVBoxLayout(viewGroup);
    viewLayout->addWidget(new QLabel(QStringLiteral("Maximum Viewport Size"), viewGroup));
    viewLayout->addLayout(sizeRow);
    viewLayout->addWidget(note);
    viewLayout->addWidget(hardware_);

    // The MIMe file version. A '&' shows only when doubled, so "&&&&" shows as "&&".
    auto* mimeGroup = new QGroupBox(QStringLiteral("MIMe File Version To Generate"), this);
    mimeType1_ = new QRadioButton(QStringLiteral("Type 1 (KESTRELLIB v1 &&&& v2)"), mimeGroup);
    mimeType1_->setObjectName(QStringLiteral("mimeType1"));
    mimeType2_ = new QRadioButton(QStringLiteral("Type 2 (KESTRELLIB v3)"), mimeGroup);
    mimeType2_->setObjectName(QStringLiteral("mimeType2"));
    (settings.mimeVersion == app::kMimeType2 ? mimeType2_ : mimeType1_)->setChecked(true);
    movement_ = new QDoubleSpinBox(mimeGroup);
    movement_->setObjectName(QStringLiteral("minimumMovement"));
    movement_->setDecimals(4);
    movement_->setRange(0.0, kLargestMovement);
    movement_->setSingleStep(0.1);
    movement_->setValue(usableMovement(settings.minimumMovement) ? settings.minimumMovement : 0.0);
    shownMovement_ = movement_->value();
    auto* mimeLayout = new QVBoxLayout(mimeGroup);
    mimeLayout->addWidget(mimeType1_);
    mimeLayout->addWidget(mimeType2_);
    auto* movementForm = new QFormLayout;
    movementForm->addRow(QStringLiteral("Minimum Registered Movement:"), movement_);
    mimeLayout->addLayout(movementForm);

    // Recovery copies of unsaved work.
    auto* recoveryGroup = new QGroupBox(QStringLiteral("Recovery"), this);
    autosave_ = new QSpinBox(recoveryGroup);
    autosave_->setObjectName(QStringLiteral("autosaveMinutes"));
    autosave_->setRange(0, app::kMostAutosaveMinutes);
    autosave_->setSpecialValueText(QStringLiteral("Off"));
    autosave_->setSuffix(QStringLiteral(" min"));
    autosave_->setValue(std::clamp(settings.autosaveMinutes, 0, app::kMostAutosaveMinutes));
    scriptMemory_ = new QSpinBox(recoveryGroup);
    scriptMemory_->setObjectName(QStringLiteral("scriptMemory"));
    scriptMemory_->setRange(1, 65536);
    scriptMemory_->setSuffix(QStringLiteral(" MB"));
    scriptMemory_->setValue(std::clamp(settings.scriptMemoryMegabytes, 1, 65536));
    auto* recoveryForm = new QFormLayout(recoveryGroup);
    recoveryForm->addRow(QStringLiteral("Keep a recovery copy of unsaved changes every:"), autosave_);
    recoveryForm->addRow(QStringLiteral("Memory a script may use:"), scriptMemory_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &OptionsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &OptionsDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(previewerGroup);
    layout->addWidget(viewGroup);
    layout->addWidget(mimeGroup);
    layout->addWidget(recoveryGroup);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

std::optional<QString> OptionsDialog::problem() const {
    const QString text = port_->text().trimmed();
    if (app::parsePortText(text.toStdString())) return std::nullopt;
    const QString how =
        QStringLiteral("Enter the port as a hexadecimal number from 0 to FFFF, such as 0x378, $378 or 378.");
    if (text.isEmpty()) return QStringLiteral("The AR IO port is empty.\n\n") + how;
    return QStringLiteral("\"%1\" is not an AR IO port.\n\n").arg(text) + how;
}

app::Settings OptionsDialog::settings() const {
    app::Settings result = initial_;
    if (const auto port = app::parsePortText(port_->text().trimmed().toStdString())) result.portBase = *port;
    const QString previewer = previewer_->text();
    result.previewerFile = previewer.trimmed().isEmpty() ? std::string() : QFile::encodeName(previewer).toStdString();
    result.maxViewportWidth = width_->value();
    result.maxViewportHeight = height_->value();
    result.mimeVersion = mimeType2_->isChecked() ? app::kMimeType2 : app::kMimeType1;
    result.autosaveMinutes = autosave_->value();
    result.scriptMemoryMegabytes = scriptMemory_->value();
    result.emulatedConsole = emulated_->isChecked();
    // The field rounds to what it can show: left alone, the value stays exactly as it was.
    if (movement_->value() != shownMovement_ || !usableMovement(initial_.minimumMovement))
        result.minimumMovement = movement_->value();
    return result;
}

bool OptionsDialog::useHardware() const { return hardware_->isChecked(); }

void OptionsDialog::accept() {
    if (const auto message = problem()) {
        QMessageBox::warning(this, windowTitle(), *message);
        port_->setFocus();
        port_->selectAll();
        return;
    }
    QDialog::accept();
}

void OptionsDialog::browse() {
    app::Settings current = settings();
    const QString start = QFile::decodeName(app::previewerPath(current).c_str());
    const QString chosen =
        QFileDialog::getOpenFileName(this, QStringLiteral("Previewer Program"), start,
                                     QStringLiteral("PlayStation Executable (*.pxe *.PXE *.exe *.EXE);;All Files (*)"));
    if (!chosen.isEmpty()) previewer_->setText(chosen);
}

}  // namespace kestrel::ui
