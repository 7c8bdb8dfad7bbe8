// The manual and its pictures: the picture script, run with this build's programs, makes a
// picture for every one the manual shows, each a real picture rather than an empty window;
// every section of the manual shows one; and the pictures kept in docs/pictures are the ones
// the script makes, small enough to keep.
#include <QDir>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString root() { return qEnvironmentVariable("KESTREL_SOURCE_DIR", "."); }

struct Section {
    QString heading;
    QStringList pictures;  // as the manual names them: "pictures/window.png"
};

// The manual's "## " sections and the pictures each shows.
std::vector<Section> sectionsOf(const QString& text) {
    std::vector<Section> sections;
    static const QRegularExpression picture(R"(!\[[^\]]*\]\(([^)]+)\))");
    bool inCode = false;
    for (const QString& line : text.split('\n')) {
        if (line.startsWith("```")) inCode = !inCode;
        if (inCode) continue;
        if (line.startsWith("## ")) sections.push_back({line.mid(3), {}});
        for (auto it = picture.globalMatch(line); it.hasNext();) {
            const QString name = it.next().captured(1);
            if (sections.empty()) sections.push_back({"(before the first section)", {}});
            sections.back().pictures << name;
        }
    }
    return sections;
}

QSet<QString> pngsIn(const QString& folder) {
    const QStringList names = QDir(folder).entryList({"*.png"}, QDir::Files);
    return QSet<QString>(names.begin(), names.end());
}

// Why the picture is not one worth showing, or nothing: it must hold some detail (distinct
// colours) and not be one colour nearly everywhere (an empty or black window).
QString blankness(const QImage& picture) {
    if (picture.isNull()) return "it cannot be read";
    if (picture.width() < 100 || picture.height() < 100) return "it is smaller than 100 x 100";
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, int> counts;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) ++counts[row[x]];
    }
    int most = 0;
    for (int n : counts) most = std::max(most, n);
    if (counts.size() < 16) return QString("it has only %1 colours").arg(counts.size());
    if (most > 0.95 * rgb.width() * rgb.height()) return "one colour covers more than 95% of it";
    return {};
}

}  // namespace

class ManualPicturesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void blanknessIsTold() {
        QImage black(400, 300, QImage::Format_RGB32);
        black.fill(Qt::black);
        QVERIFY(!blankness(black).isEmpty());
        QImage almost = black;
        for (int i = 0; i < 40; ++i) almost.setPixel(i, 0, qRgb(i * 6, 0, 0));
        QCOMPARE(blankness(almost), QString("one colour covers more than 95% of it"));
        QVERIFY(!blankness(QImage()).isEmpty());
        QCOMPARE(blankness(QImage(root() + "/docs/pictures/window.png")), QString());
    }

    void theScriptMakesEveryPictureTheManualShows() {
        QFile manual(root() + "/docs/manual.md");
        QVERIFY(manual.open(QIODevice::ReadOnly));
        const std::vector<Section> sections = sectionsOf(QString::fromUtf8(manual.readAll()));
        QVERIFY(sections.size() >= 11);

        QTemporaryDir out;
        QProcess script;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KESTREL", KESTREL_BINARY);
        env.insert("KESTREL_CLI", KESTREL_CLI_BINARY);
        script.setProcessEnvironment(env);
        script.setProcessChannelMode(QProcess::MergedChannels);
        script.start("bash", {root() + "/scripts/make-manual-pictures", out.path()});
        QVERIFY2(script.waitForFinished(170000), "the picture script did not finish");
        const QString said = QString::fromLocal8Bit(script.readAll());
        QVERIFY2(script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0, qPrintable(said));

        const QSet<QString> made = pngsIn(out.path());
        const QSet<QString> kept = pngsIn(root() + "/docs/pictures");
        QSet<QString> shown;
        for (const Section& section : sections) {
            // Each section shows what it describes.
            QVERIFY2(!section.pictures.isEmpty(), qPrintable(section.heading + " shows no picture"));
            for (const QString& name : section.pictures) {
                QVERIFY2(name.startsWith("pictures/") && name.endsWith(".png"), qPrintable(name));
                const QString file = name.mid(QString("pictures/").size());
                shown << file;
                QVERIFY2(kept.contains(file), qPrintable(name + " is not in docs/pictures"));
                QVERIFY2(made.contains(file), qPrintable(name + " is not made by the script"));
                const QString why = blankness(QImage(out.filePath(file)));
                QVERIFY2(why.isEmpty(), qPrintable(QString("the picture %1 is no picture: %2").arg(file, why)));
            }
        }
        // docs/pictures holds what the script makes, and all of it is shown.
        QCOMPARE(kept, made);
        QCOMPARE(shown, made);
        for (const QString& file : kept) {
            const QFileInfo info(root() + "/docs/pictures/" + file);
            QVERIFY2(info.size() < 100 * 1024, qPrintable(QString("%1 is %2 bytes").arg(file).arg(info.size())));
            QVERIFY2(blankness(QImage(info.filePath())).isEmpty(), qPrintable(file));
        }
    }
};

QTEST_GUILESS_MAIN(ManualPicturesTest)
#include "manual_pictures_test.moc"
