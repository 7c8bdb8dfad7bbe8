#include "ui/dialogs/keyframe_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

namespace kestrel::ui {

namespace {

QDialogButtonBox* okCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->setObjectName("buttons");
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

}  // namespace

CreateKeyframeDialog::CreateKeyframeDialog(const app::KeyframeEntry& proposed, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Create Keyframe");
    name_ = new QLineEdit(QString::fromStdString(proposed.name), this);
    name_->setObjectName("nameEdit");
    name_->selectAll();
    baseFrame_ = new QCheckBox("Base Frame", this);
    baseFrame_->setObjectName("baseFrame");
    baseFrame_->setChecked(proposed.baseFrame);
    auto* details = new QGroupBox("Details", this);
    (new QVBoxLayout(details))->addWidget(baseFrame_);
    auto* form = new QFormLayout;
    form->addRow("Name:", name_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(details);
    layout->addWidget(okCancel(this));
    setMinimumWidth(300);
}

app::KeyframeEntry CreateKeyframeDialog::entry() const {
    return {name_->text().trimmed().toStdString(), baseFrame_->isChecked()};
}

std::optional<KeyframeInfo> keyframeInfoOf(const app::Document& document) {
    const app::ProjectSelection& s = document.selection();
    if (s.kind != app::ProjectItem::Keyframe) return std::nullopt;
    const auto& anim = document.animation();
    const QString base = anim.baseFrame ? QString::fromStdString(anim.baseFrame->name) : QString("BaseFrame");
    for (const auto& movement : anim.movements)
        for (std::size_t i = 0; i < movement.keyframes.size(); ++i) {
            if (movement.keyframes[i].name != s.name) continue;
            KeyframeInfo info{s.name, movement.keyframes[i].framesFromLast, false, {base}, 0, 0};
            for (std::size_t k = 0; k < movement.keyframes.size(); ++k)
                if (k != i) info.others << QString::fromStdString(movement.keyframes[k].name);
            // In others the keyframe itself is left out: the one before it sits at index i (the
            // base frame for the first), the one after at i + 1 when there is one.
            info.previous = static_cast<int>(i);
            info.next = i + 1 < movement.keyframes.size() ? static_cast<int>(i + 1) : static_cast<int>(i);
            return info;
        }
    // No movement holds it: the base frame.
    return KeyframeInfo{anim.baseFrame ? anim.baseFrame->name : s.name, 0, true, {base}, 0, 0};
}

KeyframeInfoDialog::KeyframeInfoDialog(const KeyframeInfo& info, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Keyframe Info");
    name_ = new QLineEdit(QString::fromStdString(info.name), this);
    name_->setObjectName("nameEdit");
    frames_ = new QSpinBox(this);
    frames_->setObjectName("framesEdit");
    frames_->setRange(0, 1000000);
    frames_->setValue(info.framesFromLast);
    frames_->setEnabled(!info.baseFrame);
    auto* previous = new QComboBox(this);
    previous->setObjectName("previousFrame");
    auto* next = new QComboBox(this);
    next->setObjectName("nextFrame");
    for (QComboBox* list : {previous, next}) list->addItems(info.others);
    previous->setCurrentIndex(info.previous);
    next->setCurrentIndex(info.next);
    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::style()
                        ->standardIcon(info.baseFrame ? QStyle::SP_DriveHDIcon : QStyle::SP_FileIcon)
                        .pixmap(32, 32));
    auto* form = new QFormLayout;
    form->addRow("Name:", name_);
    form->addRow("Number Of Frames To\nReach Here:", frames_);
    form->addRow("Previous Frame:", previous);
    form->addRow("Next Frame:", next);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(icon);
    layout->addLayout(form);
    layout->addWidget(okCancel(this));
    setMinimumWidth(320);
}

std::string KeyframeInfoDialog::name() const { return name_->text().trimmed().toStdString(); }
int KeyframeInfoDialog::framesFromLast() const { return frames_->value(); }

}  // namespace kestrel::ui
