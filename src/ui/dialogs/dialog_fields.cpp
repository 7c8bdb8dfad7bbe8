#include "ui/dialogs/dialog_fields.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>

namespace kestrel::ui {

QLineEdit* readOnlyField(const QString& text, const char* objectName, QWidget* parent) {
    auto* field = new QLineEdit(text, parent);
    field->setObjectName(QString::fromLatin1(objectName));
    field->setReadOnly(true);
    field->setCursorPosition(0);
    return field;
}

QCheckBox* checkBox(const QString& text, const char* objectName, QWidget* parent, bool checked) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QString::fromLatin1(objectName));
    box->setChecked(checked);
    return box;
}

QRadioButton* radioButton(const QString& text, const char* objectName, QButtonGroup* group, int id, QWidget* parent) {
    auto* button = new QRadioButton(text, parent);
    button->setObjectName(QString::fromLatin1(objectName));
    group->addButton(button, id);
    return button;
}

QPushButton* actionButton(const QString& text, const char* objectName, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setAutoDefault(false);
    return button;
}

QString numberText(double value) { return QLocale::c().toString(value, 'g', QLocale::FloatingPointShortest); }

}  // namespace kestrel::ui
