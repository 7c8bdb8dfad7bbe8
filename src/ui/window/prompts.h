#pragma once
// The questions the window asks the user and the problems it tells them of. The window asks
// through this interface so that the tests can answer in place of a person.
#include <QColor>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

namespace kestrel::ui {

enum class SaveChoice { Save, Discard, Cancel };
// Before a save, when the edit frame holds changes its keyframe does not have.
enum class UnstoredChoice { ReplaceKeyframe, SaveWithout, Cancel };

class Prompts {
public:
    virtual ~Prompts() = default;
    // The start-up question: draw with OpenGL hardware acceleration?
    virtual bool askUseHardware(QWidget* parent) = 0;
    // A file to open or to save as; nothing when cancelled. The filter is in the file
    // dialog's own notation ("Name (*.EXT)" entries separated by ";;").
    virtual std::optional<QString> openPath(QWidget* parent, const QString& title, const QString& filter) = 0;
    virtual std::optional<QString> savePath(QWidget* parent, const QString& title, const QString& filter,
                                            const QString& defaultSuffix, const QString& startAt) = 0;
    // The model has changes that are not saved: save them, throw them away, or stop.
    virtual SaveChoice askSaveChanges(QWidget* parent, const QString& file) = 0;
    // The edit frame was changed since it was the keyframe's pose: store it there first
    // ("Replace Keyframe"), save the keyframes as they are, or stop.
    virtual UnstoredChoice askUnstoredKeyframe(QWidget* parent, const QString& keyframe) = 0;
    // Something went wrong (or was read past): a headline and one line per problem.
    virtual void showProblems(QWidget* parent, const QString& title, const QString& headline,
                              const QStringList& problems, bool error) = 0;
    virtual std::optional<QColor> chooseColour(QWidget* parent, const QString& title, QColor start) = 0;
    // Before a 3DS Max scene is read: whether to take its texture information; nothing to
    // import nothing.
    virtual std::optional<bool> askAseImport(QWidget* parent) = 0;
    // A session that ended without closing left unsaved work of this set, kept at that time:
    // bring it back (true), or throw it away (false).
    virtual bool askRecover(QWidget* parent, const QString& set, const QDateTime& keptAt) = 0;
    // The console did not answer: "Retry" (true) or "Cancel".
    virtual bool askCommsRetry(QWidget* parent) = 0;
};

// The dialogs of the desktop.
class DialogPrompts final : public Prompts {
public:
    bool askUseHardware(QWidget* parent) override;
    std::optional<QString> openPath(QWidget* parent, const QString& title, const QString& filter) override;
    std::optional<QString> savePath(QWidget* parent, const QString& title, const QString& filter,
                                    const QString& defaultSuffix, const QString& startAt) override;
    SaveChoice askSaveChanges(QWidget* parent, const QString& file) override;
    UnstoredChoice askUnstoredKeyframe(QWidget* parent, const QString& keyframe) override;
    void showProblems(QWidget* parent, const QString& title, const QString& headline, const QStringList& problems,
                      bool error) override;
    std::optional<QColor> chooseColour(QWidget* parent, const QString& title, QColor start) override;
    std::optional<bool> askAseImport(QWidget* parent) override;
    bool askRecover(QWidget* parent, const QString& set, const QDateTime& keptAt) override;
    bool askCommsRetry(QWidget* parent) override;
};

// For a window no one is watching (kestrel --grab): nothing is asked. Each question gets the
// answer that changes no file and loses nothing (Discard for unsaved changes, since such a
// window never saves; Cancel elsewhere; a recovery copy is kept), and the problems a dialog
// would show are told, one line each, to `tell` (standard error unless set).
class UnattendedPrompts final : public Prompts {
public:
    std::function<void(const QString&)> tell;

    bool askUseHardware(QWidget*) override { return false; }
    std::optional<QString> openPath(QWidget*, const QString&, const QString&) override { return std::nullopt; }
    std::optional<QString> savePath(QWidget*, const QString&, const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    SaveChoice askSaveChanges(QWidget*, const QString&) override { return SaveChoice::Discard; }
    UnstoredChoice askUnstoredKeyframe(QWidget*, const QString&) override { return UnstoredChoice::Cancel; }
    void showProblems(QWidget* parent, const QString& title, const QString& headline, const QStringList& problems,
                      bool error) override;
    std::optional<QColor> chooseColour(QWidget*, const QString&, QColor) override { return std::nullopt; }
    // The importer's own start: the geometry without the texture information.
    std::optional<bool> askAseImport(QWidget*) override { return false; }
    // Recovering loses nothing: the work stays in a recovery copy until it is saved.
    bool askRecover(QWidget*, const QString&, const QDateTime&) override { return true; }
    bool askCommsRetry(QWidget*) override { return false; }
};

// A filter list of the form "Name (*.EXT)|*.EXT|...||" in the file dialog's notation.
QString fileDialogFilter(const QString& barSeparated);

}  // namespace kestrel::ui
