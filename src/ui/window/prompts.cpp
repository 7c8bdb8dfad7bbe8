#include "ui/window/prompts.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>

#include "link/previewer.h"
#include "ui/dialogs/ase_import_dialog.h"

namespace kestrel::ui {

bool DialogPrompts::askUseHardware(QWidget* parent) {
    QMessageBox box(QMessageBox::Question, "Kestrel", "Shall I use OpenGL Hardware Accelleration if it is available?",
                    QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton("YES", QMessageBox::YesRole);
    box.addButton("NO", QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.exec();
    return box.clickedButton() == yes;
}

std::optional<QString> DialogPrompts::openPath(QWidget* parent, const QString& title, const QString& filter) {
    // Qt's own dialog matches "*.RSD" against robot.rsd too; some desktops' dialogs do not.
    const QString path =
        QFileDialog::getOpenFileName(parent, title, QString(), filter, nullptr, QFileDialog::DontUseNativeDialog);
    if (path.isEmpty()) return std::nullopt;
    return path;
}

std::optional<QString> DialogPrompts::savePath(QWidget* parent, const QString& title, const QString& filter,
                                               const QString& defaultSuffix, const QString& startAt) {
    QFileDialog dialog(parent, title, startAt, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
}

SaveChoice DialogPrompts::askSaveChanges(QWidget* parent, const QString& file) {
    const QString name = file.isEmpty() ? QString("the model") : file;
    const auto answer =
        QMessageBox::question(parent, "Kestrel", QString("Save the changes to %1?").arg(name),
                              QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Save) return SaveChoice::Save;
    if (answer == QMessageBox::Discard) return SaveChoice::Discard;
    return SaveChoice::Cancel;
}

UnstoredChoice DialogPrompts::askUnstoredKeyframe(QWidget* parent, const QString& keyframe) {
    QMessageBox box(QMessageBox::Question, "Kestrel",
                    QString("The edit frame has changes that keyframe %1 does not have.").arg(keyframe),
                    QMessageBox::Cancel, parent);
    box.setInformativeText("Store them in the keyframe before saving, or save the keyframes as they are?");
    QPushButton* replace = box.addButton("Replace Keyframe", QMessageBox::AcceptRole);
    QPushButton* without = box.addButton("Save Without", QMessageBox::DestructiveRole);
    box.setDefaultButton(replace);
    box.exec();
    if (box.clickedButton() == replace) return UnstoredChoice::ReplaceKeyframe;
    if (box.clickedButton() == without) return UnstoredChoice::SaveWithout;
    return UnstoredChoice::Cancel;
}

bool DialogPrompts::askCommsRetry(QWidget* parent) {
    QMessageBox box(QMessageBox::Warning, link::kCommsErrorTitle, link::kCommsErrorText,
                    QMessageBox::Retry | QMessageBox::Cancel, parent);
    box.setInformativeText(link::kCommsErrorAdvice);
    box.setDefaultButton(QMessageBox::Retry);
    return box.exec() == QMessageBox::Retry;
}

bool DialogPrompts::askRecover(QWidget* parent, const QString& set, const QDateTime& keptAt) {
    QMessageBox box(QMessageBox::Question, "Kestrel",
                    QString("Kestrel was not closed properly last time, and kept a copy of unsaved changes to %1.")
                        .arg(set.isEmpty() ? QString("a model that was never saved") : set),
                    QMessageBox::NoButton, parent);
    box.setInformativeText(QString("The copy was kept at %1. Recover it? Nothing is written to your files until "
                                   "you save.")
                               .arg(QLocale().toString(keptAt, QLocale::LongFormat)));
    QPushButton* recover = box.addButton("Recover", QMessageBox::AcceptRole);
    box.addButton("Discard", QMessageBox::DestructiveRole);
    box.setDefaultButton(recover);
    box.exec();
    return box.clickedButton() == recover;
}

void DialogPrompts::showProblems(QWidget* parent, const QString& title, const QString& headline,
                                 const QStringList& problems, bool error) {
    QMessageBox box(error ? QMessageBox::Warning : QMessageBox::Information, title, headline, QMessageBox::Ok, parent);
    // Long lists go in the details, where they scroll.
    if (problems.size() <= 8)
        box.setInformativeText(problems.join('\n'));
    else
        box.setDetailedText(problems.join('\n'));
    box.exec();
}

std::optional<QColor> DialogPrompts::chooseColour(QWidget* parent, const QString& title, QColor start) {
    const QColor colour = QColorDialog::getColor(start, parent, title);
    if (!colour.isValid()) return std::nullopt;
    return colour;
}

std::optional<bool> DialogPrompts::askAseImport(QWidget* parent) {
    AseImportDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.importTextures();
}

void UnattendedPrompts::showProblems(QWidget*, const QString& title, const QString& headline,
                                     const QStringList& problems, bool) {
    QStringList lines{title + ": " + headline};
    for (const QString& problem : problems) lines << "  " + problem;
    for (const QString& line : lines) {
        if (tell)
            tell(line);
        else
            std::fprintf(stderr, "kestrel: %s\n", qPrintable(line));
    }
}

QString fileDialogFilter(const QString& barSeparated) {
    const QStringList parts = barSeparated.split('|', Qt::SkipEmptyParts);
    QStringList entries;
    // Names and patterns alternate; the dialog takes the patterns from the name's brackets.
    for (int i = 0; i + 1 < parts.size(); i += 2) entries << parts[i];
    return entries.join(";;");
}

}  // namespace kestrel::ui
