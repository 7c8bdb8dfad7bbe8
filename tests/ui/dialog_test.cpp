// The dialogs driven as the main window and a user would: set the widgets, press the
// buttons, read what the dialog hands back.
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

#include "dialog_probe.h"
#include "ui/dialogs/group_dialog.h"
#include "ui/dialogs/lighting_dialog.h"
#include "ui/dialogs/model_info_dialog.h"
#include "ui/dialogs/options_dialog.h"
#include "ui/dialogs/rename_dialog.h"
#include "ui/dialogs/vertex_info_dialog.h"

using namespace kestrel;
using namespace kestrel::ui;

namespace {

app::Settings unusualSettings() {
    app::Settings s;
    s.lightMasks = {{{1, 2, 4}, {7, 0, 5}, {3, 6, 0}, {4, 4, 4}}};
    s.portBase = 0x2a8;
    s.maxViewportWidth = 640;
    s.maxViewportHeight = 480;
    s.mimeVersion = app::kMimeType2;
    s.minimumMovement = 2.5;
    s.previewerFile = "/opt/console/viewer.pxe";
    return s;
}

}  // namespace

class DialogTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void optionsShowAndReturnTheSettingsUnchanged();
    void optionsPortTexts_data();
    void optionsPortTexts();
    void optionsOkStaysOpenOnABadPort();
    void optionsMimeVersionAndMovement();
    void optionsMimeButtonsShowTheirTexts();
    void lightingMasksRoundTrip_data();
    void lightingMasksRoundTrip();
    void lightingCheckBoxesFollowTheBits();
    void modelInfoShowsTheSelection();
    void modelInfoActions();
    void namesRefuseBlank();
    void vertexInfoShowsTheVertex();
};

void DialogTest::optionsShowAndReturnTheSettingsUnchanged() {
    const app::Settings given = unusualSettings();
    OptionsDialog dialog(given, true);
    QCOMPARE(child<QLineEdit>(dialog, "portEdit")->text(), QStringLiteral("0x2a8"));
    QCOMPARE(child<QSpinBox>(dialog, "viewportWidth")->value(), 640);
    QCOMPARE(child<QSpinBox>(dialog, "viewportHeight")->value(), 480);
    QVERIFY(child<QRadioButton>(dialog, "mimeType2")->isChecked());
    QVERIFY(!child<QRadioButton>(dialog, "mimeType1")->isChecked());
    QCOMPARE(child<QLineEdit>(dialog, "previewerEdit")->text(), QStringLiteral("/opt/console/viewer.pxe"));
    QVERIFY(child<QCheckBox>(dialog, "hardwareCheck")->isChecked());
    QVERIFY(!dialog.problem());
    QVERIFY(dialog.settings() == given);
    QVERIFY(dialog.useHardware());

    // A movement finer than the field shows survives OK untouched, and one typed replaces it.
    app::Settings fine = given;
    fine.minimumMovement = 0.000012345;
    OptionsDialog fineDialog(fine, false);
    QCOMPARE(fineDialog.settings().minimumMovement, 0.000012345);
    QVERIFY(!fineDialog.useHardware());
    child<QDoubleSpinBox>(fineDialog, "minimumMovement")->setValue(0.5);
    QCOMPARE(fineDialog.settings().minimumMovement, 0.5);

    // Fields changed come back; the light masks were never the dialog's to change.
    child<QSpinBox>(dialog, "viewportWidth")->setValue(2048);
    child<QSpinBox>(dialog, "viewportHeight")->setValue(1536);
    child<QLineEdit>(dialog, "previewerEdit")->setText(QStringLiteral("  "));
    child<QCheckBox>(dialog, "hardwareCheck")->setChecked(false);
    QVERIFY(!child<QCheckBox>(dialog, "emulatedConsole")->isChecked());
    child<QCheckBox>(dialog, "emulatedConsole")->setChecked(true);
    const app::Settings changed = dialog.settings();
    QVERIFY(changed.emulatedConsole);
    QCOMPARE(changed.maxViewportWidth, 2048);
    QCOMPARE(changed.maxViewportHeight, 1536);
    QVERIFY(changed.previewerFile.empty());
    QVERIFY(changed.lightMasks == given.lightMasks);
    QVERIFY(!dialog.useHardware());
}

