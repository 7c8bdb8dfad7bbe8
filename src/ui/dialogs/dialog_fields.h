#pragma once
// Pieces the dialogs share: read-only value fields and the way they write numbers.
#include <QString>

class QLineEdit;
class QWidget;

namespace kestrel::ui {

// A field that shows a value the user can select and copy but not change.
QLineEdit* readOnlyField(const QString& text, const char* objectName, QWidget* parent);

// A coordinate or other measure as the shortest text that reads back as the same number
// ("12.5", "-3", "0.1"), in the C locale.
QString numberText(double value);

}  // namespace kestrel::ui
