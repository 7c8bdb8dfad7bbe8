// What reaches the window by name rather than by a click: menu entries and project items
// named on the command line, and the manual that Help opens.
#include <QAction>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QTreeWidgetItem>
#include <QUrl>

#include "ui/window/main_window.h"
#include "ui/window/project_tree.h"

namespace kestrel::ui {

namespace {

// A menu text as it shows: a single '&' marks the next letter, "&&" shows as '&'.
QString shownText(const QString& text) {
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        shown += text[i];
    }
    return shown;
}

}  // namespace

std::expected<void, QString> MainWindow::runMenuEntry(const QString& path) {
    const QStringList names = path.split('/');
    QList<QAction*> entries = menuBar()->actions();
    QString reached;
    for (qsizetype i = 0; i < names.size(); ++i) {
        QAction* found = nullptr;
        for (QAction* a : entries)
            if (!a->isSeparator() && shownText(a->text()) == names[i]) {
                found = a;
                break;
            }
        reached += (i ? "/" : "") + names[i];
        if (!found) return std::unexpected(QString("the menus have no entry \"%1\"").arg(reached));
        const bool last = i + 1 == names.size();
        if (found->menu()) {
            if (last) return std::unexpected(QString("\"%1\" is a menu, not an entry").arg(reached));
            entries = found->menu()->actions();
            continue;
        }
        if (!last) return std::unexpected(QString("\"%1\" is an entry, not a menu").arg(reached));
        if (!found->isEnabled()) return std::unexpected(QString("\"%1\" is not available now").arg(reached));
        found->trigger();
    }
    return {};
}

std::expected<void, QString> MainWindow::selectProjectItem(const QString& path) {
    QTreeWidgetItem* item = projectTree_->topLevelItem(0);
    for (const QString& name : path.split('/')) {
        QTreeWidgetItem* child = nullptr;
        for (int i = 0; item && i < item->childCount() && !child; ++i)
            if (item->child(i)->text(0) == name) child = item->child(i);
        if (!child) return std::unexpected(QString("the project window has no item \"%1\"").arg(path));
        item = child;
    }
    projectTree_->setCurrentItem(item);
    return {};
}

void MainWindow::openManual() {
    for (const QString& place : options_.manualPlaces) {
        if (!QFileInfo(place).isFile()) continue;
        if (QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(place).absoluteFilePath())))
            showMessage("Opened the manual, " + place);
        else
            prompts_.showProblems(this, "Kestrel Manual", "The desktop has no program to show the manual with.",
                                  {place}, true);
        return;
    }
    prompts_.showProblems(this, "Kestrel Manual",
                          "The manual was not found. Kestrel looked for it here:", options_.manualPlaces, true);
}

}  // namespace kestrel::ui
