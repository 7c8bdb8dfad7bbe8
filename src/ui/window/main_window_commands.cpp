// The main window's commands: their actions, menus and tool bars, and when each is enabled.
#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <algorithm>

#include "app/version.h"
#include "tools/double_click_menu.h"
#include "ui/dialogs/grid_align_dialog.h"
#include "ui/dialogs/optimiser_dialog.h"
#include "ui/window/main_window.h"
#include "ui/window/tool_icons.h"

namespace kestrel::ui {

using namespace command;

namespace {

const char* const kPaneNames[4] = {"Top left", "Top right", "Bottom left", "Bottom right"};

}  // namespace

QAction* MainWindow::addCommand(int id, const QString& text, std::function<void()> run, const QKeySequence& keys) {
    if (id == kUnnumbered) id = nextUnnumbered_++;
    auto* action = new QAction(text, this);
    action->setData(id);
    action->setObjectName(QString("command%1").arg(id));
    if (!keys.isEmpty()) action->setShortcut(keys);
    // Any command ends a preview that is playing first.
    connect(action, &QAction::triggered, this, [this, run = std::move(run)] {
        stopPreview();
        run();
    });
    actions_.insert(id, action);
    return action;
}

QAction* MainWindow::addViewCommand(int id, const QString& text, std::function<void(render::EditView&)> change) {
    return addCommand(id, text, [this, change = std::move(change)] {
        if (!active_) return;
        change(active_->view());
        active_->redraw();
        updateActions();
    });
}

QAction* MainWindow::addToggle(int id, const QString& text, int render::EditView::*flag) {
    QAction* action = addViewCommand(id, text, [flag](render::EditView& view) { view.*flag = !(view.*flag); });
    action->setCheckable(true);
    return action;
}

void MainWindow::createActions() {
    app::Document& doc = document_;
    const auto edit = [this](std::function<app::CommandResult()> command) {
        return [this, command = std::move(command)] { runCommand(command()); };
    };
    const auto quick = [this](model::QuickMaterial material) {
        return [this, material] { runCommand(document_.quickMaterial(material)); };
    };

    // File.
    addCommand(kNew, "&New", [this] { newFile(); });
    addCommand(
        kOpen, "&Open...", [this] { openFile(); }, QKeySequence("Ctrl+O"));
    addCommand(
        kSave, "&Save", [this] { save(); }, QKeySequence("Ctrl+S"));
    addCommand(kSaveAs, "Save &As...", [this] { saveAs(false); });
    addCommand(kUnnumbered, "Save Current", [this] { saveCurrent(); });
    addCommand(kUnnumbered, "Save Current As...", [this] { saveAs(true); });
    for (int i = 0; i < kRecentFiles; ++i)
        recentActions_[static_cast<std::size_t>(i)] = addCommand(kRecentFirst + i, "", [this, i] { openRecent(i); });
    addCommand(kExit, "E&xit", [this] { close(); });

    // Edit.
    addCommand(
        kUndo, "Undo", [&doc] { doc.undo(); }, QKeySequence("Ctrl+Z"));
    addCommand(kRedo, "Redo", [&doc] {
        doc.redo();
    })->setShortcuts({QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")});
    addCommand(
        kUnnumbered, "Select All", [&doc] { doc.selectAll(); }, QKeySequence("Ctrl+A"));
    addCommand(
        kUnnumbered, "Select None", [&doc] { doc.selectNone(); }, QKeySequence("Ctrl+N"));
    addCommand(kUnnumbered, "Invert Selection", [&doc] { doc.invertSelection(); });
    addCommand(kUnnumbered, "Auto Deselect", [this, &doc] {
        doc.toggleAutoDeselect();
        updateActions();
    })->setCheckable(true);
    addCommand(kUnnumbered, "Set Marker", [this, &doc] {
        doc.setMarker();
        updateActions();
    });
    addCommand(kUnnumbered, "Restore Marker", [&doc] { doc.restoreMarker(); });
    addCommand(
        kUnnumbered, "Vertex Info", [this] { vertexInfo(); }, QKeySequence("Ctrl+I"));
    addCommand(
        kUnnumbered, "Show Info On Selected", [this] { modelInformation(); }, QKeySequence("Ctrl+Shift+I"));

    // View: the active pane's mode, camera and switches.
    addViewCommand(kTextured, "Textured", [](render::EditView& v) {
        v.mode = render::DisplayMode::Textured;
    })->setCheckable(true);
    addViewCommand(kWireframe, "Wireframe", [](render::EditView& v) {
        v.mode = render::DisplayMode::Wireframe;
    })->setCheckable(true);
    addViewCommand(kTextureUvEdit, "Texture UV Edit", [](render::EditView& v) {
        v.mode = render::DisplayMode::TextureUvEdit;
    })->setCheckable(true);
    addViewCommand(kMovementTimeline, "Movement Timeline", [](render::EditView& v) {
        v.mode = render::DisplayMode::MovementTimeline;
    })->setCheckable(true);
    addViewCommand(kBackfaceRemoval, "Backface Removal", [](render::EditView& v) {
        v.toggleBackfaceRemoval();
    })->setCheckable(true);
    addViewCommand(kSide, "Side", [](render::EditView& v) { v.side(); });
    addViewCommand(kTop, "Top", [](render::EditView& v) { v.top(); });
    addViewCommand(kFront, "Front", [](render::EditView& v) { v.front(); });
    addToggle(kShowVertices, "Show Vertices", &render::EditView::showVertices);
    addToggle(kShowAxes, "Show XYZ Axes", &render::EditView::showAxes);
    addToggle(kShowGrid, "Show Grid", &render::EditView::showGrid);
    addToggle(kShowBones, "Show Bones", &render::EditView::showBones);
    addToggle(kShowModel, "Show Model", &render::EditView::showModel);
    addToggle(kShowFaceNormals, "Show Face Normals", &render::EditView::showFaceNormals);
    addCommand(kScaleToFit, "Scale view to fit", [this] {
        if (active_) active_->scaleToFit(true);  // with a margin, so the outline is not on the edge
    });
    // A status bar line and a tool tip, as "line\ntip".
    const auto tip = [](QAction* a, const QString& both) {
        a->setStatusTip(both.section('\n', 0, 0));
        a->setToolTip(both.section('\n', 1, 1));
    };
    tip(addViewCommand(kRotateYDown, "Rotate Y -",
                       [](render::EditView& v) { v.rotateY(-render::EditView::kRotationStep); }),
        "Rotate view about the Y axis\nY-axis rotate");
    tip(addViewCommand(kRotateYUp, "Rotate Y +",
                       [](render::EditView& v) { v.rotateY(render::EditView::kRotationStep); }),
        "Rotate view about the Y axis\nY-axis rotate");
    tip(addViewCommand(kRotateXDown, "Rotate X -",
                       [](render::EditView& v) { v.rotateX(-render::EditView::kRotationStep); }),
        "Rotate view about the X axis\nX-axis rotate");
    tip(addViewCommand(kRotateXUp, "Rotate X +",
                       [](render::EditView& v) { v.rotateX(render::EditView::kRotationStep); }),
        "Rotate view about the X axis\nX-axis rotate");
    tip(addViewCommand(kScaleUp, "Expand Object", [](render::EditView& v) { v.scaleUp(); }), "Expand Object\nScale up");
    tip(addViewCommand(kScaleDown, "Shrink Object", [](render::EditView& v) { v.scaleDown(); }),
        "Shrink Object\nScale down");
    addCommand(kConfigureLighting, "Configure Lighting", [this] { configureLighting(); });
    addCommand(kBackgroundColour, "Set RenderView Background Colour", [this] { chooseBackground(); });
    addCommand(kOptions, "Options", [this] { showOptions(); });

    // Tools.
    addCommand(kDeleteVertices, "Delete Vertices", edit([&doc] { return doc.deleteVertices(); }));
    addCommand(kDeletePolygons, "Delete", edit([&doc] { return doc.deletePolygons(); }));
    addCommand(kCreatePolygon, "Create", edit([&doc] { return doc.createPolygon(); }));
    addCommand(kInvertNormals, "Invert Normals", edit([&doc] { return doc.invertNormals(); }));
    addCommand(
        kGroupPolygons, "Group Polygons", [this] { groupPolygons(); }, QKeySequence("Ctrl+G"));
    addCommand(kUnnumbered, "Centre Object", [&doc] { doc.centreObject(); });
    addCommand(kUnnumbered, "Optimise", [this] {
        OptimiserDialog dialog(document_, this);
        dialog.exec();
    });
    addCommand(kUnnumbered, "Grid Align", [this] {
        GridAlignDialog dialog(this);
        if (dialog.exec() == QDialog::Accepted) runCommand(document_.gridAlign(dialog.options()));
    });
    addCommand(kUnnumbered, "Make Model RSDTOOL Compatible",
               [this, &doc] { showMessage(QString("%1 polygons changed").arg(doc.makeRsdToolCompatible())); });
    addCommand(kUnnumbered, "Wrap Texture Round Object", [this] { wrapTexture(); });
    addCommand(kUnnumbered, "Polygon Properties", [this] { polygonProperties(); });
    addCommand(kUnnumbered, "Point Lighting", [this] { pointLighting(); });
    addCommand(kVertexLighting, "Use Vertex Normal Lighting", quick(model::QuickMaterial::VertexNormalLighting));
    addCommand(kFaceLighting, "Use Face Normal Lighting", quick(model::QuickMaterial::FaceNormalLighting));
    addCommand(kSetFaceColour, "Set Face Colour", [this] { setFaceColour(); });
    addCommand(kLightAtRunTime, "Light source at run time", quick(model::QuickMaterial::LightSourceAtRunTime));
    addCommand(kNoLightAtRunTime, "Don't light source at run time", quick(model::QuickMaterial::NoRunTimeLighting));
    addCommand(kFaceTextured, "Textured", quick(model::QuickMaterial::Textured));
    addCommand(kFaceColoured, "Coloured", quick(model::QuickMaterial::Coloured));
    addCommand(kTransparent, "Transparent", quick(model::QuickMaterial::Transparent));
    addCommand(kSolid, "Solid", quick(model::QuickMaterial::Solid));

    addCommand(
        kUnnumbered, "Kestrel Manual", [this] { openManual(); }, QKeySequence::HelpContents);
    addCommand(kAbout, "&About Kestrel...", [this] {
        QMessageBox::about(this, "About Kestrel",
                           QString("Kestrel: a model editor and keyframe animator for PlayStation 3-D models.\n\n"
                                   "Version %1")
                               .arg(QString::fromStdString(app::versionText())));
    });

    // Pictures for the tool bars.
    QStyle* style = QApplication::style();
    action(kNew)->setIcon(style->standardIcon(QStyle::SP_FileIcon));
    action(kOpen)->setIcon(style->standardIcon(QStyle::SP_DialogOpenButton));
    action(kSave)->setIcon(style->standardIcon(QStyle::SP_DialogSaveButton));
    action(kAbout)->setIcon(style->standardIcon(QStyle::SP_MessageBoxQuestion));
    for (QAction* a : actions_)
        if (QIcon drawn = toolIcon(a->data().toInt()); !drawn.isNull()) a->setIcon(drawn);
}

void MainWindow::createMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    for (int id : {kNew, kOpen, kSave, kSaveAs}) file->addAction(action(id));
    file->addAction(action("Save Current"));
    file->addAction(action("Save Current As..."));
    file->addSeparator();
    for (QAction* recent : recentActions_) file->addAction(recent);
    file->addSeparator();
    file->addAction(action(kExit));

    QMenu* edit = menuBar()->addMenu("&Edit");
    edit->addAction(action(kUndo));
    edit->addAction(action(kRedo));
    edit->addSeparator();
    for (const char* text : {"Select All", "Select None", "Invert Selection", "Auto Deselect"})
        edit->addAction(action(text));
    edit->addSeparator();
    edit->addAction(action("Set Marker"));
    edit->addAction(action("Restore Marker"));
    edit->addSeparator();
    edit->addAction(action("Vertex Info"));
    edit->addAction(action("Show Info On Selected"));

    QMenu* view = menuBar()->addMenu("&View");
    for (int id : {kTextured, kWireframe, kTextureUvEdit, kMovementTimeline, kBackfaceRemoval})
        view->addAction(action(id));
    view->addSeparator();
    for (int id : {kSide, kTop, kFront}) view->addAction(action(id));
    view->addSeparator();
    for (int id : {kShowVertices, kShowAxes, kShowGrid, kShowBones, kShowModel, kShowFaceNormals})
        view->addAction(action(id));
    view->addSeparator();
    for (int id : {kScaleToFit, kRotateYDown, kRotateYUp, kRotateXDown, kRotateXUp, kScaleUp, kScaleDown})
        view->addAction(action(id));
    view->addSeparator();
    view->addAction(action(kConfigureLighting));
    view->addAction(action(kBackgroundColour));
    view->addSeparator();
    barsMenu_ = view->addMenu("View Toolbars");
    view->addAction(action(kOptions));

    QMenu* tools = menuBar()->addMenu("&Tools");
    tools->addMenu("Vertex")->addAction(action(kDeleteVertices));
    QMenu* polygon = tools->addMenu("Polygon");
    for (int id : {kDeletePolygons, kCreatePolygon, kInvertNormals, kGroupPolygons}) polygon->addAction(action(id));
    polygon->addAction(action("Polygon Properties"));
    tools->addAction(action("Point Lighting"));
    tools->addAction(action("Wrap Texture Round Object"));
    tools->addAction(action("Centre Object"));
    tools->addSeparator();
    for (const char* text : {"Optimise", "Grid Align", "Make Model RSDTOOL Compatible"}) tools->addAction(action(text));
    QMenu* material = menuBar()->addMenu("&Material");
    for (int id : {kVertexLighting, kFaceLighting, kSetFaceColour, kLightAtRunTime, kNoLightAtRunTime})
        material->addAction(action(id));
    QMenu* face = material->addMenu("Face");
    for (int id : {kFaceTextured, kFaceColoured, kTransparent, kSolid}) face->addAction(action(id));

    QMenu* help = menuBar()->addMenu("&Help");
    help->addAction(action("Kestrel Manual"));
    help->addSeparator();
    help->addAction(action(kAbout));
}

void MainWindow::keepHelpLast() {
    for (QAction* a : menuBar()->actions())
        if (a->text() == "&Help") {
            menuBar()->removeAction(a);
            menuBar()->addAction(a);
        }
}

void MainWindow::createToolCommands() {
    for (const tools::ToolCommand& tool : tools::toolCommands()) {
        const QString text = QString::fromUtf8(tool.text);
        QAction* action = addCommand(tool.id, text, [this, bit = tool.tool] {
            if (bit == 0)
                toolWord_.pick();
            else
                toolWord_.choose(bit);
            updateActions();
        });
        action->setCheckable(true);
        action->setToolTip(text);
        action->setIcon(toolIcon(tool.id));
    }
    for (const tools::LockCommand& lock : tools::lockCommands()) {
        const QStringList parts = QString::fromUtf8(lock.text).split('\n');
        QAction* action = addCommand(lock.id, parts.value(1), [this, locks = lock.locks] {
            toolWord_.setLocks(locks);
            updateActions();
        });
        action->setCheckable(true);
        action->setStatusTip(parts.value(0));
        action->setToolTip(parts.value(1));
        action->setIcon(toolIcon(lock.id));
    }
}

void MainWindow::deleteInPane() {
    const app::ProjectItem item = document_.selection().kind;
    if (item == app::ProjectItem::Group || item == app::ProjectItem::Movement || item == app::ProjectItem::Keyframe)
        runCommand(document_.deleteSelected());
    else
        runCommand(document_.deleteVertices());
}

QAction* MainWindow::addMirror(QMenu& menu, int id, const QString& text) {
    QAction* entry = menu.addAction(text);
    QAction* command = id ? action(id) : nullptr;
    entry->setEnabled(command && command->isEnabled());
    if (command) connect(entry, &QAction::triggered, command, &QAction::trigger);
    return entry;
}

void MainWindow::doubleClickMenu(ViewPane* pane, const QPoint& global) {
    setActivePane(pane);
    QMenu menu(this);
    for (const tools::MenuItem& item : tools::doubleClickMenu(document_.model(), pane->view().mode)) {
        QAction* entry = addMirror(menu, item.command, QString::fromStdString(item.text));
        entry->setCheckable(item.checked);
        entry->setChecked(item.checked);
        if (item.separatorAfter) menu.addSeparator();
    }
    menu.exec(global);
}

void MainWindow::createToolBars() {
    struct Bar {
        int id;
        const char* caption;
        std::vector<int> buttons;  // 0: a separator
        QSize iconSize;
    };
    const Bar bars[] = {
        {kStandardBarId, "Standard", {kNew, kOpen, kSave, 0, kAbout}, {16, 15}},
        {kViewBarId,
         "View",
         {kRotateYDown, kRotateYUp, kRotateXDown, kRotateXUp, 0, kScaleUp, kScaleDown, kScaleToFit, 32852, 32854,
          32921},
         {16, 15}},
        {kVertexEditBarId,
         "Vertex Edit",
         {kDeleteVertices, kDeletePolygons, 0, kCreatePolygon, 0, kAttachToBone, kRemoveFromBone, 0, 32801, 32796,
          32799, 32800, 32802, 32803, 32804},
         {16, 15}},
        {kModelEditBarId,
         "Model Edit",
         {32795, 32806, 0, 32790, 32837, 32907, 32909, 32815, 32923, 0, 32814, 0, 32869, 32870, 32901, 0, 32902},
         {32, 32}},
        {kPolygonBarId,
         "Polygon",
         {kGroupPolygons, 0, kInvertNormals, kSetFaceColour, kTransparent, kSolid, 0, kPaintTexture},
         {16, 15}},
    };
    for (const Bar& bar : bars) {
        QToolBar* toolBar = addToolBar(bar.caption);
        toolBar->setObjectName(QString("bar%1").arg(bar.id));
        toolBar->setIconSize(bar.iconSize);
        for (int id : bar.buttons) {
            if (id == 0)
                toolBar->addSeparator();
            else
                toolBar->addAction(action(id));
        }
        toolBars_.insert(bar.id, toolBar);
    }
}

std::vector<std::pair<int, QWidget*>> MainWindow::barEntries() const {
    return {{kViewStandardBar, toolBar(kStandardBarId)},
            {kViewModelEditBar, toolBar(kModelEditBarId)},
            {kViewViewBar, toolBar(kViewBarId)},
            {kViewPolygonBar, toolBar(kPolygonBarId)},
            {kViewVertexBar, toolBar(kVertexEditBarId)},
            {kViewInfoBar, infoBar_},
            {kViewProjectBar, projectBar_},
            {kViewProjectToolsBar, projectToolsBar_},
            {kViewStatusBar, statusBar()},
            {kViewConsoleBar, consoleBar_}};
}

void MainWindow::createBarsMenu() {
    const char* const texts[] = {"Standard &Toolbar", "Model &Edit",          "&View",        "&Polygon",
                                 "Verte&x",           "Model &Info",          "Project View", "Project Tools",
                                 "&Status Bar",       "Action Replay Control"};
    const auto entries = barEntries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        QWidget* bar = entries[i].second;
        // Each entry shows its bar when hidden and hides it when shown.
        QAction* entry = addCommand(entries[i].first, texts[i], [this, bar] {
            bar->setVisible(bar->isHidden());
            updateActions();
        });
        entry->setCheckable(true);
        barsMenu_->addAction(entry);
    }
    barsMenu_->addAction(action(kObjectCreator));
    for (QToolBar* bar : toolBars_) connect(bar, &QToolBar::visibilityChanged, this, [this] { updateActions(); });
    for (QDockWidget* bar : {infoBar_, projectBar_, projectToolsBar_, consoleBar_})
        connect(bar, &QDockWidget::visibilityChanged, this, [this] { updateActions(); });
}

void MainWindow::updateActions() {
    const app::Document& doc = document_;
    const auto enable = [this](int id, bool on) { action(id)->setEnabled(on); };
    enable(kDeleteVertices, doc.isEnabled(app::EditCommand::DeleteVertices));
    enable(kDeletePolygons, doc.isEnabled(app::EditCommand::DeletePolygons));
    enable(kCreatePolygon, doc.isEnabled(app::EditCommand::CreatePolygon));
    enable(kInvertNormals, doc.isEnabled(app::EditCommand::InvertNormals));
    enable(kGroupPolygons, doc.isEnabled(app::EditCommand::GroupPolygons));
    action("Restore Marker")->setEnabled(doc.hasMarker());
    updateProjectActions();
    updateConsoleActions();
    // The joint tools need a skeleton; every other tool works on any model.
    for (const tools::ToolCommand& tool : tools::toolCommands()) {
        const bool joints =
            tool.tool & (tools::bit::kMoveJoint | tools::bit::kRotateJoint | tools::bit::kLockedMoveJoint);
        enable(tool.id, !joints || doc.model().hasSkeleton());
        action(tool.id)->setChecked(tool.tool == 0 ? toolWord_.picking() : toolWord_.has(tool.tool));
    }
    for (const tools::LockCommand& lock : tools::lockCommands())
        action(lock.id)->setChecked(toolWord_.locks() == lock.locks);
    const auto named = [](const char* verb, const std::string& step) {
        return step.empty() ? QString(verb) : QString("%1 %2").arg(verb, QString::fromStdString(step));
    };
    enable(kUndo, doc.canUndo());
    action(kUndo)->setText(named("Undo", doc.undoName()));
    enable(kRedo, doc.canRedo());
    action(kRedo)->setText(named("Redo", doc.redoName()));
    action("Point Lighting")->setEnabled(doc.isEnabled(app::EditCommand::PointLighting));
    action("Auto Deselect")->setChecked(doc.autoDeselect());

    if (active_) {
        const render::EditView& v = active_->view();
        action(kTextured)->setChecked(v.mode == render::DisplayMode::Textured);
        action(kWireframe)->setChecked(v.mode == render::DisplayMode::Wireframe);
        action(kTextureUvEdit)->setChecked(v.mode == render::DisplayMode::TextureUvEdit);
        action(kMovementTimeline)->setChecked(v.mode == render::DisplayMode::MovementTimeline);
        action(kShowFaceNormals)->setChecked(v.showFaceNormals);
        enable(kBackfaceRemoval, v.backfaceRemovalEnabled());
        action(kBackfaceRemoval)->setChecked(v.backfaceRemoval != 0);
        action(kShowVertices)->setChecked(v.showVertices);
        action(kShowAxes)->setChecked(v.showAxes);
        action(kShowGrid)->setChecked(v.showGrid);
        action(kShowBones)->setChecked(v.showBones);
        action(kShowModel)->setChecked(v.showModel);
        const int index = static_cast<int>(std::find(panes_.begin(), panes_.end(), active_) - panes_.begin());
        static const char* const kModeNames[] = {"Wireframe", "Textured", "Texture UV Edit", "Movement Timeline"};
        if (paneLabel_ && index < 4)
            paneLabel_->setText(QString("%1: %2").arg(kPaneNames[index], kModeNames[static_cast<int>(v.mode)]));
    }
    for (const auto& [id, bar] : barEntries())
        if (QAction* entry = action(id); entry && bar) entry->setChecked(!bar->isHidden());
    if (portLabel_)
        portLabel_->setText(document_.settings().emulatedConsole
                                ? QString("Emulated console")
                                : QString("Port 0x%1").arg(document_.settings().portBase, 0, 16));
}

}  // namespace kestrel::ui
