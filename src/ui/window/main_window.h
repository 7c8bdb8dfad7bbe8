#pragma once
// The main window: four edit panes in a fixed two-by-two split, the tool bars, the status bar
// and the Info bar, the menus of the document's commands, and the settings that outlive a
// run (the configuration file, the window's placement and bar layout).
#include <QHash>
#include <QMainWindow>
#include <QStringList>
#include <array>
#include <expected>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "animation/preview.h"
#include "app/document.h"
#include "tools/tool_word.h"
#include "ui/dialogs/texture_wrapper_dialog.h"
#include "ui/window/prompts.h"
#include "ui/window/ui_store.h"
#include "ui/window/view_pane.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QToolBar;
class QTimer;
class QDockWidget;

namespace kestrel::ui {

struct WindowOptions {
    bool openGl = false;         // the panes draw with OpenGL
    std::string deviceName;      // shown in the title until a file is open
    std::string configPath;      // the configuration file; empty: none is read or written
    std::string recoveryFolder;  // where recovery copies are kept; empty: none are
    QStringList manualPlaces;    // where Help "Kestrel Manual" looks for the manual, in order
};

// Command identifiers, as the tool bars and menus know them.
namespace command {
inline constexpr int kNew = 57600, kOpen = 57601, kSave = 32792, kSaveAs = 57604, kExit = 57665, kAbout = 57664,
                     kRecentFirst = 57616, kUndo = 57643, kRedo = 57644;
inline constexpr int kTextureUvEdit = 32864, kMovementTimeline = 32865, kShowFaceNormals = 32812;
inline constexpr int kTextured = 32831, kWireframe = 32832, kBackfaceRemoval = 32866, kSide = 32839, kTop = 32840,
                     kFront = 32841, kShowVertices = 32816, kShowAxes = 32835, kShowGrid = 32838, kShowBones = 32871,
                     kShowModel = 32872, kScaleToFit = 32817, kRotateYDown = 32774, kRotateYUp = 32775,
                     kRotateXDown = 32778, kRotateXUp = 32779, kScaleUp = 32772, kScaleDown = 32771,
                     kConfigureLighting = 32851, kBackgroundColour = 32827, kOptions = 32846;
inline constexpr int kDeleteVertices = 32786, kDeletePolygons = 32787, kCreatePolygon = 32788, kGroupPolygons = 32780,
                     kInvertNormals = 32789, kSetFaceColour = 32826, kTransparent = 32849, kSolid = 32850,
                     kVertexLighting = 32824, kFaceLighting = 32825, kLightAtRunTime = 32829, kNoLightAtRunTime = 32830,
                     kFaceTextured = 32847, kFaceColoured = 32848;
inline constexpr int kViewStandardBar = 59392, kViewModelEditBar = 32857, kViewViewBar = 32858, kViewPolygonBar = 32859,
                     kViewVertexBar = 32860, kViewInfoBar = 32861, kViewStatusBar = 59393;
inline constexpr int kRenameItem = 32898, kDeleteItem = 32899, kPaintTexture = 32863, kRemoveTexture = 32894,
                     kAttachToBone = 32868, kRemoveFromBone = 32873, kAddGroupToBone = 1049, kNewMovement = 1018,
                     kAddKeyframe = 1020, kReplaceKeyframe = 1091, kDeleteKeyframe = 1075, kKeyframeInfo = 1036,
                     kGenerateMime = 1031, kSaveBinaryMime = 32892, kPlayAnimation = 1048, kViewProjectBar = 32862,
                     kViewProjectToolsBar = 32910, kObjectCreator = 32917;
inline constexpr int kRunScript = 32911, kFunctionFirst = 1146;  // Function1 to Function12: 1146 to 1157
inline constexpr int kSendTextures = 1096, kSendModel = 1097, kSendAll = 1098, kSendViewer = 1099,
                     kViewTrackControl = 1101, kConsoleProgress = 1102, kResetConsole = 1103, kSendMime = 1104,
                     kCpuProfiler = 32890, kGpuProfiler = 32891, kViewConsoleBar = 32877;
// The bars' own numbers, which name them in the saved window layout ("bar59392").
inline constexpr int kStandardBarId = 59392, kViewBarId = 59396, kVertexEditBarId = 59397, kModelEditBarId = 59398,
                     kStatusBarId = 59399, kConsoleBarId = 59400, kInfoBarId = 59401, kPolygonBarId = 59402,
                     kProjectBarId = 59404, kProjectToolsBarId = 59405;
// Commands without a number of their own get one from here on.
inline constexpr int kUnnumbered = 40000;
}  // namespace command

class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(app::Document& document, UiStore& store, Prompts& prompts, WindowOptions options);
    // Writes the configuration file.
    ~MainWindow() override;

