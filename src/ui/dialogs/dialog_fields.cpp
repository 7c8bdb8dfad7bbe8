#include "ui/dialogs/dialog_fields.h"

#include <QLineEdit>
#include <QLocale>

namespace kestrel::ui {

QLineEdit* readOnlyField(const QString& text, const char* objectName, QWidget* parent) {
    auto* field = new QLineEdit(text, parent);
    field->setObjectName(QString::fromLatin1(objectName));
    field->setReadOnly(true);
    field->setCursorPosition(0);
    return field;
}

QString numberText(double value) {
    return QLocale::c().toString(value, 'g', QLocale::FloatingPointShortest);
}

}  // namespace kestrel::ui
