#include "ui/dialogs/static_lighting_dialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kestrel::ui {

namespace {

// The model's colour order, 0x00RRGGBB, as a QColor and back.
QColor modelQColor(std::int32_t colour) { return QColor::fromRgb(static_cast<QRgb>(colour) & 0xFFFFFFu); }
std::int32_t modelValue(const QColor& colour) { return static_cast<std::int32_t>(colour.rgb() & 0xFFFFFFu); }

}  // namespace

StaticLightingDialog::StaticLightingDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Static Lighting"));
    chooseColour = [this](const QColor& current) {
        return QColorDialog::getColor(current, this, QStringLiteral("Light Colour"));
    };
    const model::PointLight initial;

    colourButton_ = new QPushButton(QStringLiteral("Colour..."), this);
    colourButton_->setObjectName(QStringLiteral("colourButton"));
    colourButton_->setAutoDefault(false);
    connect(colourButton_, &QPushButton::clicked, this, &StaticLightingDialog::chooseLightColour);

    radius_ = new QSpinBox(this);
    radius_->setObjectName(QStringLiteral("radius"));
    radius_->setRange(0, int(model::kMaxLightRadius));
    radius_->setValue(int(initial.radius));

    selectedOnly_ = new QCheckBox(QStringLiteral("Light Selected Polys Only"), this);
    selectedOnly_->setObjectName(QStringLiteral("selectedOnly"));
    selectedOnly_->setChecked(initial.selectedOnly);
    allowTypeChange_ = new QCheckBox(QStringLiteral("Allow POLY type modification"), this);
    allowTypeChange_->setObjectName(QStringLiteral("allowTypeChange"));
    allowTypeChange_->setChecked(initial.allowTypeChange);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &StaticLightingDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &StaticLightingDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(colourButton_);
    form->addRow(QStringLiteral("Radius:"), radius_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(selectedOnly_);
    layout->addWidget(allowTypeChange_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    showColour();
}

model::PointLight StaticLightingDialog::light() const {
    model::PointLight light;
    light.colour = colour_;
    light.radius = static_cast<unsigned>(radius_->value());
    light.selectedOnly = selectedOnly_->isChecked();
    light.allowTypeChange = allowTypeChange_->isChecked();
    return light;
}

void StaticLightingDialog::chooseLightColour() {
    const QColor chosen = chooseColour ? chooseColour(modelQColor(colour_)) : QColor();
    if (!chosen.isValid()) return;
    colour_ = modelValue(chosen);
    showColour();
}

void StaticLightingDialog::showColour() {
    const QColor colour = modelQColor(colour_);
    QPixmap swatch(28, 14);
    swatch.fill(colour);
    colourButton_->setIcon(swatch);
    colourButton_->setToolTip(
        QStringLiteral("Red %1, green %2, blue %3").arg(colour.red()).arg(colour.green()).arg(colour.blue()));
}

}  // namespace kestrel::ui
