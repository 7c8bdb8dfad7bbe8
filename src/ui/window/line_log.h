#pragma once
// A window of lines with a "Clear" button, as the script console and the emulated console's
// log show what happened. It keeps the latest lines only, so that a job that prints for ever
// cannot fill memory.
#include <QSize>
#include <QString>

class QDialog;
class QListWidget;
class QWidget;

namespace kestrel::ui {

struct LineLog {
    QDialog* dialog = nullptr;
    QListWidget* list = nullptr;
};

// The widgets take the names given (the button "<name>Clear", the list "<name>List").
LineLog makeLineLog(QWidget* parent, const QString& name, const QString& title, QSize size);
// Adds a line at the end, dropping the oldest past the limit, and shows it.
void addLine(QListWidget* list, const QString& line);

}  // namespace kestrel::ui
