#include "ui/window/line_log.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrel::ui {

namespace {
constexpr int kLogLines = 5000;
}

LineLog makeLineLog(QWidget* parent, const QString& name, const QString& title, QSize size) {
    LineLog log;
    log.dialog = new QDialog(parent);
    log.dialog->setObjectName(name);
    log.dialog->setWindowTitle(title);
    auto* column = new QVBoxLayout(log.dialog);
    log.list = new QListWidget(log.dialog);
    log.list->setObjectName(name + "List");
    log.list->setUniformItemSizes(true);
    column->addWidget(log.list);
    auto* row = new QHBoxLayout;
    auto* clear = new QPushButton("Clear", log.dialog);
    clear->setObjectName(name + "Clear");
    QObject::connect(clear, &QPushButton::clicked, log.list, &QListWidget::clear);
    row->addStretch();
    row->addWidget(clear);
    column->addLayout(row);
    log.dialog->resize(size);
    return log;
}

void addLine(QListWidget* list, const QString& line) {
    list->addItem(line);
    while (list->count() > kLogLines) delete list->takeItem(0);
    list->scrollToBottom();
}

}  // namespace kestrel::ui
