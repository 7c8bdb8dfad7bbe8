#include "ui/dialogs/lighting_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace kestrel::ui {

namespace {

constexpr int kColourBits = 0b111;

}  // namespace

LightingDialog::LightingDialog(std::array<int, 3> masks, QWidget* parent) : QDialog(parent), initial_(masks) {
    setWindowTitle(QStringLiteral("Setup View Lighting"));

    static constexpr const char* kLights[3] = {"X", "Y", "Z"};
    static constexpr const char* kLightNames[3] = {"x", "y", "z"};
    static constexpr const char* kColours[3] = {"R", "G", "B"};
    static constexpr const char* kColourNames[3] = {"Red", "Green", "Blue"};

    auto* lights = new QHBoxLayout;
    for (int light = 0; light < 3; ++light) {
        auto* group = new QGroupBox(QString::fromLatin1(kLights[light]), this);
        auto* column = new QVBoxLayout(group);
        for (int bit = 0; bit < 3; ++bit) {
            auto* box = new QCheckBox(QString::fromLatin1(kColours[bit]), group);
            box->setObjectName(QString::fromLatin1(kLightNames[light]) + QString::fromLatin1(kColourNames[bit]));
            box->setChecked((masks[light] >> bit) & 1);
            column->addWidget(box);
            colours_[light][bit] = box;
        }
        lights->addWidget(group);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &LightingDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &LightingDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lights);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

std::array<int, 3> LightingDialog::masks() const {
    std::array<int, 3> result{};
    for (int light = 0; light < 3; ++light) {
        int mask = initial_[light] & ~kColourBits;
        for (int bit = 0; bit < 3; ++bit)
            if (colours_[light][bit]->isChecked()) mask |= 1 << bit;
        result[light] = mask;
    }
    return result;
}

}  // namespace kestrel::ui
