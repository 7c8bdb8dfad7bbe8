// The file commands: New, Open, the four saves and the recent files, with the questions about
// unsaved changes and the reports of what went wrong.
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTabWidget>
#include <QUrl>

#include "formats/host_path.h"
#include "formats/open_dispatch.h"
#include "ui/window/main_window.h"
#include "ui/window/window_scripts.h"

namespace kestrel::ui {

namespace {

const char* const kOpenFilter =
    "RSD Model (*.RSD)|*.RSD|3D Studio ASCII Object (*.ASC)|*.ASC|3DS Max ASCII Scene Export (*.ASE)|*.ASE|"
    "K-Script Program (*.KS;*.JS)|*.KS;*.JS|All Files (*.*)|*.*||";
const char* const kSaveFilter = "RSD Model (*.RSD)|*.RSD|TMD Runtime Model (*.TMD)|*.TMD|All Files (*.*)|*.*||";

QStringList described(const std::vector<formats::Warning>& warnings) {
    QStringList lines;
    for (const auto& warning : warnings) lines << QString::fromStdString(warning.describe());
    return lines;
}

}  // namespace

void MainWindow::updateTitle() {
    // Before the document has a set of its own the title names the device.
    if (!document_.path().empty())
        setWindowTitle(QString::fromStdString(document_.windowTitle()));
    else
        setWindowTitle("Kestrel: Using " + QString::fromStdString(options_.deviceName) +
                       (document_.modified() ? " *" : ""));
}

bool MainWindow::maybeKeepChanges() {
    if (!document_.modified()) return true;
    switch (prompts_.askSaveChanges(this, QString::fromStdString(document_.model().rsdFileName))) {
        case SaveChoice::Save:
            return save();
        case SaveChoice::Discard:
            return true;
        case SaveChoice::Cancel:
            return false;
    }
    return false;
}

void MainWindow::newFile() {
    if (!maybeKeepChanges()) return;
    document_.newModel();
}

void MainWindow::openFile() {
    if (!maybeKeepChanges()) return;
    if (const auto path = prompts_.openPath(this, "Open", fileDialogFilter(kOpenFilter))) openPath(*path);
}

bool MainWindow::openPath(const QString& path) {
    // A script goes into the script pane and runs; the model stays.
    if (formats::classifyOpenPath(path.toStdString()) == formats::OpenKind::Script) {
        if (auto opened = scripts_->open(path); !opened) {
            showMessage(QString("Kestrel could not read the script %1 (%2)")
                            .arg(path, QString::fromStdString(opened.error().message)));
            return false;
        }
        store_.setRecentFiles(withRecentFile(store_.recentFiles(), QFileInfo(path).absoluteFilePath()));
        updateRecentFiles();
        // The pane the script went into comes to the front.
        if (auto* tabs = projectBar_->findChild<QTabWidget*>("projectTabs")) tabs->setCurrentIndex(1);
        return true;
    }
    if (formats::classifyOpenPath(path.toStdString()) == formats::OpenKind::Ase) {
        const auto textures = prompts_.askAseImport(this);
        if (!textures) return false;
        document_.importAseTextures = *textures;
    }
    const auto opened = document_.openFile(path.toStdString());
    if (!opened) {
        prompts_.showProblems(this, "Open",
                              QString("Kestrel could not open %1; the model on screen is unchanged.").arg(path),
                              {QString::fromStdString(opened.error().describe())}, true);
        return false;
    }
    // A model's size says nothing of its units: every pane starts with the model filling it.
    for (ViewPane* pane : panes_) pane->scaleToFit(true);
    store_.setRecentFiles(withRecentFile(store_.recentFiles(), QFileInfo(path).absoluteFilePath()));
    updateRecentFiles();
    showMessage(QString("Opened %1").arg(path));
    if (!opened->empty())
        prompts_.showProblems(this, "Open", QString("%1 was opened, but not all of it could be read:").arg(path),
                              described(*opened), false);
    return true;
}

namespace {
// The one local file a drop carries, or nothing.
std::optional<QString> droppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1 || !data->urls().first().isLocalFile())
        return std::nullopt;
    return data->urls().first().toLocalFile();
}
}  // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (droppedFile(event->mimeData())) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const auto path = droppedFile(event->mimeData());
    if (!path) return;
    event->acceptProposedAction();
    if (maybeKeepChanges()) openPath(*path);
}

