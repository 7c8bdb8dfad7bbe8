// kestrel: the main window on the model named on the command line, if any.
#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <string_view>

#include "app/document.h"
#include "app/recovery.h"
#include "app/settings.h"
#include "app/version.h"
#include "ui/gl_surface.h"
#include "ui/window/device_choice.h"
#include "ui/window/main_window.h"
#include "ui/window/manual_places.h"
#include "ui/window/startup.h"

using namespace kestrel;

namespace {

// Whether the command line asks for the version (Qt's -v or --version, before any "--").
bool asksForVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") return false;
        if (argument == "--version" || argument == "-v") return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before the application object exists, which would need a display.
    if (asksForVersion(argc, argv)) {
        std::printf("%s\n", app::versionLine("kestrel").c_str());
        return 0;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName("Kestrel");
    QApplication::setApplicationVersion(QString::fromStdString(app::versionText()));
    // The desktop entry's name, which Wayland compositors match windows with; the icon is the
    // one installed under that name, when it is installed.
    QGuiApplication::setDesktopFileName(QString::fromUtf8(app::kApplicationId));
    QApplication::setWindowIcon(QIcon::fromTheme(QString::fromUtf8(app::kApplicationId)));

    QCommandLineParser parser;
    parser.setApplicationDescription("Kestrel: model editor and keyframe animator for PlayStation 3-D models.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("files",
                                 "What to open, in turn: a model (an RSD set, an ASC or an ASE scene), "
                                 "then K-Script files (.ks) to run on it.",
                                 "[FILE...]");
    QCommandLineOption deviceOption("device", "Draw with 'opengl' or 'software', without asking.", "device");
    QCommandLineOption grab("grab",
                            "Save a picture of the window to FILE once it is drawn, then quit; asks nothing. The "
                            "picture is of the dialog a --menu entry opened, if one is open.",
                            "file");
    QCommandLineOption pane("pane",
                            "Make pane N the active one: 1 top left, 2 top right, 3 bottom left, 4 bottom right.", "n");
    QCommandLineOption select("select",
                              "Choose the project window's item at PATH: a group, movement or texture "
                              "name, or MOVEMENT/KEYFRAME.",
                              "path");
    QCommandLineOption menu("menu", "Run the menu entry at PATH, such as \"View/Movement Timeline\" (again for more).",
                            "path");
    parser.addOptions({deviceOption, grab, pane, select, menu});
    parser.process(application);
    const QString wanted = parser.value(deviceOption);
    if (!wanted.isEmpty() && wanted != "opengl" && wanted != "software") {
        std::fprintf(stderr, "kestrel: --device takes 'opengl' or 'software', not '%s'\n", qPrintable(wanted));
        return 2;
    }

    ui::UiStore store(ui::UiStore::defaultPath());
    // A window that is only pictured asks nothing: no one is there to answer.
    ui::DialogPrompts dialogs;
    ui::UnattendedPrompts unattended;
    const bool grabbing = parser.isSet(grab);
    ui::Prompts& prompts = grabbing ? static_cast<ui::Prompts&>(unattended) : dialogs;
    const ui::DeviceChoice device = ui::chooseDevice(wanted, store, prompts, ui::probeOpenGl);
    if (!device.warning.empty()) std::fprintf(stderr, "kestrel: %s\n", device.warning.c_str());
    ui::WindowOptions options;
    options.openGl = device.openGl;
    options.deviceName = device.name;
    options.configPath = app::configPath();
    if (!grabbing) options.recoveryFolder = app::recoveryFolder();
    options.manualPlaces = ui::manualPlaces(QCoreApplication::applicationDirPath());

    app::Document document;
    ui::MainWindow window(document, store, prompts, options);
    window.show();
    // Work a crashed session left behind comes first; a recovered document is not replaced.
    window.offerRecoveries();
    // Each file in turn, as "Open..." opens it: a model, then a script to run on it.
    if (!document.modified())
        for (const QString& file : parser.positionalArguments())
            if (!window.openPath(file) && grabbing) return 1;  // the picture would not show the file asked for
    // After the model named on the command line, so that default.ks works on it.
    window.loadStartupScript();

    // The picture the screen shows, taken once the panes have drawn; each pane's place is
    // printed so that a test can look at the panes one by one. The window is not closed, so
    // nothing it was made to show is kept as the next start's layout.
    bool grabbed = false, stepsDone = false;
    QTimer grabTimer;
    grabTimer.setSingleShot(true);
    grabTimer.setInterval(1500);
    QObject::connect(&grabTimer, &QTimer::timeout, &window, [&] {
        if (grabbed) return;
        // A step that keeps the window painting while it works (a console transfer, a
        // script) is waited for; one that opens a dialog is pictured with the dialog open.
        if (!stepsDone && !QApplication::activeModalWidget()) return grabTimer.start();
        grabbed = true;
        QWidget* shown = ui::grabbedWidget(window);
        QPixmap picture = shown == &window ? window.screen()->grabWindow(window.winId()) : QPixmap();
        if (picture.isNull()) picture = shown->grab();
        for (int i = 0; i < 4; ++i) {
            const QRect r(window.pane(i)->mapTo(&window, QPoint(0, 0)), window.pane(i)->size());
            std::printf("pane%d %d %d %d %d\n", i, r.x(), r.y(), r.width(), r.height());
        }
        std::printf("title %s\ndevice %s\n", qPrintable(window.windowTitle()),
                    window.pane(0)->surface().deviceName().c_str());
        if (shown != &window) std::printf("grabbed %s\n", qPrintable(shown->windowTitle()));
        std::fflush(stdout);
        // Ends every event loop, a dialog's that a --menu entry left open too.
        QApplication::exit(picture.save(parser.value(grab)) ? 0 : 1);
    });
    // The --pane, --select and --menu steps run once the window is on screen. One that opens a
    // dialog returns only when the dialog closes: the picture is taken while it is open.
    QTimer::singleShot(0, &window, [&] {
        if (grabbing) grabTimer.start();
        for (const ui::StartupStep& step : ui::startupSteps(QCoreApplication::arguments())) {
            if (grabbed) return;
            if (auto done = ui::runStartupStep(window, step); !done) {
                std::fprintf(stderr, "kestrel: %s\n", qPrintable(done.error()));
                if (grabbing) {
                    grabbed = true;
                    QApplication::exit(2);
                    return;
                }
            }
        }
        stepsDone = true;
        if (grabbing && !grabbed) grabTimer.start();  // drawn anew after the last step
    });
    return application.exec();
}