void DialogTest::optionsPortTexts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("port");  // -1: the text is a problem
    QTest::newRow("dollar") << "$378" << 0x378;
    QTest::newRow("0x") << "0x378" << 0x378;
    QTest::newRow("bare") << "378" << 0x378;
    QTest::newRow("upper case") << "0X3Bc" << 0x3bc;
    QTest::newRow("spaces around") << " 278 " << 0x278;
    QTest::newRow("largest") << "ffff" << 0xffff;
    QTest::newRow("letters") << "xyz" << -1;
    QTest::newRow("past 16 bits") << "10000" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("prefix only") << "0x" << -1;
    QTest::newRow("negative") << "-1" << -1;
    QTest::newRow("trailing junk") << "378h" << -1;
}

void DialogTest::optionsPortTexts() {
    QFETCH(QString, text);
    QFETCH(int, port);
    const app::Settings given = unusualSettings();
    OptionsDialog dialog(given, false);
    child<QLineEdit>(dialog, "portEdit")->setText(text);
    const auto problem = dialog.problem();
    if (port < 0) {
        QVERIFY(problem);
        if (!text.isEmpty()) QVERIFY2(problem->contains(text), qPrintable(*problem));
        QCOMPARE(dialog.settings().portBase, given.portBase);
    } else {
        QVERIFY2(!problem, problem ? qPrintable(*problem) : "");
        QCOMPARE(int(dialog.settings().portBase), port);
    }
}

void DialogTest::optionsOkStaysOpenOnABadPort() {
    OptionsDialog dialog(app::Settings{}, false);
    dialog.show();
    child<QLineEdit>(dialog, "portEdit")->setText(QStringLiteral("xyz"));

    QString warning;
    QTimer::singleShot(0, [&warning] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            warning = box->text();
            box->accept();
        }
    });
    okButton(dialog)->click();
    QVERIFY2(warning.contains(QStringLiteral("xyz")), qPrintable(warning));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));

    // Put right, OK closes it.
    child<QLineEdit>(dialog, "portEdit")->setText(QStringLiteral("$3bc"));
    okButton(dialog)->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.settings().portBase, std::uint16_t{0x3bc});
}

void DialogTest::optionsMimeVersionAndMovement() {
    app::Settings given;
    given.mimeVersion = app::kMimeType1;
    OptionsDialog dialog(given, false);
    QVERIFY(child<QRadioButton>(dialog, "mimeType1")->isChecked());
    QCOMPARE(dialog.settings().mimeVersion, app::kMimeType1);

    child<QRadioButton>(dialog, "mimeType2")->click();
    QVERIFY(!child<QRadioButton>(dialog, "mimeType1")->isChecked());
    child<QDoubleSpinBox>(dialog, "minimumMovement")->setValue(0.75);
    app::Settings chosen = dialog.settings();
    QCOMPARE(chosen.mimeVersion, app::kMimeType2);
    QCOMPARE(chosen.minimumMovement, 0.75);

    // What comes back opens the dialog the same way again.
    OptionsDialog again(chosen, false);
    QVERIFY(child<QRadioButton>(again, "mimeType2")->isChecked());
    QCOMPARE(child<QDoubleSpinBox>(again, "minimumMovement")->value(), 0.75);
    child<QRadioButton>(again, "mimeType1")->click();
    QCOMPARE(again.settings().mimeVersion, app::kMimeType1);
}