    app::Document& document() { return document_; }
    ViewPane* pane(int index) { return panes_[static_cast<std::size_t>(index)]; }
    void setActivePane(ViewPane* pane);
    // A pane now draws with another device: the title and status bar name it.
    void deviceChanged(ViewPane* pane, const QString& why);
    // The action of a command, by its number or (for unnumbered ones) by its menu text.
    QAction* action(int id) const { return actions_.value(id); }
    QAction* action(const QString& text) const;
    QToolBar* toolBar(int id) const;
    QDockWidget* infoBar() const { return infoBar_; }
    QDockWidget* projectBar() const { return projectBar_; }
    QDockWidget* projectToolsBar() const { return projectToolsBar_; }
    class ProjectTree* projectTree() const {
        return projectTree_;
    }
    class ObjectCreator* objectCreator() const {
        return objectCreator_;
    }
    class WindowScripts* scripts() const {
        return scripts_;
    }
    class WindowConsole* console() const {
        return console_;
    }
    QDockWidget* consoleBar() const { return consoleBar_; }
    // Opens the script file of that name (default.ks of the working folder at start-up) as
    // "Open..." would; nothing when there is none.
    void loadStartupScript(const QString& path = "default.ks");
    // The preview playing, if one is.
    const animation::PreviewPlayer* preview() const { return preview_.get(); }
    // The counts the Info bar shows: polygons, vertices, normals.
    std::array<int, 3> shownCounts() const;

    // "Open..." without its dialog: replaces the model when the file can be read, else tells
    // the user why and keeps the model. False when nothing was opened.
    bool openPath(const QString& path);
    // Offers back, one by one, the unsaved work that sessions which ended without closing left
    // in the recovery folder, until one is recovered.
    void offerRecoveries();
    // Writes the recovery copy now when the document has unsaved changes (the timer's work).
    void keepRecoveryCopy();
    QString recoveryPath() const;
    // Runs the menu bar's entry at that path, menus and entry by the names they show without
    // their '&' marks ("View/View Toolbars/Project Tools"); says why when there is no such
    // entry or it is disabled.
    std::expected<void, QString> runMenuEntry(const QString& path);
    // Chooses the project window's item at that path below the model's own item ("torso",
    // "walk", "walk/walk_pass_left", "dog_face.tim") as a click on it would.
    std::expected<void, QString> selectProjectItem(const QString& path);
    // Help "Kestrel Manual": opens the first of the manual's places that holds it with the
    // desktop's program for it, or says where it looked.
    void openManual();
    // Brings every part of the window up to date with a change of the document.
    void refresh(const app::ChangeNotice& notice);

protected:
    void closeEvent(QCloseEvent* event) override;
    // A file dropped on the window opens as "Open..." would open it.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createPanes();
    void createActions();
    void createMenus();
    void createToolBars();
    void createInfoBar();
    void createStatusBar();
    // The edit view tools' commands: one per tool, and the seven axis locks.
    void createToolCommands();
    // Delete in a pane: the project item as Edit "Delete" deletes it, else the selected vertices.
    void deleteInPane();
    // The project side: its commands, menus, the two bars, the tree's context menu and which
    // commands its selection enables.
    void createProjectCommands();
    void createProjectMenus();
    void createProjectBars();
    void projectMenu(const QPoint& global);
    void updateProjectActions();
    void reportMime(const std::expected<app::MimeExport, std::string>& exported);
    // Play Preview: the selected movement's frames drawn in every pane, one a timer tick; the
    // document's model is not touched, so stopping shows the edit frame again.
    void playPreview();
    void stopPreview();
    // A popup entry of its own text that runs a command and is enabled as it is (none: disabled).
    QAction* addMirror(QMenu& menu, int id, const QString& text);
    // The double-click menu of a pane, at a place on the screen.
    void doubleClickMenu(ViewPane* pane, const QPoint& global);
    void createBarsMenu();
    void keepHelpLast();
    // The Script menu and the script pane's host; after the project bars, which hold the pane.
    void createScriptCommands();
    void updateScriptActions();
    // The console's bar and menu entries; after the script commands, whose ActionReplay it serves.
    void createConsoleCommands();
    void updateConsoleActions();
    // Runs a console job and tells the user in the status bar what came of it.
    void runConsole(const std::function<std::expected<void, std::string>()>& job, const QString& what);
    // View Track's camera after a repaint of the active pane.
    void trackAfterPaint(ViewPane* pane);
    // The "View Toolbars" entries and the bars they show and hide.
    std::vector<std::pair<int, QWidget*>> barEntries() const;
    void readConfiguration();
    void restorePlacement();
    void savePlacement();
    void updateActions();
    void updateRecentFiles();

