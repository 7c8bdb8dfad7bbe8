#include "ui/window/startup.h"

#include <QApplication>
#include <QWidget>

#include "ui/window/main_window.h"

namespace kestrel::ui {

std::vector<StartupStep> startupSteps(const QStringList& arguments) {
    using Kind = StartupStep::Kind;
    const std::pair<QString, Kind> options[] = {
        {"--pane", Kind::Pane}, {"--select", Kind::Select}, {"--menu", Kind::Menu}};
    std::vector<StartupStep> steps;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == "--") break;
        for (const auto& [name, kind] : options) {
            if (argument == name && i + 1 < arguments.size()) {
                steps.push_back({kind, arguments[++i]});
                break;
            }
            if (argument.startsWith(name + "=")) {
                steps.push_back({kind, argument.mid(name.size() + 1)});
                break;
            }
        }
    }
    return steps;
}

std::expected<void, QString> runStartupStep(MainWindow& window, const StartupStep& step) {
    switch (step.kind) {
        case StartupStep::Kind::Pane: {
            bool ok = false;
            const int pane = step.value.toInt(&ok);
            if (!ok || pane < 1 || pane > 4)
                return std::unexpected(QString("--pane takes 1 to 4 (top left, top right, bottom left, bottom "
                                               "right), not '%1'")
                                           .arg(step.value));
            window.setActivePane(window.pane(pane - 1));
            return {};
        }
        case StartupStep::Kind::Select:
            return window.selectProjectItem(step.value);
        case StartupStep::Kind::Menu:
            return window.runMenuEntry(step.value);
    }
    return {};
}

QWidget* grabbedWidget(MainWindow& window) {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return &window;
}

}  // namespace kestrel::ui