void DialogTest::optionsMimeButtonsShowTheirTexts() {
    OptionsDialog dialog(app::Settings{}, false);
    QCOMPARE(shownText(child<QRadioButton>(dialog, "mimeType1")), QStringLiteral("Type 1 (KESTRELLIB v1 && v2)"));
    QCOMPARE(shownText(child<QRadioButton>(dialog, "mimeType2")), QStringLiteral("Type 2 (KESTRELLIB v3)"));
}

void DialogTest::lightingMasksRoundTrip_data() {
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("z");
    QTest::newRow("one colour each") << 4 << 2 << 1;
    QTest::newRow("all, none, two") << 7 << 0 << 5;
    QTest::newRow("pairs") << 3 << 6 << 5;
    QTest::newRow("bits above the colours") << (0x10 | 2) << 0x100 << 7;
}

void DialogTest::lightingMasksRoundTrip() {
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, z);
    const std::array<int, 3> given{x, y, z};
    LightingDialog dialog(given);
    QVERIFY(dialog.masks() == given);
}

void DialogTest::lightingCheckBoxesFollowTheBits() {
    LightingDialog dialog({4, 2, 1});
    const char* checked[] = {"xBlue", "yGreen", "zRed"};
    const char* clear[] = {"xRed", "xGreen", "yRed", "yBlue", "zGreen", "zBlue"};
    for (const char* name : checked) QVERIFY2(child<QCheckBox>(dialog, name)->isChecked(), name);
    for (const char* name : clear) QVERIFY2(!child<QCheckBox>(dialog, name)->isChecked(), name);

    child<QCheckBox>(dialog, "xRed")->click();
    child<QCheckBox>(dialog, "yGreen")->click();
    child<QCheckBox>(dialog, "zBlue")->click();
    QVERIFY((dialog.masks() == std::array<int, 3>{5, 0, 5}));
}

void DialogTest::modelInfoShowsTheSelection() {
    model::SelectionInfo info;
    info.x = {.max = 120.5, .min = -64};
    info.y = {.max = 10, .min = 10};
    info.polygons = 12;
    info.vertices = 8;
    info.centre = {.x = 28.25, .y = 10, .z = 0};
    ModelInfoDialog dialog(info);
    QCOMPARE(child<QLineEdit>(dialog, "minX")->text(), QStringLiteral("-64"));
    QCOMPARE(child<QLineEdit>(dialog, "maxX")->text(), QStringLiteral("120.5"));
    QCOMPARE(child<QLineEdit>(dialog, "minY")->text(), QStringLiteral("10"));
    // z keeps the empty extent: no made-up 200000 and -200000.
    QVERIFY(child<QLineEdit>(dialog, "minZ")->text().isEmpty());
    QVERIFY(child<QLineEdit>(dialog, "maxZ")->text().isEmpty());
    QCOMPARE(child<QLineEdit>(dialog, "polygonCount")->text(), QStringLiteral("12"));
    QCOMPARE(child<QLineEdit>(dialog, "vertexCount")->text(), QStringLiteral("8"));
    QCOMPARE(child<QLineEdit>(dialog, "centreX")->text(), QStringLiteral("28.25"));
    QVERIFY(child<QLineEdit>(dialog, "centreX")->isReadOnly());

    // The starting values of the changes.
    QCOMPARE(dialog.rescale().scale, 1.0);
    QVERIFY(dialog.rescale().selectedOnly);
    QVERIFY(!dialog.rescale().allFrames);
    QCOMPARE(dialog.recentre().offset, model::ModelVertex{});
    QVERIFY(dialog.recentre().moveSkeleton);
    QVERIFY(!dialog.recentre().allFrames);
}

