// The real program in a virtual X display: started on the sample with OpenGL, it draws the
// model in all four panes. The program saves what the screen shows of its window.
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
};

QTEST_GUILESS_MAIN(SmokeTest)
#include "smoke_test.moc"
