// The real program in a virtual X display: started on the sample with OpenGL, it draws the
// model in all four panes. The program saves what the screen shows of its window.
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Pixels that only the model can have drawn: not the black ground, not the axes' pure green,
// red and blue, not the active pane's light green frame.
int modelPixels(const QImage& picture, const QRect& pane) {
    int count = 0;
    for (int y = pane.top() + 2; y < pane.bottom() - 2; ++y)
        for (int x = pane.left() + 3; x < pane.right() - 3; ++x) {
            const QRgb p = picture.pixel(x, y) & 0xFFFFFF;
            if (p != 0 && p != 0x00FF00 && p != 0xFF0000 && p != 0x0000FF && p != 0x80FF80) ++count;
        }
    return count;
}

struct Run {
    bool finished = false;
    int status = -1;
    QString out, err;
};

// The program in software, with its settings in `home`, given at most 60 seconds.
Run runKestrel(const QTemporaryDir& home, const QStringList& arguments) {
    QProcess kestrel;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.path());
    env.insert("XDG_STATE_HOME", home.filePath("state"));
    env.remove("QT_QPA_PLATFORM");
    kestrel.setProcessEnvironment(env);
    kestrel.start(KESTREL_BINARY, QStringList{"--device", "software"} + arguments);
    Run run;
    run.finished = kestrel.waitForFinished(60000);
    if (!run.finished) kestrel.kill(), kestrel.waitForFinished();
    run.status = kestrel.exitCode();
    run.out = QString::fromLocal8Bit(kestrel.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(kestrel.readAllStandardError());
    return run;
}

QString sample(const char* name) { return qEnvironmentVariable("KESTREL_SOURCE_DIR", ".") + "/data/samples/" + name; }

}  // namespace

class SmokeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fourPanesShowTheSampleWithOpenGl() {
        QTemporaryDir home;
        const QString picture = home.filePath("window.png");
        QProcess kestrel;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", home.path());
        env.remove("QT_QPA_PLATFORM");
        kestrel.setProcessEnvironment(env);
        const QString root = qEnvironmentVariable("KESTREL_SOURCE_DIR", ".");
        kestrel.start(KESTREL_BINARY, {"--device", "opengl", "--grab", picture, root + "/data/samples/robot.rsd"});
        QVERIFY(kestrel.waitForFinished(60000));
        const QString out = QString::fromLocal8Bit(kestrel.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(kestrel.readAllStandardError());
        QVERIFY2(kestrel.exitCode() == 0, qPrintable(err));
        QVERIFY2(!err.contains("not available"), qPrintable(err));
        QVERIFY2(out.contains("title Kestrel - ") && out.contains("robot.rsd"), qPrintable(out));
        QVERIFY2(out.contains("device OpenGL"), qPrintable(out));

        QImage shot(picture);
        QVERIFY(!shot.isNull());
        int panes = 0;
        for (const QString& line : out.split('\n')) {
            const QStringList f = line.split(' ');
            if (f.size() != 5 || !f[0].startsWith("pane")) continue;
            const QRect pane(f[1].toInt(), f[2].toInt(), f[3].toInt(), f[4].toInt());
            QVERIFY(shot.rect().contains(pane));
            const int drawn = modelPixels(shot, pane);
            QVERIFY2(drawn > 500, qPrintable(QString("%1 shows %2 model pixels").arg(f[0]).arg(drawn)));
            ++panes;
        }
        QCOMPARE(panes, 4);
    }

    // A picture is taken of a window no one watches: it asks nothing, neither about a file it
    // cannot open nor about changes it would lose, and ends.
    void aGrabAsksNothingAndEnds() {
        QTemporaryDir home;
        const QString picture = home.filePath("window.png");
        const Run missing = runKestrel(home, {"--grab", picture, home.filePath("no_such.rsd")});
        QVERIFY2(missing.finished, "kestrel waited for an answer about a file it could not open");
        QCOMPARE(missing.status, 1);
        QVERIFY2(missing.err.contains("could not open") && missing.err.contains("no_such.rsd"),
                 qPrintable(missing.err));
        QVERIFY(!QFile::exists(picture));

        // stand.ks changes the model it runs on: the window has unsaved changes when it ends.
        const auto bytes = [](const QString& path) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        const QByteArray before = bytes(sample("robot.ply"));
        const Run changed = runKestrel(home, {"--grab", picture, sample("robot.rsd"), sample("stand.ks")});
        QVERIFY2(changed.finished, "kestrel waited for an answer about unsaved changes");
        QVERIFY2(changed.status == 0, qPrintable(changed.err));
        QVERIFY2(changed.out.contains("robot.rsd *"), qPrintable(changed.out));
        QVERIFY(!QImage(picture).isNull());
        QCOMPARE(bytes(sample("robot.ply")), before);  // nothing was saved
        QVERIFY(!QFile::exists(sample("robot.ply_backup")));
    }

    // --menu runs entries in order; a dialog one opens is the picture, taken while it is open.
    void aGrabShowsTheDialogAMenuEntryOpened() {
        QTemporaryDir home;
        const QString picture = home.filePath("options.png");
        const Run options = runKestrel(
            home, {"--grab", picture, "--menu", "View/Show Grid", "--menu", "View/Options", sample("robot.rsd")});
        QVERIFY2(options.finished, "the dialog was never closed");
        QVERIFY2(options.status == 0, qPrintable(options.err));
        QVERIFY2(options.out.contains("grabbed Options"), qPrintable(options.out));
        const QImage shot(picture);
        QVERIFY(!shot.isNull());
        QVERIFY2(shot.width() < 800 && shot.height() < 800, "the picture is of the window, not of the dialog");

        const Run wrong = runKestrel(home, {"--grab", picture, "--menu", "View/Optoins", sample("robot.rsd")});
        QVERIFY(wrong.finished);
        QCOMPARE(wrong.status, 2);
        QVERIFY2(wrong.err.contains("the menus have no entry \"View/Optoins\""), qPrintable(wrong.err));
    }
};

QTEST_GUILESS_MAIN(SmokeTest)
#include "smoke_test.moc"