void DialogTest::modelInfoActions() {
    {
        ModelInfoDialog dialog(model::SelectionInfo{});
        child<QDoubleSpinBox>(dialog, "scale")->setValue(2.5);
        child<QCheckBox>(dialog, "selectedOnly")->setChecked(false);
        child<QCheckBox>(dialog, "allFrames")->setChecked(true);
        child<QPushButton>(dialog, "rescaleButton")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.action(), ModelInfoDialog::Action::ReScale);
        const app::RescaleParams params = dialog.rescale();
        QCOMPARE(params.scale, 2.5);
        QVERIFY(!params.selectedOnly);
        QVERIFY(params.allFrames);
    }
    {
        ModelInfoDialog dialog(model::SelectionInfo{});
        child<QDoubleSpinBox>(dialog, "offsetX")->setValue(-100.5);
        child<QDoubleSpinBox>(dialog, "offsetY")->setValue(32767);
        child<QDoubleSpinBox>(dialog, "offsetZ")->setValue(0.25);
        child<QCheckBox>(dialog, "moveSkeleton")->setChecked(false);
        child<QPushButton>(dialog, "recentreButton")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.action(), ModelInfoDialog::Action::ReCentre);
        const app::RecentreParams params = dialog.recentre();
        QCOMPARE(params.offset, (model::ModelVertex{.x = -100.5, .y = 32767, .z = 0.25}));
        QVERIFY(!params.moveSkeleton);
        QVERIFY(!params.allFrames);
    }
    {
        ModelInfoDialog dialog(model::SelectionInfo{});
        child<QPushButton>(dialog, "cancelButton")->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.action(), ModelInfoDialog::Action::None);
    }
}

void DialogTest::namesRefuseBlank() {
    GroupDialog group(app::GroupProposal{.name = "New Polygon Group", .polygons = 42});
    QCOMPARE(child<QLineEdit>(group, "polygonCount")->text(), QStringLiteral("42"));
    auto* groupName = child<QLineEdit>(group, "nameEdit");
    QCOMPARE(groupName->text(), QStringLiteral("New Polygon Group"));
    QVERIFY(okButton(group)->isEnabled());
    for (const char* blank : {"", "   ", "\t"}) {
        groupName->setText(QString::fromLatin1(blank));
        QVERIFY2(!okButton(group)->isEnabled(), blank);
        group.accept();
        QVERIFY2(group.result() != QDialog::Accepted, blank);
    }
    groupName->setText(QStringLiteral("  Left Wing "));
    QVERIFY(okButton(group)->isEnabled());
    okButton(group)->click();
    QCOMPARE(group.result(), int(QDialog::Accepted));
    QCOMPARE(group.name(), std::string("Left Wing"));

    RenameDialog rename(QStringLiteral("Rename Group"), QStringLiteral("Body"));
    QCOMPARE(rename.windowTitle(), QStringLiteral("Rename Group"));
    auto* renameName = child<QLineEdit>(rename, "nameEdit");
    QCOMPARE(renameName->text(), QStringLiteral("Body"));
    renameName->clear();
    QVERIFY(!okButton(rename)->isEnabled());
    rename.accept();
    QVERIFY(rename.result() != QDialog::Accepted);
    renameName->setText(QStringLiteral("Kopf \u00e4"));
    okButton(rename)->click();
    QCOMPARE(rename.result(), int(QDialog::Accepted));
    QCOMPARE(rename.name(), std::string("Kopf \xc3\xa4"));
}

void DialogTest::vertexInfoShowsTheVertex() {
    VertexInfoDialog dialog(model::VertexInfo{.index = 17, .position = {.x = 1234.5678, .y = -0.1, .z = 32767}});
    QCOMPARE(child<QLineEdit>(dialog, "vertexId")->text(), QStringLiteral("17"));
    QCOMPARE(child<QLineEdit>(dialog, "vertexX")->text(), QStringLiteral("1234.5678"));
    QCOMPARE(child<QLineEdit>(dialog, "vertexY")->text(), QStringLiteral("-0.1"));
    QCOMPARE(child<QLineEdit>(dialog, "vertexZ")->text(), QStringLiteral("32767"));
    QVERIFY(child<QLineEdit>(dialog, "vertexX")->isReadOnly());
}

QTEST_MAIN(DialogTest)
#include "dialog_test.moc"