    // Makes an action; its number is also how the tests find it.
    QAction* addCommand(int id, const QString& text, std::function<void()> run, const QKeySequence& keys = {});
    // A view command: changes the active pane's camera or switches, then redraws it.
    QAction* addViewCommand(int id, const QString& text, std::function<void(render::EditView&)> change);
    QAction* addToggle(int id, const QString& text, int render::EditView::*flag);
    // Runs a document command and tells the user why it refused, if it did.
    void runCommand(const app::CommandResult& result);
    void showMessage(const QString& text);

    // The file commands.
    void newFile();
    void openFile();
    void openRecent(int index);
    bool save();
    bool saveAs(bool current);
    void saveCurrent();
    bool reportSave(const std::expected<formats::SavedFiles, formats::Error>& saved, const QString& what);
    // What Save and Save As do with an edit frame whose keyframe lacks its changes, as the
    // user answers; nothing for Cancel.
    std::optional<app::UnstoredEdit> askUnstored();
    // Asks about unsaved changes; false when the user chose to stay.
    bool maybeKeepChanges();
    void updateTitle();
    // The recovery copy: its timer follows the setting; it goes when nothing is unsaved.
    void startAutosave();
    void dropRecoveryCopy();

    void configureLighting();
    void chooseBackground();
    void showOptions();
    void groupPolygons();
    void vertexInfo();
    void modelInformation();
    void setFaceColour();
    void wrapTexture();
    void polygonProperties();
    void pointLighting();
    // What the texture dialogs show for a texture path.
    TexturePicture texturePictures() const;

    app::Document& document_;
    UiStore& store_;
    Prompts& prompts_;
    WindowOptions options_;
    tools::ToolWord toolWord_;  // shared by the four panes
    std::array<ViewPane*, 4> panes_{};
    ViewPane* active_ = nullptr;
    QHash<int, QAction*> actions_;
    int nextUnnumbered_ = command::kUnnumbered;
    QHash<int, QToolBar*> toolBars_;
    QDockWidget* infoBar_ = nullptr;
    QDockWidget* projectBar_ = nullptr;
    QDockWidget* projectToolsBar_ = nullptr;
    class ProjectTree* projectTree_ = nullptr;
    class ObjectCreator* objectCreator_ = nullptr;
    class WindowScripts* scripts_ = nullptr;
    class WindowConsole* console_ = nullptr;
    QDockWidget* consoleBar_ = nullptr;
    bool trackQueued_ = false;
    std::unique_ptr<animation::PreviewPlayer> preview_;
    QTimer* previewTimer_ = nullptr;
    QLineEdit* infoText_ = nullptr;
    std::array<QLineEdit*, 3> counts_{};
    QLabel* deviceLabel_ = nullptr;
    QLabel* paneLabel_ = nullptr;
    QLabel* portLabel_ = nullptr;
    QMenu* barsMenu_ = nullptr;
    std::array<QAction*, kRecentFiles> recentActions_{};
    int subscription_ = 0;  // the document's notices
    QTimer* autosaveTimer_ = nullptr;
    bool recoveryKept_ = false;
};

}  // namespace kestrel::ui
