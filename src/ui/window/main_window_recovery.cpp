// Recovery copies of unsaved work, and the offer to bring back what a session that ended
// without closing left behind.
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QTimer>
#include <ctime>

#include "app/recovery.h"
#include "ui/window/main_window.h"

namespace kestrel::ui {

namespace {

// Whether a process of that number is a Kestrel still running: a number reused by another
// program does not count, nor a killed process its parent has not yet reaped.
bool kestrelRunning(int pid) {
    if (pid == static_cast<int>(QCoreApplication::applicationPid())) return true;
    QFile other(QString("/proc/%1/comm").arg(pid));
    QFile self("/proc/self/comm");
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!other.open(QIODevice::ReadOnly) || !self.open(QIODevice::ReadOnly) || !stat.open(QIODevice::ReadOnly))
        return false;
    // "pid (name) state ...": the state follows the last parenthesis.
    const QByteArray fields = stat.readAll();
    const qsizetype close = fields.lastIndexOf(')');
    const char state = close >= 0 && close + 2 < fields.size() ? fields[close + 2] : '?';
    return state != 'Z' && state != 'X' && other.readAll() == self.readAll();
}

}  // namespace

QString MainWindow::recoveryPath() const {
    if (options_.recoveryFolder.empty()) return {};
    return QString::fromStdString(
        app::recoveryPathFor(options_.recoveryFolder, static_cast<int>(QCoreApplication::applicationPid())));
}

void MainWindow::startAutosave() {
    if (!autosaveTimer_) {
        autosaveTimer_ = new QTimer(this);
        connect(autosaveTimer_, &QTimer::timeout, this, &MainWindow::keepRecoveryCopy);
    }
    const int minutes = document_.settings().autosaveMinutes;
    if (options_.recoveryFolder.empty() || minutes <= 0) {
        autosaveTimer_->stop();
        return;
    }
    autosaveTimer_->start(minutes * 60 * 1000);
}

void MainWindow::keepRecoveryCopy() {
    if (options_.recoveryFolder.empty()) return;
    if (!document_.modified()) {
        dropRecoveryCopy();
        return;
    }
    const std::string path = recoveryPath().toStdString();
    if (auto kept = app::writeRecovery(document_.files(), path, document_, std::time(nullptr)); !kept) {
        showMessage(QString::fromStdString(kept.error().describe()));
        return;
    }
    recoveryKept_ = true;
}

void MainWindow::dropRecoveryCopy() {
    if (!recoveryKept_) return;
    document_.files().remove(recoveryPath().toStdString());
    recoveryKept_ = false;
}

void MainWindow::offerRecoveries() {
    if (options_.recoveryFolder.empty()) return;
    formats::FileSystem& files = document_.files();
    for (const app::RecoveryInfo& left : app::findRecoveries(files, options_.recoveryFolder, kestrelRunning)) {
        const QDateTime keptAt = QDateTime::fromSecsSinceEpoch(left.savedAt);
        if (!prompts_.askRecover(this, QString::fromStdString(left.setPath), keptAt)) {
            files.remove(left.file);
            continue;
        }
        auto recovered = app::readRecovery(files, left.file);
        if (!recovered) {
            prompts_.showProblems(this, "Recover", "The recovery copy could not be read; it was set aside.",
                                  {QString::fromStdString(recovered.error().describe())}, true);
            app::setAsideRecovery(files, left.file);
            continue;
        }
        document_.adoptRecovered(std::move(*recovered));
        for (ViewPane* pane : panes_) pane->scaleToFit(true);
        // This session's own copy takes over from the one it came from.
        keepRecoveryCopy();
        if (recoveryKept_) files.remove(left.file);
        showMessage(QString("Recovered the unsaved changes kept at %1; save to keep them.")
                        .arg(QLocale().toString(keptAt, QLocale::ShortFormat)));
        return;  // one document at a time: the others wait for the next start
    }
}

}  // namespace kestrel::ui
