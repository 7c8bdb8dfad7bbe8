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
    parser.addPositionalArgument("file", "A model to open: an RSD set, an ASC or an ASE scene.");
    QCommandLineOption deviceOption("device", "Draw with 'opengl' or 'software', without asking.", "device");
    QCommandLineOption grab("grab", "Save a picture of the window to FILE once it is drawn, then quit.", "file");
    parser.addOptions({deviceOption, grab});
    parser.process(application);
    const QString wanted = parser.value(deviceOption);
    if (!wanted.isEmpty() && wanted != "opengl" && wanted != "software") {
        std::fprintf(stderr, "kestrel: --device takes 'opengl' or 'software', not '%s'\n", qPrintable(wanted));
        return 2;
    }

    ui::UiStore store(ui::UiStore::defaultPath());
    ui::DialogPrompts prompts;
    const ui::DeviceChoice device = ui::chooseDevice(wanted, store, prompts, ui::probeOpenGl);
    if (!device.warning.empty()) std::fprintf(stderr, "kestrel: %s\n", device.warning.c_str());
    ui::WindowOptions options;
    options.openGl = device.openGl;
    options.deviceName = device.name;
    options.configPath = app::configPath();
    if (!parser.isSet(grab)) options.recoveryFolder = app::recoveryFolder();

    app::Document document;
    ui::MainWindow window(document, store, prompts, options);
    window.show();
    // Work a crashed session left behind comes first; a recovered document is not replaced.
    window.offerRecoveries();
    if (!parser.positionalArguments().isEmpty() && !document.modified())
        window.openPath(parser.positionalArguments().first());
    // After the model named on the command line, so that default.ks works on it.
    window.loadStartupScript();

    if (parser.isSet(grab)) {
        // The picture the screen shows, taken once the panes have drawn; each pane's place is
        // printed so that a test can look at the panes one by one.
        const QString file = parser.value(grab);
        QTimer::singleShot(1500, &window, [&window, file] {
            QPixmap picture = window.screen()->grabWindow(window.winId());
            if (picture.isNull()) picture = window.grab();
            for (int i = 0; i < 4; ++i) {
                const QRect r(window.pane(i)->mapTo(&window, QPoint(0, 0)), window.pane(i)->size());
                std::printf("pane%d %d %d %d %d\n", i, r.x(), r.y(), r.width(), r.height());
            }
            std::printf("title %s\ndevice %s\n", qPrintable(window.windowTitle()),
                        window.pane(0)->surface().deviceName().c_str());
            std::fflush(stdout);
            const bool saved = picture.save(file);
            window.close();
            QApplication::exit(saved ? 0 : 1);
        });
    }
    return application.exec();
}
