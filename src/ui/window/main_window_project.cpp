// The main window's project side: the "Project" bar with its tree, the "Project Tools" bar,
// and the commands on groups, bones, textures, movements, keyframes and MIMe output they and
// the menus reach.
#include <QDockWidget>
#include <QFontDatabase>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "animation/skeleton_ops.h"
#include "model/model_editing.h"
#include "ui/dialogs/keyframe_dialogs.h"
#include "ui/dialogs/object_creator.h"
#include "ui/dialogs/rename_dialog.h"
#include "ui/window/main_window.h"
#include "ui/window/project_tree.h"
#include "ui/window/tool_icons.h"

namespace kestrel::ui {

using namespace command;
using app::ProjectItem;

namespace {}  // namespace

void MainWindow::createProjectCommands() {
    app::Document& doc = document_;
    const auto edit = [this](std::function<app::CommandResult()> command) {
        return [this, command = std::move(command)] { runCommand(command()); };
    };
    const auto rename = [this](const QString& title) {
        return [this, title] {
            const std::string current = document_.selection().name;
            RenameDialog dialog(title, QString::fromStdString(current), this);
            if (dialog.exec() == QDialog::Accepted) runCommand(document_.renameSelected(dialog.name()));
        };
    };
    addCommand(kRenameItem, "Rename", rename("Rename"));
    QAction* del =
        addCommand(kDeleteItem, "Delete", edit([&doc] { return doc.deleteSelected(); }), QKeySequence::Delete);
    // DEL deletes the project item only where the tree has the focus; in a pane it deletes
    // the selected vertices.
    del->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addCommand(kUnnumbered, "Ungroup", edit([&doc] { return doc.ungroup(); }), QKeySequence("Ctrl+U"));
    addCommand(kUnnumbered, "Reorder Vertices", edit([&doc] { return doc.reorderVertices(); }));
    addCommand(kPaintTexture, "Paint Current Texture To Selected", edit([&doc] { return doc.paintTexture(); }))
        ->setIcon(toolIcon(kPaintTexture));
    addCommand(kRemoveTexture, "Remove Texture From Model", edit([&doc] { return doc.removeTexture(); }));
    addCommand(kAttachToBone, "Attatch to Bone", edit([&doc] { return doc.attachToBone(); }))
        ->setIcon(toolIcon(kAttachToBone));
    addCommand(kRemoveFromBone, "Remove Selected", edit([&doc] { return doc.removeSelectedFromBone(); }))
        ->setIcon(toolIcon(kRemoveFromBone));
    addCommand(kUnnumbered, "Delete Bone", edit([&doc] { return doc.deleteBone(); }));
    addCommand(kAddGroupToBone, "Add Group To Bone", edit([&doc] { return doc.addGroupToBone(); }));
    addCommand(kNewMovement, "New Movement", [this] {
        RenameDialog dialog("Create New Movement", "new_movement", this, "Name:");
        if (dialog.exec() == QDialog::Accepted) runCommand(document_.newMovement(dialog.name()));
    });
    addCommand(kAddKeyframe, "Add Keyframe", [this] {
        runCommand(
            document_.addKeyframe([this](const app::KeyframeEntry& proposed) -> std::optional<app::KeyframeEntry> {
                CreateKeyframeDialog dialog(proposed, this);
                if (dialog.exec() != QDialog::Accepted) return std::nullopt;
                return dialog.entry();
            }));
    });
    addCommand(kReplaceKeyframe, "Replace Keyframe", edit([&doc] { return doc.replaceKeyframe(); }));
    addCommand(kDeleteKeyframe, "Delete Keyframe", edit([&doc] { return doc.deleteKeyframe(); }));
    addCommand(kUnnumbered, "Delete Movement", edit([&doc] { return doc.deleteMovement(); }));
    addCommand(kKeyframeInfo, "Keyframe Info", [this] {
        const auto info = keyframeInfoOf(document_);
        if (!info) return;
        KeyframeInfoDialog dialog(*info, this);
        if (dialog.exec() == QDialog::Accepted)
            runCommand(document_.setKeyframeInfo(dialog.name(), info->baseFrame ? 0 : dialog.framesFromLast()));
    });
    previewTimer_ = new QTimer(this);
    previewTimer_->setSingleShot(true);
    connect(previewTimer_, &QTimer::timeout, this, [this] {
        if (!preview_ || !preview_->next()) return stopPreview();
        // Every frame is drawn before the next is moved to; the wait after it is what is left
        // of the frame's interval.
        const auto start = std::chrono::steady_clock::now();
        for (ViewPane* pane : panes_)
            if (pane) {
                pane->scene().shownModel = &preview_->pose();
                pane->surface().redrawNow();
            }
        if (preview_) previewTimer_->start(animation::previewDelay(std::chrono::steady_clock::now() - start));
    });
    addCommand(kPlayAnimation, "Play Preview", [this] { playPreview(); });
    // The object creator is made once and kept, hidden or shown, with its settings.
    objectCreator_ = new ObjectCreator(
        [this](const model::PrimitiveParams& params) {
            const app::CommandResult made = document_.addPrimitive(params);
            runCommand(made);
            return made;
        },
        this);
    connect(objectCreator_, &QDialog::finished, this, [this] { updateActions(); });
    QAction* creator = addCommand(kObjectCreator, "Object Creator", [this] {
        objectCreator_->setVisible(objectCreator_->isHidden());
        updateActions();
    });
    creator->setCheckable(true);
    addCommand(kGenerateMime, "Generate MIMe Info", [this] { reportMime(document_.generateMime()); });
    addCommand(kSaveBinaryMime, "Save Binary MIMe File", [this] {
        const auto path = prompts_.savePath(this, "Save Binary MIMe File",
                                            fileDialogFilter("Binary MIMe File (*.MIM)|*.MIM|All Files (*.*)|*.*||"),
                                            "MIM", QString::fromStdString(document_.path()));
        if (path) reportMime(document_.saveBinaryMime(path->toStdString()));
    });
}

void MainWindow::playPreview() {
    stopPreview();
    const animation::Movement* movement = document_.selectedMovement();
    if (!movement) return;
    preview_ = std::make_unique<animation::PreviewPlayer>(document_.movementBase(), *movement);
    // The first frame at once; the timer's wait between frames lets the window answer.
    previewTimer_->start(0);
}

void MainWindow::stopPreview() {
    if (!preview_) return;
    previewTimer_->stop();
    preview_.reset();
    for (ViewPane* pane : panes_)
        if (pane) {
            pane->scene().shownModel = nullptr;
            pane->redraw();
        }
}

void MainWindow::reportMime(const std::expected<app::MimeExport, std::string>& exported) {
    if (!exported) return showMessage(QString::fromStdString(exported.error()));
    showMessage("Wrote " + QString::fromStdString(exported->written));
    if (!exported->warnings.empty()) {
        QStringList lines;
        for (const std::string& w : exported->warnings) lines << QString::fromStdString(w);
        prompts_.showProblems(this, "MIMe", "The MIMe file was written; some names had to change:", lines, false);
    }
}

void MainWindow::createProjectMenus() {
    QMenu* edit = nullptr;
    for (QAction* a : menuBar()->actions())
        if (a->text() == "&Edit") edit = a->menu();
    if (edit) {
        edit->addSeparator();
        edit->addAction(action(kRenameItem));
        edit->addAction(action(kDeleteItem));
        edit->addAction(action("Ungroup"));
    }
    QMenu* animation = menuBar()->addMenu("&Animation");
    for (int id : {kNewMovement, kAddKeyframe, kReplaceKeyframe, kKeyframeInfo, kDeleteKeyframe})
        animation->addAction(action(id));
    animation->addAction(action("Delete Movement"));
    animation->addSeparator();
    animation->addAction(action("Reorder Vertices"));
    animation->addSeparator();
    for (int id : {kGenerateMime, kSaveBinaryMime}) animation->addAction(action(id));
    animation->addSeparator();
    animation->addAction(action(kPlayAnimation));
    QMenu* bone = menuBar()->addMenu("&Bone");
    bone->addAction(action(kAttachToBone));
    bone->addAction(action(kRemoveFromBone));
    bone->addAction(action("Delete Bone"));
    bone->addAction(action(kAddGroupToBone));
    QMenu* texture = menuBar()->addMenu("Te&xture");
    for (int id : {kPaintTexture, kRemoveTexture}) texture->addAction(action(id));
    keepHelpLast();
}

void MainWindow::createProjectBars() {
    projectBar_ = new QDockWidget("Project", this);
    projectBar_->setObjectName(QString("bar%1").arg(kProjectBarId));
    auto* tabs = new QTabWidget(projectBar_);
    tabs->setObjectName("projectTabs");
    tabs->setIconSize(QSize(32, 32));
    projectTree_ = new ProjectTree(document_, tabs);
    // The script text and the twelve function buttons; the script host runs the one and
    // names the others.
    auto* script = new QPlainTextEdit(tabs);
    script->setObjectName("scriptText");
    script->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    script->setLineWrapMode(QPlainTextEdit::NoWrap);
    script->setPlaceholderText("A K-Script program: Script > Run (F5) runs it, Edit > Undo takes back what it did.");
    auto* functions = new QWidget(tabs);
    auto* column = new QVBoxLayout(functions);
    for (int i = 0; i < 12; ++i) {
        auto* button = new QPushButton("----", functions);
        button->setObjectName(QString("function%1").arg(i + 1));
        button->setMinimumHeight(40);
        button->setEnabled(false);
        column->addWidget(button);
    }
    column->addStretch();
    QStyle* style = this->style();
    tabs->addTab(projectTree_, style->standardIcon(QStyle::SP_DirOpenIcon), "");
    tabs->addTab(script, style->standardIcon(QStyle::SP_FileDialogDetailedView), "");
    tabs->addTab(functions, style->standardIcon(QStyle::SP_CommandLink), "");
    tabs->setTabToolTip(0, "Project");
    tabs->setTabToolTip(1, "Script");
    tabs->setTabToolTip(2, "Functions");
    projectBar_->setWidget(tabs);
    addDockWidget(Qt::LeftDockWidgetArea, projectBar_);
    projectTree_->addAction(action(kDeleteItem));
    connect(projectTree_, &ProjectTree::contextMenuAsked, this, &MainWindow::projectMenu);
    connect(projectTree_, &ProjectTree::deletePressed, this, [this] { runCommand(document_.deleteSelected()); });
    connect(projectTree_, &ProjectTree::keyframeDropped, this, [this](const QString& dragged, const QString& target) {
        runCommand(document_.moveKeyframe(dragged.toStdString(), target.toStdString()));
    });

    projectToolsBar_ = new QDockWidget("Project Tools", this);
    projectToolsBar_->setObjectName(QString("bar%1").arg(kProjectToolsBarId));
    auto* buttons = new QWidget(projectToolsBar_);
    auto* row = new QHBoxLayout(buttons);
    const std::pair<int, const char*> tools[] = {
        {kNewMovement, "New Movement"},         {kAddKeyframe, "Add Keyframe"},
        {kReplaceKeyframe, "Replace Keyframe"}, {kGenerateMime, "Generate MIMe"},
        {kKeyframeInfo, "KeyFrame Properties"}, {kAddGroupToBone, "Attatch2Bone"},
        {kDeleteKeyframe, "Delete Keyframe"}};
    const int ids[] = {1018, 1020, 1091, 1031, 1036, 1049, 1075};
    for (std::size_t i = 0; i < std::size(tools); ++i) {
        auto* button = new QPushButton(tools[i].second, buttons);
        button->setObjectName(QString("projectTool%1").arg(ids[i]));
        QAction* command = action(tools[i].first);
        connect(button, &QPushButton::clicked, command, &QAction::trigger);
        connect(command, &QAction::changed, button, [button, command] { button->setEnabled(command->isEnabled()); });
        button->setEnabled(command->isEnabled());
        row->addWidget(button);
    }
    row->addStretch();
    projectToolsBar_->setWidget(buttons);
    addDockWidget(Qt::BottomDockWidgetArea, projectToolsBar_);
}

void MainWindow::projectMenu(const QPoint& global) {
    QMenu menu(this);
    const auto add = [&](int id, const QString& text) { addMirror(menu, id, text); };
    const model::Model& m = document_.model();
    switch (document_.selection().kind) {
        case ProjectItem::Group:
            add(kDeleteItem, "Delete Group");
            add(kRenameItem, "Rename Group");
            if (m.hasSkeleton() && animation::firstSelectedBone(m.skeleton) >= 0) {
                menu.addSeparator();
                add(kAddGroupToBone, "Attatch To Bone");
            }
            break;
        case ProjectItem::Movement:
            add(kPlayAnimation, "Play Animation");
            add(kAddKeyframe, "Add Keyframe");
            add(kRenameItem, "Rename Movement");
            add(kGenerateMime, "Export MIMe as 'C'");
            add(kSaveBinaryMime, "Export Binary MIMe");
            menu.addSeparator();
            add(kDeleteItem, "Delete Movement");
            break;
        case ProjectItem::Keyframe:
            add(kKeyframeInfo, "Edit Keyframe Info");
            add(kReplaceKeyframe, "Replace Keyframe");
            add(kRenameItem, "Rename Keyframe");
            menu.addSeparator();
            add(kDeleteItem, "Delete Keyframe");
            break;
        case ProjectItem::Texture:
            add(kRemoveTexture, "Delete Texture");
            break;
        default:
            return;
    }
    menu.exec(global);
}

void MainWindow::updateProjectActions() {
    const app::Document& doc = document_;
    const auto enable = [this](int id, bool on) {
        if (QAction* a = action(id)) a->setEnabled(on);
    };
    const ProjectItem kind = doc.selection().kind;
    const model::Model& m = doc.model();
    const bool bone = m.hasSkeleton() && animation::firstSelectedBone(m.skeleton) >= 0;
    const bool vertex = model::countSelectedVertices(m) > 0;
    const bool named = kind == ProjectItem::Group || kind == ProjectItem::Movement || kind == ProjectItem::Keyframe;
    enable(kRenameItem, named);
    enable(kDeleteItem, named);
    action("Ungroup")->setEnabled(kind == ProjectItem::Group);
    action("Reorder Vertices")->setEnabled(kind == ProjectItem::Movement);
    enable(kPaintTexture, kind == ProjectItem::Texture);
    enable(kRemoveTexture, kind == ProjectItem::Texture);
    enable(kAttachToBone, vertex && bone);
    enable(kRemoveFromBone, vertex && bone);
    action("Delete Bone")->setEnabled(bone);
    enable(kAddGroupToBone, bone && kind == ProjectItem::Group);
    enable(kAddKeyframe, kind == ProjectItem::Movement || kind == ProjectItem::Root);
    enable(kReplaceKeyframe, kind == ProjectItem::Keyframe);
    enable(kKeyframeInfo, kind == ProjectItem::Keyframe);
    enable(kDeleteKeyframe, kind == ProjectItem::Keyframe || kind == ProjectItem::Root);
    action("Delete Movement")->setEnabled(kind == ProjectItem::Movement);
    enable(kGenerateMime, kind == ProjectItem::Movement);
    enable(kSaveBinaryMime, kind == ProjectItem::Movement);
    enable(kPlayAnimation, kind == ProjectItem::Movement);
    action(kObjectCreator)->setChecked(objectCreator_ && objectCreator_->isVisible());
}

}  // namespace kestrel::ui
