#pragma once
// What the dialog tests reach into a dialog with: its controls by object name, its OK button
// and the text a button shows.
#include <QAccessible>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QWidget>

template <typename T>
T* child(const QWidget& dialog, const char* name) {
    T* found = dialog.findChild<T*>(QString::fromLatin1(name));
    if (!found) qFatal("no widget %s", name);
    return found;
}

inline QPushButton* okButton(const QWidget& dialog) {
    return child<QDialogButtonBox>(dialog, "buttons")->button(QDialogButtonBox::Ok);
}

// The text a button shows, with Qt's '&' markup resolved ("&&" shows as one '&').
inline QString shownText(QWidget* button) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(button);
    return face ? face->text(QAccessible::Name) : QString();
}
