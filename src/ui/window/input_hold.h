#pragma once
// While a long job runs on the window's thread (a script, a console transfer): the user's
// input goes nowhere but to dialogs the job opens, Escape is passed to the job, and pump()
// lets the window paint and run its timers a few times a second.
#include <QObject>
#include <QWidget>
#include <chrono>
#include <functional>

namespace kestrel::ui {

class InputHold final : public QObject {
public:
    explicit InputHold(std::function<void()> onEscape);
    ~InputHold() override;
    InputHold(const InputHold&) = delete;
    InputHold& operator=(const InputHold&) = delete;

    // Processes the window's events when the last time was long enough ago.
    void pump();
    // The widget (a Cancel button) takes its input as usual while the hold lasts.
    void allow(QWidget* widget) { allowed_ = widget; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> onEscape_;
    QWidget* allowed_ = nullptr;
    std::chrono::steady_clock::time_point last_;
};

}  // namespace kestrel::ui
