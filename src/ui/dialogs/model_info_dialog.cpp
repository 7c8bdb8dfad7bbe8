#include "ui/dialogs/model_info_dialog.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_fields.h"

namespace kestrel::ui {

namespace {

constexpr double kSmallestScale = 0.0001;
constexpr double kLargestScale = 10000.0;
constexpr double kLargestOffset = 32767.0;

QDoubleSpinBox* numberField(double low, double high, double value, const char* objectName, QWidget* parent) {
    auto* field = new QDoubleSpinBox(parent);
    field->setObjectName(QString::fromLatin1(objectName));
    field->setDecimals(4);
    field->setRange(low, high);
    field->setValue(value);
    return field;
}

}  // namespace

ModelInfoDialog::ModelInfoDialog(const model::SelectionInfo& info, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Model Information"));

    // What is selected. An empty extent (nothing selected) has its maximum below its minimum
    // and shows as blank fields.
    auto* extents = new QGroupBox(QStringLiteral("Selected Object Extents"), this);
    auto* extentGrid = new QGridLayout(extents);
    extentGrid->addWidget(new QLabel(QStringLiteral("Min"), extents), 0, 1, Qt::AlignHCenter);
    extentGrid->addWidget(new QLabel(QStringLiteral("Max"), extents), 0, 2, Qt::AlignHCenter);
    const model::Extent* axes[3] = {&info.x, &info.y, &info.z};
    static constexpr const char* kAxes[3] = {"X", "Y", "Z"};
    static constexpr const char* kMinNames[3] = {"minX", "minY", "minZ"};
    static constexpr const char* kMaxNames[3] = {"maxX", "maxY", "maxZ"};
    for (int axis = 0; axis < 3; ++axis) {
        const model::Extent& extent = *axes[axis];
        const bool empty = extent.max < extent.min;
        extentGrid->addWidget(new QLabel(QString::fromLatin1(kAxes[axis]), extents), axis + 1, 0);
        extentGrid->addWidget(readOnlyField(empty ? QString() : numberText(extent.min), kMinNames[axis], extents),
                              axis + 1, 1);
        extentGrid->addWidget(readOnlyField(empty ? QString() : numberText(extent.max), kMaxNames[axis], extents),
                              axis + 1, 2);
    }

    auto* selected = new QGroupBox(QStringLiteral("Selected"), this);
    auto* selectedForm = new QFormLayout(selected);
    selectedForm->addRow(QStringLiteral("Polygons:"),
                         readOnlyField(QString::number(info.polygons), "polygonCount", selected));
    selectedForm->addRow(QStringLiteral("Vertices:"),
                         readOnlyField(QString::number(info.vertices), "vertexCount", selected));

    auto* centre = new QGroupBox(QStringLiteral("Selected Object Centre"), this);
    auto* centreForm = new QFormLayout(centre);
    centreForm->addRow(QStringLiteral("X:"), readOnlyField(numberText(info.centre.x), "centreX", centre));
    centreForm->addRow(QStringLiteral("Y:"), readOnlyField(numberText(info.centre.y), "centreY", centre));
    centreForm->addRow(QStringLiteral("Z:"), readOnlyField(numberText(info.centre.z), "centreZ", centre));

    // Re-scaling: every vertex, or the selected ones, about the origin.
    auto* rescaleGroup = new QGroupBox(QStringLiteral("Universal Re-Scale (All Frames)"), this);
    scale_ = numberField(kSmallestScale, kLargestScale, 1.0, "scale", rescaleGroup);
    selectedOnly_ = checkBox(QStringLiteral("Selected Only"), "selectedOnly", rescaleGroup, true);
    auto* rescaleButton = actionButton(QStringLiteral("ReScale"), "rescaleButton", rescaleGroup);
    connect(rescaleButton, &QPushButton::clicked, this, [this] { finish(Action::ReScale); });
    auto* rescaleForm = new QFormLayout(rescaleGroup);
    rescaleForm->addRow(QStringLiteral("Scale:"), scale_);
    rescaleForm->addRow(selectedOnly_);
    rescaleForm->addRow(rescaleButton);

    // Moving the model by an offset.
    auto* recentreGroup = new QGroupBox(QStringLiteral("Re-Centre Object (all frames)"), this);
    static constexpr const char* kOffsetNames[3] = {"offsetX", "offsetY", "offsetZ"};
    auto* recentreForm = new QFormLayout(recentreGroup);
    for (int axis = 0; axis < 3; ++axis) {
        offset_[axis] = numberField(-kLargestOffset, kLargestOffset, 0.0, kOffsetNames[axis], recentreGroup);
        recentreForm->addRow(QString::fromLatin1(kAxes[axis]) + QLatin1Char(':'), offset_[axis]);
    }
    moveSkeleton_ = checkBox(QStringLiteral("Re-centre Skeleton"), "moveSkeleton", recentreGroup, true);
    allFrames_ = checkBox(QStringLiteral("Change All Frames"), "allFrames", recentreGroup);
    auto* recentreButton = actionButton(QStringLiteral("Re-Centre"), "recentreButton", recentreGroup);
    connect(recentreButton, &QPushButton::clicked, this, [this] { finish(Action::ReCentre); });
    recentreForm->addRow(moveSkeleton_);
    recentreForm->addRow(allFrames_);
    recentreForm->addRow(recentreButton);

    auto* cancel = actionButton(QStringLiteral("Cancel"), "cancelButton", this);
    connect(cancel, &QPushButton::clicked, this, &ModelInfoDialog::reject);

    auto* readings = new QVBoxLayout;
    readings->addWidget(extents);
    readings->addWidget(selected);
    readings->addWidget(centre);
    readings->addStretch(1);
    auto* changes = new QVBoxLayout;
    changes->addWidget(rescaleGroup);
    changes->addWidget(recentreGroup);
    changes->addStretch(1);
    auto* columns = new QHBoxLayout;
    columns->addLayout(readings);
    columns->addLayout(changes);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(buttonRow);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

app::RescaleParams ModelInfoDialog::rescale() const {
    return {.scale = scale_->value(), .selectedOnly = selectedOnly_->isChecked(), .allFrames = allFrames_->isChecked()};
}

app::RecentreParams ModelInfoDialog::recentre() const {
    app::RecentreParams params;
    params.offset.x = offset_[0]->value();
    params.offset.y = offset_[1]->value();
    params.offset.z = offset_[2]->value();
    params.moveSkeleton = moveSkeleton_->isChecked();
    params.allFrames = allFrames_->isChecked();
    return params;
}

void ModelInfoDialog::finish(Action action) {
    action_ = action;
    accept();
}

}  // namespace kestrel::ui
