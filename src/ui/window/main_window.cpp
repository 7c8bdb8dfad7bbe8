#include "ui/window/main_window.h"
#include "ui/window/project_tree.h"

#include <QAction>
#include <QCloseEvent>
#include <QDockWidget>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <algorithm>

#include "app/settings.h"

namespace kestrel::ui {

namespace {
// The bars' numbers, which also name them in the saved bar layout.
}  // namespace

MainWindow::MainWindow(app::Document& document, UiStore& store, Prompts& prompts, WindowOptions options)
    : document_(document), store_(store), prompts_(prompts), options_(std::move(options)) {
    restorePlacement();
    createActions();
    createToolCommands();
    createProjectCommands();
    createMenus();
    createProjectMenus();
    createToolBars();
    createInfoBar();
    createProjectBars();
    createScriptCommands();
    createConsoleCommands();
    createStatusBar();
    createBarsMenu();
    readConfiguration();
    createPanes();
    setDockOptions(dockOptions() | QMainWindow::AllowNestedDocks);
    setAcceptDrops(true);
    restoreState(store_.barLayout());
    subscription_ = document_.subscribe([this](const app::ChangeNotice& notice) { refresh(notice); });
    updateRecentFiles();
    refresh({app::kModelChanged | app::kTexturesChanged | app::kTitleChanged, ""});
    startAutosave();
}

MainWindow::~MainWindow() {
    document_.unsubscribe(subscription_);
    // The bars hide as the window goes; nothing of this window is left to update.
    for (QToolBar* bar : toolBars_) bar->disconnect(this);
    for (QDockWidget* bar : {infoBar_, projectBar_, projectToolsBar_, consoleBar_}) bar->disconnect(this);
    if (projectTree_) projectTree_->disconnect(this);
    if (options_.configPath.empty()) return;
    app::Settings settings = document_.settings();
    for (std::size_t i = 0; i < panes_.size(); ++i) {
        const auto& masks = panes_[i]->view().lightMasks;
        settings.lightMasks[i] = {masks[0], masks[1], masks[2]};
    }
    if (auto saved = app::saveSettings(document_.files(), options_.configPath, settings); !saved)
        qWarning("Kestrel: %s", saved.error().describe().c_str());
}

void MainWindow::createPanes() {
    // A fixed two-by-two split: the rows share the height, each row's panes its width.
    auto* rows = new QSplitter(Qt::Vertical, this);
    render::EditViewMaker maker;
    for (int row = 0; row < 2; ++row) {
        auto* columns = new QSplitter(Qt::Horizontal, rows);
        for (int column = 0; column < 2; ++column) {
            const std::size_t i = static_cast<std::size_t>(row * 2 + column);
            render::EditView view = maker.make();
            const auto& masks = document_.settings().lightMasks[i];
            view.lightMasks = {masks[0], masks[1], masks[2]};
            // The textured pane looks from the front; the wireframe ones from the side, the top
            // and the front, as a modeller works with three elevations.
            if (i == 1) view.side();
            if (i == 2) view.top();
            auto* pane = new ViewPane(document_, toolWord_, view, options_.openGl, columns);
            pane->setObjectName(QString("pane%1").arg(i));
            pane->resize(640, 480);
            pane->scene().maxViewport = {document_.settings().maxViewportWidth, document_.settings().maxViewportHeight};
            connect(pane, &ViewPane::activated, this, &MainWindow::setActivePane);
            connect(pane, &ViewPane::deviceChanged, this, &MainWindow::deviceChanged);
            connect(pane, &ViewPane::toolInfo, this, [this](const QString& text) { infoText_->setText(text); });
            connect(pane, &ViewPane::deletePressed, this, &MainWindow::deleteInPane);
            connect(pane, &ViewPane::doubleClicked, this, &MainWindow::doubleClickMenu);
            connect(pane, &ViewPane::escapePressed, this, &MainWindow::stopPreview);
            pane->scene().painted = [this, pane] { trackAfterPaint(pane); };
            panes_[i] = pane;
        }
        columns->setChildrenCollapsible(false);
    }
    rows->setChildrenCollapsible(false);
    setCentralWidget(rows);
    setActivePane(panes_[0]);
}

void MainWindow::deviceChanged(ViewPane* pane, const QString& why) {
    const std::string name = pane->surface().deviceName();
    if (name == options_.deviceName) return;
    options_.deviceName = name;
    deviceLabel_->setText(QString::fromStdString(name));
    updateTitle();
    showMessage("OpenGL could not draw here (" + why + "); drawing in software.");
}

void MainWindow::setActivePane(ViewPane* pane) {
    if (pane == active_) return;
    for (ViewPane* p : panes_)
        if (p) p->setActive(p == pane);
    active_ = pane;
    updateActions();
}

void MainWindow::createInfoBar() {
    infoBar_ = new QDockWidget("Info", this);
    infoBar_->setObjectName(QString("bar%1").arg(command::kInfoBarId));
    auto* body = new QWidget(infoBar_);
    auto* layout = new QHBoxLayout(body);
    layout->setContentsMargins(4, 2, 4, 2);
    infoText_ = new QLineEdit(body);
    infoText_->setObjectName("infoText");
    infoText_->setReadOnly(true);
    // Read-only fields take no focus, so the window's shortcuts reach the model from anywhere.
    infoText_->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(infoText_, 1);
    const char* const labels[3] = {"#polygons:", "#vertices:", "#normals:"};
    for (std::size_t i = 0; i < counts_.size(); ++i) {
        layout->addWidget(new QLabel(labels[i], body));
        counts_[i] = new QLineEdit(body);
        counts_[i]->setReadOnly(true);
        counts_[i]->setFocusPolicy(Qt::NoFocus);
        counts_[i]->setMaximumWidth(70);
        counts_[i]->setObjectName(QString(labels[i]).remove('#').remove(':'));
        layout->addWidget(counts_[i]);
    }
    infoBar_->setWidget(body);
    addDockWidget(Qt::TopDockWidgetArea, infoBar_);
}

std::array<int, 3> MainWindow::shownCounts() const {
    return {counts_[0]->text().toInt(), counts_[1]->text().toInt(), counts_[2]->text().toInt()};
}

void MainWindow::createStatusBar() {
    statusBar()->setObjectName(QString("bar%1").arg(command::kStatusBarId));
    paneLabel_ = new QLabel(this);
    deviceLabel_ = new QLabel(QString::fromStdString(options_.deviceName), this);
    portLabel_ = new QLabel(this);
    statusBar()->addPermanentWidget(paneLabel_);
    statusBar()->addPermanentWidget(deviceLabel_);
    statusBar()->addPermanentWidget(portLabel_);
    statusBar()->showMessage("Ready");
}

void MainWindow::readConfiguration() {
    app::Settings loaded =
        options_.configPath.empty() ? document_.settings() : app::loadSettings(document_.files(), options_.configPath);
    loaded.previewerFile = store_.previewerFile();
    loaded.autosaveMinutes = store_.autosaveMinutes();
    loaded.scriptMemoryMegabytes = store_.scriptMemoryMegabytes();
    loaded.emulatedConsole = store_.emulatedConsole();
    document_.setSettings(loaded);
}

void MainWindow::restorePlacement() {
    resize(1280, 960);
    const auto placement = store_.placement();
    if (!placement) return;
    const int width = placement->right - placement->left, height = placement->bottom - placement->top;
    const QRect normal(placement->left, placement->top, width, height);
    // A place on a screen that is no longer there would put the window out of sight: keep
    // its size only.
    const auto screens = QGuiApplication::screens();
    const bool onScreen = std::any_of(screens.begin(), screens.end(),
                                      [&](const QScreen* s) { return s->availableGeometry().intersects(normal); });
    if (width > 0 && height > 0) {
        if (onScreen)
            setGeometry(normal);
        else
            resize(width, height);
    }
    if (placement->flags & kRestoreMaximised || placement->showCommand == kShowMaximised)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void MainWindow::savePlacement() {
    const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    WindowPlacement placement;
    placement.flags = isMaximized() ? kRestoreMaximised : 0;
    placement.showCommand = isMaximized() ? kShowMaximised : isMinimized() ? 2 : 1;
    placement.left = normal.left();
    placement.top = normal.top();
    placement.right = normal.left() + normal.width();
    placement.bottom = normal.top() + normal.height();
    store_.setPlacement(placement);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!maybeKeepChanges()) {
        event->ignore();
        return;
    }
    dropRecoveryCopy();  // a clean end: nothing is left to recover
    store_.setBarLayout(saveState());
    savePlacement();
    store_.sync();
    event->accept();
}

void MainWindow::refresh(const app::ChangeNotice& notice) {
    const unsigned changes = notice.what;
    stopPreview();  // whatever changed the document, the preview shows it no longer
    // A new document keeps nothing of the one before, not even the last message.
    if (changes & app::kDocumentReplaced) infoText_->clear();
    if (changes & app::kTexturesChanged)
        for (ViewPane* pane : panes_)
            if (pane) pane->surface().reloadTextures();
    const model::Model& model = document_.model();
    counts_[0]->setText(QString::number(model.polygonCount()));
    counts_[1]->setText(QString::number(model.vertexCount()));
    counts_[2]->setText(QString::number(model.normalCount()));
    // The UV edit mode shows the texture the project window has selected.
    const app::ProjectSelection& item = document_.selection();
    const int texture = item.kind == app::ProjectItem::Texture ? item.index : -1;
    for (ViewPane* pane : panes_)
        if (pane && pane->scene().selectedTexture != texture) {
            pane->scene().selectedTexture = texture;
            pane->redraw();
        }
    // The motion-speed graph shows the selected movement.
    const auto graphs = [](ViewPane* pane) { return pane->view().mode == render::DisplayMode::MovementTimeline; };
    for (ViewPane* pane : panes_)
        if (pane && ((changes & (app::kModelChanged | app::kTexturesChanged | app::kAnimationChanged)) ||
                     ((changes & app::kSelectionChanged) && graphs(pane))))
            pane->redraw();
    if (projectTree_) projectTree_->refresh();
    if (changes & (app::kTitleChanged | app::kHistoryChanged | app::kSaved)) updateTitle();
    if (changes & app::kSettingsChanged) startAutosave();
    if (!document_.modified()) dropRecoveryCopy();
    if (notice.command.starts_with("Undo ") || notice.command.starts_with("Redo "))
        showMessage(QString::fromStdString(notice.command));
    updateActions();
}

void MainWindow::showMessage(const QString& text) {
    infoText_->setText(text);
    statusBar()->showMessage(text, 8000);
}

void MainWindow::runCommand(const app::CommandResult& result) {
    if (!result) showMessage(QString::fromStdString(result.error()));
}

QToolBar* MainWindow::toolBar(int id) const { return toolBars_.value(id); }

QAction* MainWindow::action(const QString& text) const {
    for (QAction* a : actions_)
        if (a->text() == text) return a;
    return nullptr;
}

}  // namespace kestrel::ui
