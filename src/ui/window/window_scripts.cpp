#include "ui/window/window_scripts.h"

#include "ui/window/line_log.h"

#include <QDialog>
#include <QFile>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "script/engine.h"

namespace kestrel::ui {

WindowScripts::WindowScripts(app::Document& document, QWidget* window, QPlainTextEdit* pane,
                             const std::array<QPushButton*, app::kFunctionSlots>& buttons)
    : QObject(window),
      document_(document),
      window_(window),
      pane_(pane),
      buttons_(buttons),
      session_(std::make_unique<app::ScriptSession>(document)) {
    const LineLog log = makeLineLog(window, "console", "Console", {520, 320});
    console_ = log.dialog;
    consoleList_ = log.list;

    session_->output = [this](std::string_view line) {
        write(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
        if (!console_->isVisible()) showConsole();
    };
    session_->stopFlag = &stop_;
    session_->cancelRequested = [this] {
        if (hold_) hold_->pump();
        return stop_.load();
    };
    for (int i = 0; i < app::kFunctionSlots; ++i)
        connect(buttons_[static_cast<std::size_t>(i)], &QPushButton::clicked, this, [this, i] { callSlot(i); });
    updateButtons();
}

WindowScripts::~WindowScripts() = default;

void WindowScripts::write(const QString& line) { addLine(consoleList_, line); }

void WindowScripts::showConsole() {
    console_->show();
    console_->raise();
}

void WindowScripts::hold(const QString& what, const std::function<std::optional<app::ScriptRun>()>& job) {
    if (running_) return;
    running_ = true;
    stop_ = false;
    hold_ = std::make_unique<InputHold>([this] { stop_ = true; });
    const std::optional<app::ScriptRun> ran = job();
    hold_.reset();
    running_ = false;
    updateButtons();
    Q_EMIT slotsChanged();
    if (!ran) return;
    if (ran->completed) {
        Q_EMIT finished(what + " ran");
        return;
    }
    const QString why = QString::fromStdString(ran->stopped);
    write(what + " stopped: " + why);
    showConsole();
    Q_EMIT finished(what + " stopped: " + why + "; the model is as it was before it");
}

void WindowScripts::run() {
    const std::string text = pane_->toPlainText().toStdString();
    hold("The script", [&] { return std::optional(session_->run(text)); });
}

void WindowScripts::callSlot(int slot) {
    if (slot < 0 || slot >= app::kFunctionSlots) return;
    const QString name = QString::fromStdString(session_->slots()[static_cast<std::size_t>(slot)]);
    hold(name, [&] { return session_->callSlot(slot); });
}

void WindowScripts::unload() {
    if (running_) return;
    for (const std::string& line : session_->unload()) write(QString::fromStdString(line));
    showConsole();
    updateButtons();
    Q_EMIT slotsChanged();
}

std::expected<void, formats::Error> WindowScripts::open(const QString& path) {
    const auto text = document_.files().readFile(path.toStdString());
    if (!text) return std::unexpected(text.error());
    session_->unload();
    pane_->setPlainText(QString::fromUtf8(text->data(), static_cast<qsizetype>(text->size())));
    run();
    return {};
}

void WindowScripts::updateButtons() {
    for (int i = 0; i < app::kFunctionSlots; ++i) {
        const std::string& name = session_->slots()[static_cast<std::size_t>(i)];
        QPushButton* button = buttons_[static_cast<std::size_t>(i)];
        button->setText(QString::fromStdString(name));
        button->setEnabled(name != app::kEmptySlot);
    }
}

}  // namespace kestrel::ui
