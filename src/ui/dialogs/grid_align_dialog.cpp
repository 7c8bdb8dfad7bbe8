#include "ui/dialogs/grid_align_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QVBoxLayout>

namespace kestrel::ui {

namespace {

constexpr double kLargestGrid = 32767.0;

constexpr const char* kAxisTexts[3] = {"X Grid", "Y Grid", "Z Grid"};
constexpr const char* kEnabledNames[3] = {"xEnabled", "yEnabled", "zEnabled"};
constexpr const char* kSizeNames[3] = {"xGrid", "yGrid", "zGrid"};
constexpr const char* kAxisLetters[3] = {"X", "Y", "Z"};

}  // namespace

GridAlignDialog::GridAlignDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Align To Grid"));

    auto* sizeGroup = new QGroupBox(QStringLiteral("Grid Size Parameters"), this);
    auto* sizeGrid = new QGridLayout(sizeGroup);
    for (int axis = 0; axis < 3; ++axis) {
        auto* box = new QCheckBox(QString::fromLatin1(kAxisTexts[axis]), sizeGroup);
        box->setObjectName(QString::fromLatin1(kEnabledNames[axis]));
        box->setChecked(true);
        auto* field = new QDoubleSpinBox(sizeGroup);
        field->setObjectName(QString::fromLatin1(kSizeNames[axis]));
        field->setDecimals(4);
        field->setRange(0.0, kLargestGrid);
        field->setValue(1.0);
        connect(box, &QCheckBox::toggled, field, &QWidget::setEnabled);
        connect(box, &QCheckBox::toggled, this, &GridAlignDialog::updateProblem);
        connect(field, &QDoubleSpinBox::valueChanged, this, &GridAlignDialog::updateProblem);
        sizeGrid->addWidget(box, axis, 0);
        sizeGrid->addWidget(field, axis, 1);
        enabled_[axis] = box;
        size_[axis] = field;
    }

    auto* operateGroup = new QGroupBox(QStringLiteral("Operate On"), this);
    all_ = new QRadioButton(QStringLiteral("All"), operateGroup);
    all_->setObjectName(QStringLiteral("allVertices"));
    all_->setChecked(true);
    selectedOnly_ = new QRadioButton(QStringLiteral("Selected Only"), operateGroup);
    selectedOnly_->setObjectName(QStringLiteral("selectedOnly"));
    auto* operateLayout = new QVBoxLayout(operateGroup);
    operateLayout->addWidget(all_);
    operateLayout->addWidget(selectedOnly_);

    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("problemLabel"));
    problem_->setWordWrap(true);
    problem_->hide();

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons_->setObjectName(QStringLiteral("buttons"));
    connect(buttons_, &QDialogButtonBox::accepted, this, &GridAlignDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &GridAlignDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sizeGroup);
    layout->addWidget(operateGroup);
    layout->addWidget(problem_);
    layout->addWidget(buttons_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    updateProblem();
}

model::GridAlignOptions GridAlignDialog::options() const {
    model::GridAlignOptions options;
    for (std::size_t axis = 0; axis < 3; ++axis) {
        options.size[axis] = size_[axis]->value();
        options.enabled[axis] = enabled_[axis]->isChecked();
    }
    options.selectedOnly = selectedOnly_->isChecked();
    return options;
}

std::optional<QString> GridAlignDialog::problem() const {
    QStringList zero;
    for (int axis = 0; axis < 3; ++axis)
        if (enabled_[axis]->isChecked() && !(size_[axis]->value() > 0.0))
            zero.append(QString::fromLatin1(kAxisLetters[axis]));
    if (zero.isEmpty()) return std::nullopt;
    if (zero.size() == 1)
        return QStringLiteral("The %1 grid size must be greater than 0, or its axis unticked.").arg(zero.front());
    const QString last = zero.takeLast();
    return QStringLiteral("The %1 and %2 grid sizes must be greater than 0, or their axes unticked.")
        .arg(zero.join(QStringLiteral(", ")), last);
}

void GridAlignDialog::accept() {
    if (problem()) {
        for (int axis = 0; axis < 3; ++axis)
            if (enabled_[axis]->isChecked() && !(size_[axis]->value() > 0.0)) {
                size_[axis]->setFocus();
                size_[axis]->selectAll();
                break;
            }
        return;
    }
    QDialog::accept();
}

void GridAlignDialog::updateProblem() {
    const std::optional<QString> why = problem();
    problem_->setText(why.value_or(QString()));
    problem_->setVisible(why.has_value());
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(!why);
}

}  // namespace kestrel::ui