void MainWindow::openRecent(int index) {
    const QStringList files = store_.recentFiles();
    if (index >= files.size() || !maybeKeepChanges()) return;
    const QString path = files[index];
    if (!openPath(path) && !QFileInfo::exists(path)) {
        // A file that is gone leaves the list.
        QStringList rest = files;
        rest.removeAll(path);
        store_.setRecentFiles(rest);
        updateRecentFiles();
    }
}

void MainWindow::updateRecentFiles() {
    const QStringList files = store_.recentFiles();
    for (int i = 0; i < kRecentFiles; ++i) {
        QAction* entry = recentActions_[static_cast<std::size_t>(i)];
        entry->setVisible(i < files.size());
        if (i < files.size()) entry->setText(QString("&%1 %2").arg(i + 1).arg(files[i]));
    }
}

bool MainWindow::reportSave(const std::expected<formats::SavedFiles, formats::Error>& saved, const QString& what) {
    if (!saved) {
        prompts_.showProblems(this, what, "The model could not be saved.",
                              {QString::fromStdString(saved.error().describe())}, true);
        return false;
    }
    if (!saved->warnings.empty())
        prompts_.showProblems(this, what, "The model was saved, with these remarks:", described(saved->warnings),
                              false);
    showMessage(
        QString::fromStdString("Saved " + formats::countOf(static_cast<long long>(saved->written.size()), "file")));
    return true;
}

std::optional<app::UnstoredEdit> MainWindow::askUnstored() {
    const auto keyframe = document_.unstoredKeyframe();
    if (!keyframe) return app::UnstoredEdit::Refuse;  // nothing to ask: nothing is refused
    switch (prompts_.askUnstoredKeyframe(this, QString::fromStdString(*keyframe))) {
        case UnstoredChoice::ReplaceKeyframe:
            return app::UnstoredEdit::StoreFirst;
        case UnstoredChoice::SaveWithout:
            return app::UnstoredEdit::LeaveOut;
        case UnstoredChoice::Cancel:
            break;
    }
    return std::nullopt;
}

bool MainWindow::save() {
    if (document_.path().empty()) return saveAs(false);
    const auto unstored = askUnstored();
    if (!unstored) return false;
    return reportSave(document_.save(*unstored), "Save");
}

void MainWindow::saveCurrent() {
    if (document_.path().empty()) {
        saveAs(true);
        return;
    }
    reportSave(document_.saveCurrent(), "Save Current");
}

bool MainWindow::saveAs(bool current) {
    const QString title = current ? "Save Current As" : "Save As";
    const auto path = prompts_.savePath(this, title, fileDialogFilter(kSaveFilter), "RSD",
                                        QString::fromStdString(document_.model().rsdFileName));
    if (!path) return false;
    const std::string chosen = path->toStdString();
    std::optional<app::UnstoredEdit> unstored = app::UnstoredEdit::Refuse;
    if (!current && formats::hasExtension(chosen, "RSD")) unstored = askUnstored();
    if (!unstored) return false;
    const bool saved =
        reportSave(current ? document_.saveCurrentAs(chosen) : document_.saveAs(chosen, *unstored), title);
    if (saved && path->endsWith(".rsd", Qt::CaseInsensitive)) {
        store_.setRecentFiles(withRecentFile(store_.recentFiles(), QFileInfo(*path).absoluteFilePath()));
        updateRecentFiles();
    }
    return saved;
}

}  // namespace kestrel::ui
