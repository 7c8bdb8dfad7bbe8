#pragma once
// What the window tests share: the sample's folder, prompts that answer as the test says, and
// a window with its own settings files in a temporary folder.
#include <QColor>
#include <QDateTime>
#include <QTemporaryDir>
#include <memory>
#include <optional>
#include <vector>

#include "app/document.h"
#include "ui/window/main_window.h"
#include "ui/window/prompts.h"
#include "ui/window/ui_store.h"

namespace kestrel::ui::test {

inline QString sampleDir() {
    const QString root = qEnvironmentVariable("KESTREL_SOURCE_DIR", ".");
    return root + "/data/samples";
}

// Answers the window's questions as the test says and remembers what it was told.
struct ScriptedPrompts final : Prompts {
    SaveChoice saveChoice = SaveChoice::Cancel;
    std::optional<QString> nextPath;
    int saveQuestions = 0;
    struct Told {
        QString headline;
        QStringList problems;
        bool error;
    };
    std::vector<Told> told;

    bool hardwareAnswer = false;
    int hardwareQuestions = 0;
    bool askUseHardware(QWidget*) override {
        ++hardwareQuestions;
        return hardwareAnswer;
    }
    std::optional<QString> openPath(QWidget*, const QString&, const QString&) override { return nextPath; }
    std::optional<QString> savePath(QWidget*, const QString&, const QString&, const QString&, const QString&) override {
        return nextPath;
    }
    SaveChoice askSaveChanges(QWidget*, const QString&) override {
        ++saveQuestions;
        return saveChoice;
    }
    UnstoredChoice unstoredChoice = UnstoredChoice::Cancel;
    QStringList unstoredAsked;
    UnstoredChoice askUnstoredKeyframe(QWidget*, const QString& keyframe) override {
        unstoredAsked << keyframe;
        return unstoredChoice;
    }
    void showProblems(QWidget*, const QString&, const QString& headline, const QStringList& problems,
                      bool error) override {
        told.push_back({headline, problems, error});
    }
    std::optional<QColor> chooseColour(QWidget*, const QString&, QColor) override { return QColor(0, 0, 64); }
    std::optional<bool> aseAnswer;
    int aseQuestions = 0;
    std::optional<bool> askAseImport(QWidget*) override {
        ++aseQuestions;
        return aseAnswer;
    }
    bool recoverAnswer = true;
    QStringList recoverAsked;  // the sets offered back
    bool askRecover(QWidget*, const QString& set, const QDateTime&) override {
        recoverAsked << set;
        return recoverAnswer;
    }
    std::vector<bool> commsAnswers;  // the answers to the comms error, in order; Cancel after them
    int commsQuestions = 0;
    bool askCommsRetry(QWidget*) override {
        const std::size_t i = static_cast<std::size_t>(commsQuestions++);
        return i < commsAnswers.size() && commsAnswers[i];
    }
};

// A window with its own settings files in a temporary folder.
struct Harness {
    QTemporaryDir dir;
    app::Document document;
    ScriptedPrompts prompts;
    std::unique_ptr<UiStore> store;
    std::unique_ptr<MainWindow> window;

    Harness() { open(); }
    QString configPath() const { return dir.filePath("Kestrel.config"); }
    QString recoveryFolder() const { return dir.filePath("state"); }
    void open() {
        store = std::make_unique<UiStore>(dir.filePath("kestrel.ini"));
        WindowOptions options;
        options.deviceName = "Software Rasteriser";
        options.configPath = configPath().toStdString();
        options.recoveryFolder = recoveryFolder().toStdString();
        window = std::make_unique<MainWindow>(document, *store, prompts, options);
    }
    // Closes the window as the user would, then makes it again from the saved settings.
    void restart() {
        window->close();
        window.reset();
        store.reset();
        open();
    }
};

}  // namespace kestrel::ui::test
