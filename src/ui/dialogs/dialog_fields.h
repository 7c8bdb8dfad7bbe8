#pragma once
// Pieces the dialogs share: read-only value fields and the way they write numbers.
#include <QString>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace kestrel::ui {

// A field that shows a value the user can select and copy but not change.
QLineEdit* readOnlyField(const QString& text, const char* objectName, QWidget* parent);

// A check box and a radio button under their object names; the radio button joins the
// group under the id given.
QCheckBox* checkBox(const QString& text, const char* objectName, QWidget* parent, bool checked = false);
QRadioButton* radioButton(const QString& text, const char* objectName, QButtonGroup* group, int id, QWidget* parent);

// A button that acts only when clicked: Return in a number field must not press it.
QPushButton* actionButton(const QString& text, const char* objectName, QWidget* parent);

// A coordinate or other measure as the shortest text that reads back as the same number
// ("12.5", "-3", "0.1"), in the C locale.
QString numberText(double value);

}  // namespace kestrel::ui
