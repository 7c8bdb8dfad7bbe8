#pragma once
// The animation dialogs: "Create Keyframe" (a name and the "Base Frame" tick) and "Keyframe
// Info" (name, frames to reach the keyframe, and the keyframes either side for information).
//
// Widgets by object name: "nameEdit" (QLineEdit), "baseFrame" (QCheckBox), "framesEdit"
// (QSpinBox), "previousFrame" and "nextFrame" (QComboBox), "buttons" (QDialogButtonBox).
#include <QDialog>
#include <QStringList>
#include <string>

#include "app/document.h"

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace kestrel::ui {

class CreateKeyframeDialog : public QDialog {
    Q_OBJECT
public:
    CreateKeyframeDialog(const app::KeyframeEntry& proposed, QWidget* parent = nullptr);
    app::KeyframeEntry entry() const;

private:
    QLineEdit* name_ = nullptr;
    QCheckBox* baseFrame_ = nullptr;
};

// What Keyframe Info shows of the selected keyframe.
struct KeyframeInfo {
    std::string name;
    int framesFromLast = 0;
    bool baseFrame = false;
    QStringList others;          // the base frame and the movement's other keyframes, in order
    int previous = 0, next = 0;  // the ones before and after, in others
};
// The selected keyframe as Keyframe Info shows it; nothing when no keyframe is selected.
std::optional<KeyframeInfo> keyframeInfoOf(const app::Document& document);

class KeyframeInfoDialog : public QDialog {
    Q_OBJECT
public:
    KeyframeInfoDialog(const KeyframeInfo& info, QWidget* parent = nullptr);
    std::string name() const;
    int framesFromLast() const;

private:
    QLineEdit* name_ = nullptr;
    QSpinBox* frames_ = nullptr;
};

}  // namespace kestrel::ui
