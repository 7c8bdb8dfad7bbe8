// The texture and material dialogs driven as a user would: click the controls, choose files
// and colours through the dialogs' choosers, read what the dialog hands back.
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "dialog_probe.h"
#include "ui/dialogs/polygon_properties_dialog.h"
#include "ui/dialogs/static_lighting_dialog.h"
#include "ui/dialogs/texture_wrapper_dialog.h"

using namespace kestrel;
using namespace kestrel::ui;
using model::PlanarFace;
using model::PolygonPropertiesSettings;
using model::WrapType;

namespace {

// Answers every message box shown while it lives, keeping their texts, so that a box no
// one expected fails the test instead of waiting for a click.
class MessageCatcher {
public:
    MessageCatcher() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->text();
                box->accept();
            }
        });
        timer_.start(10);
    }
    QStringList texts;

private:
    QTimer timer_;
};

const std::vector<std::string> kTextures = {"tex/Body.TIM", "tex/head.tim", "/abs/wings.TIM"};

// A 4-bit TIM of 4 × 2 pixels: colour table entry i is red i × 8, green 8, blue 0.
QByteArray smallTim() {
    QByteArray tim;
    const auto u16 = [&tim](unsigned v) { tim.append(char(v & 0xFF)).append(char(v >> 8 & 0xFF)); };
    const auto u32 = [&](unsigned v) { u16(v & 0xFFFF), u16(v >> 16); };
    u32(0x10), u32(8);  // 4-bit, with a colour table
    u32(12 + 16 * 2), u16(0), u16(480), u16(16), u16(1);
    for (unsigned i = 0; i < 16; ++i) u16(i | 1u << 5);
    u32(12 + 2 * 2), u16(320), u16(0), u16(1), u16(2);
    // Top row: pixels 1, 2, 3, 4 (the left pixel in the low nibble); bottom row 5 6 7 8.
    for (unsigned char b : {0x21, 0x43, 0x65, 0x87}) tim.append(char(b));
    return tim;
}

PolygonPropertiesSettings unusualProperties() {
    return {.colouringStyle = 2,
            .textured = true,
            .lightSourced = false,
            .doubleFaced = true,
            .sides = 4,
            .shading = 0,
            .transparencyMode = 3,
            .transparent = true,
            .texture = 1,
            .cornerColours = {0x00332211, 0x00FFFFFF, 0x00000000, 0x00800080}};
}

}  // namespace

class MaterialDialogTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void wrapperStartsWithItsDefaults();
    void wrapperTypesAndFaces();
    void wrapperFlagsAndRepeats();
    void wrapperTextureChoice();
    void wrapperBrowse();
    void wrapperWithoutTexturesCannotBeConfirmed();
    void texturePictures();

    void propertiesRoundTripUnchanged();
    void propertiesShowTheSettings();
    void propertiesClickRules();
    void propertiesCornerColours();
    void propertiesTextureChoice();

    void lightingValues();
    void lightingRadiusRange();
};

// ---- Texture Wrapper ----

void MaterialDialogTest::wrapperStartsWithItsDefaults() {
    TextureWrapperDialog dialog(kTextures);
    const app::WrapParams p = dialog.params();
    const model::WrapOptions& o = p.options;
    QCOMPARE(o.type, WrapType::CylinderY);
    QCOMPARE(o.face, PlanarFace::YPlus);
    QVERIFY(o.exact && !o.flipHorizontally && !o.flipVertically && !o.swap && !o.selectedOnly);
    QVERIFY(o.repeatX == 1 && o.repeatY == 1 && !p.allFrames);
    QCOMPARE(p.texture, kTextures[0]);
    QVERIFY(okButton(dialog)->isEnabled());

    // The texts with characters Qt reads as markup or layout.
    QCOMPARE(shownText(child<QCheckBox>(dialog, "swapXY")), QStringLiteral("Swap X & Y (rotate 90deg)"));
    QCOMPARE(child<QRadioButton>(dialog, "sphereCentre")->text(), QStringLiteral("Sphere\n(Centre-Vertex Projection)"));
    QCOMPARE(child<QSpinBox>(dialog, "angleX")->text(), QStringLiteral("0"));
}

void MaterialDialogTest::wrapperTypesAndFaces() {
    const std::pair<const char*, WrapType> types[] = {{"cylinderX", WrapType::CylinderX},
                                                      {"sphereCentre", WrapType::SphereCentre},
                                                      {"sphereNormal", WrapType::SphereNormal},
                                                      {"planar", WrapType::Planar},
                                                      {"cylinderY", WrapType::CylinderY}};
    const std::pair<const char*, PlanarFace> faces[] = {
        {"faceYMinus", PlanarFace::YMinus}, {"faceXPlus", PlanarFace::XPlus},   {"faceXMinus", PlanarFace::XMinus},
        {"faceZPlus", PlanarFace::ZPlus},   {"faceZMinus", PlanarFace::ZMinus}, {"faceYPlus", PlanarFace::YPlus}};
    TextureWrapperDialog dialog(kTextures);
    for (const auto& [name, type] : types) {
        child<QRadioButton>(dialog, name)->click();
        QVERIFY2(dialog.params().options.type == type, name);
        // The faces and "Exact Mode" apply to the planar wrap only.
        const bool planar = type == WrapType::Planar;
        QVERIFY2(child<QRadioButton>(dialog, "faceXPlus")->isEnabled() == planar, name);
        QVERIFY2(child<QCheckBox>(dialog, "exactMode")->isEnabled() == planar, name);
    }
    child<QRadioButton>(dialog, "planar")->click();
    for (const auto& [name, face] : faces) {
        child<QRadioButton>(dialog, name)->click();
        QVERIFY2(dialog.params().options.face == face, name);
        QVERIFY2(dialog.params().options.type == WrapType::Planar, name);
    }
}

void MaterialDialogTest::wrapperFlagsAndRepeats() {
    TextureWrapperDialog dialog(kTextures);
    child<QRadioButton>(dialog, "planar")->click();
    child<QCheckBox>(dialog, "exactMode")->click();
    child<QCheckBox>(dialog, "flipHorizontally")->click();
    child<QCheckBox>(dialog, "swapXY")->click();
    child<QCheckBox>(dialog, "allFrames")->click();
    child<QSpinBox>(dialog, "repeatX")->setValue(2);
    child<QSpinBox>(dialog, "repeatY")->setValue(7);
    child<QSpinBox>(dialog, "angleX")->setValue(45);  // shown only
    app::WrapParams p = dialog.params();
    QVERIFY(!p.options.exact && p.options.flipHorizontally && !p.options.flipVertically);
    QVERIFY(p.options.swap && !p.options.selectedOnly && p.allFrames);
    QVERIFY(p.options.repeatX == 2 && p.options.repeatY == 7);

    child<QCheckBox>(dialog, "flipHorizontally")->click();
    child<QCheckBox>(dialog, "flipVertically")->click();
    child<QCheckBox>(dialog, "selectedOnly")->click();
    p = dialog.params();
    QVERIFY(!p.options.flipHorizontally && p.options.flipVertically && p.options.selectedOnly);

    // No repeat count below one (a blank or mirrored texture) or past a texel a repeat.
    auto* repeatX = child<QSpinBox>(dialog, "repeatX");
    repeatX->setValue(0);
    QCOMPARE(dialog.params().options.repeatX, 1);
    repeatX->setValue(100000);
    QCOMPARE(dialog.params().options.repeatX, 256);
}

void MaterialDialogTest::wrapperTextureChoice() {
    TextureWrapperDialog dialog(kTextures);
    auto* list = child<QComboBox>(dialog, "textureList");
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->itemText(1), QStringLiteral("tex/head.tim"));

    // The project window's texture is preselected; an index past the list changes nothing.
    dialog.setCurrentTexture(2);
    QCOMPARE(dialog.params().texture, kTextures[2]);
    dialog.setCurrentTexture(3);
    dialog.setCurrentTexture(-1);
    QCOMPARE(dialog.params().texture, kTextures[2]);
    list->setCurrentIndex(1);
    QCOMPARE(dialog.params().texture, kTextures[1]);

    // A path that is not valid UTF-8 comes back byte for byte.
    const std::string latin1 = "tex/k\xf6rper.tim";
    TextureWrapperDialog odd({latin1});
    QCOMPARE(odd.params().texture, latin1);
}

void MaterialDialogTest::wrapperBrowse() {
    TextureWrapperDialog dialog(kTextures);
    dialog.setCurrentTexture(1);
    auto* list = child<QComboBox>(dialog, "textureList");
    auto* browse = child<QPushButton>(dialog, "browseButton");
    QString answer;
    int asked = 0;
    dialog.chooseFile = [&] {
        ++asked;
        return answer;
    };

    MessageCatcher messages;

    // Cancel leaves the choice alone.
    answer.clear();
    browse->click();
    QCOMPARE(asked, 1);
    QCOMPARE(list->count(), 3);
    QCOMPARE(dialog.params().texture, kTextures[1]);

    // A TIM in any letter case is added and chosen.
    for (const char* path : {"/maps/new.tim", "/maps/Other.Tim", "/maps/LAST.TIM"}) {
        answer = QString::fromLatin1(path);
        browse->click();
        QCOMPARE(list->currentText(), answer);
        QCOMPARE(dialog.params().texture, std::string(path));
    }
    QCOMPARE(list->count(), 6);

    // A listed texture chosen again, in another letter case, is picked rather than repeated.
    answer = QStringLiteral("TEX/BODY.tim");
    browse->click();
    QCOMPARE(list->count(), 6);
    QCOMPARE(dialog.params().texture, kTextures[0]);
    QVERIFY2(messages.texts.isEmpty(), qPrintable(messages.texts.join(QLatin1Char('\n'))));

    // Anything else is refused with a word to the user, and the choice stays.
    for (const char* path : {"/maps/photo.bmp", "/maps/body.tim.png", "/maps/TIM", "/maps.tim/readme"}) {
        messages.texts.clear();
        answer = QString::fromLatin1(path);
        browse->click();
        QVERIFY2(messages.texts.size() == 1 && messages.texts[0].contains(QStringLiteral("TIM")), path);
        QCOMPARE(list->count(), 6);
        QCOMPARE(dialog.params().texture, kTextures[0]);
    }
}

void MaterialDialogTest::wrapperWithoutTexturesCannotBeConfirmed() {
    TextureWrapperDialog dialog({});
    QVERIFY(dialog.params().texture.empty());
    dialog.setCurrentTexture(0);
    QVERIFY(!okButton(dialog)->isEnabled());

    dialog.chooseFile = [] { return QStringLiteral("/maps/first.TIM"); };
    child<QPushButton>(dialog, "browseButton")->click();
    QVERIFY(okButton(dialog)->isEnabled());
    okButton(dialog)->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.params().texture, std::string("/maps/first.TIM"));
}

void MaterialDialogTest::texturePictures() {
    // A loaded 4-bit texture: rows are kept bottom first, the left pixel in the high nibble.
    formats::TimImage tim{.bitsPerPixel = 4,
                          .width = 3,
                          .height = 2,
                          .pixels = {0x12, 0x30, 0, 0,    // bottom row: 1 2 3
                                     0x44, 0x10, 0, 0}};  // top row: 4 4 1
    tim.palette[1] = 0x00FF0000, tim.palette[2] = 0x0000FF00, tim.palette[4] = 0x00123456;
    const QImage image = timPicture(tim);
    QCOMPARE(image.size(), QSize(3, 2));
    QCOMPARE(image.pixel(0, 0), QRgb(0xFF123456));
    QCOMPARE(image.pixel(2, 0), QRgb(0xFFFF0000));
    QCOMPARE(image.pixel(1, 1), QRgb(0xFF00FF00));
    tim.pixels.resize(4);  // shorter than its rows: no picture rather than a read past the end
    QVERIFY(timPicture(tim).isNull());

    // A TIM file on disk; other files give no picture.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const auto write = [&dir](const char* name, const QByteArray& bytes) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) qFatal("cannot write %s", name);
        return QFile::encodeName(file.fileName()).toStdString();
    };
    const QImage fromFile = hostTimPicture(write("small.tim", smallTim()));
    QCOMPARE(fromFile.size(), QSize(4, 2));
    QCOMPARE(fromFile.pixel(0, 0), qRgb(8, 8, 0));   // entry 1, top left
    QCOMPARE(fromFile.pixel(3, 1), qRgb(64, 8, 0));  // entry 8, bottom right
    QVERIFY(hostTimPicture(write("notes.tim", "not a picture at all")).isNull());
    QVERIFY(hostTimPicture("/no/such/file.tim").isNull());

    // The wrapper's preview shows the chosen texture from the source it is given.
    TextureWrapperDialog dialog(kTextures);
    std::vector<std::string> asked;
    dialog.setTexturePicture([&](const std::string& path) {
        asked.push_back(path);
        return path == kTextures[2] ? fromFile : QImage();
    });
    auto* preview = child<QLabel>(dialog, "preview");
    QVERIFY(preview->pixmap().isNull());
    child<QComboBox>(dialog, "textureList")->setCurrentIndex(2);
    QCOMPARE(asked.back(), kTextures[2]);
    QVERIFY(!preview->pixmap().isNull());
    child<QComboBox>(dialog, "textureList")->setCurrentIndex(0);
    QVERIFY(preview->pixmap().isNull());
}

// ---- Polygon Properties ----

void MaterialDialogTest::propertiesRoundTripUnchanged() {
    PolygonPropertiesSettings plain;  // uniform, untextured, lit, no texture
    plain.cornerColours = {0x00010203, 0x00040506, 0x00070809, 0x000A0B0C};
    PolygonPropertiesSettings litTexture = unusualProperties();
    litTexture.colouringStyle = 0;
    litTexture.lightSourced = true;
    litTexture.transparencyMode = 1;
    litTexture.shading = 1;
    litTexture.texture = 2;
    PolygonPropertiesSettings pastTheList = unusualProperties();
    pastTheList.texture = 7;
    for (const PolygonPropertiesSettings& given : {unusualProperties(), plain, litTexture, pastTheList}) {
        PolygonPropertiesDialog dialog(given, kTextures);
        dialog.show();
        okButton(dialog)->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY2(dialog.settings() == given, qPrintable(QString::number(given.texture)));
    }
}

void MaterialDialogTest::propertiesShowTheSettings() {
    PolygonPropertiesDialog dialog(unusualProperties(), kTextures);
    QVERIFY(child<QRadioButton>(dialog, "styleGradation")->isChecked());
    QVERIFY(child<QCheckBox>(dialog, "textured")->isChecked());
    QVERIFY(!child<QCheckBox>(dialog, "lightSourced")->isChecked());
    QVERIFY(child<QCheckBox>(dialog, "doubleFaced")->isChecked());
    auto* sides = child<QLineEdit>(dialog, "sides");
    QCOMPARE(sides->text(), QStringLiteral("4"));
    QVERIFY(sides->isReadOnly());
    QVERIFY(child<QRadioButton>(dialog, "shadingGouraud")->isChecked());
    QVERIFY(child<QRadioButton>(dialog, "transparency3")->isChecked());
    QVERIFY(child<QCheckBox>(dialog, "transparent")->isChecked());
    QCOMPARE(child<QComboBox>(dialog, "textureList")->currentText(), QStringLiteral("tex/head.tim"));

    // Without a texture none is shown chosen, and none comes back until one is picked.
    PolygonPropertiesDialog none(PolygonPropertiesSettings{}, kTextures);
    QCOMPARE(child<QComboBox>(none, "textureList")->currentIndex(), -1);
    QCOMPARE(none.settings().texture, -1);
    QVERIFY(child<QRadioButton>(none, "shadingFlat")->isChecked());
    QVERIFY(child<QRadioButton>(none, "transparency0")->isChecked());
}

void MaterialDialogTest::propertiesClickRules() {
    // Each click as the user sees it: the colouring style and the two ticks before, the
    // control clicked, and the style and light the dialog then shows ("Textured" flips).
    struct Case {
        const char* what;
        int style;
        bool textured, lit;
        const char* click;
        int wantStyle;
        bool wantLit;
    };
    const Case cases[] = {
        {"None, untextured", 1, false, true, "styleNone", 1, true},
        {"None from gradation, untextured", 2, false, false, "styleNone", 1, false},
        {"None, textured", 1, true, false, "styleNone", 0, false},
        {"Uniform, textured", 0, true, true, "styleUniform", 1, false},
        {"Gradation, textured", 0, true, true, "styleGradation", 2, false},
        {"Gradation, untextured", 1, false, true, "styleGradation", 2, true},
        {"texturing lit", 1, false, true, "textured", 0, true},
        {"texturing unlit", 2, false, false, "textured", 2, false},
        {"untexturing without colouring", 0, true, true, "textured", 1, true},
        {"untexturing a gradation", 2, true, false, "textured", 2, false},
        {"lighting textured", 2, true, false, "lightSourced", 0, true},
        {"lighting untextured", 2, false, false, "lightSourced", 2, true},
        {"putting out the light", 0, true, true, "lightSourced", 0, false},
    };
    for (const Case& c : cases) {
        PolygonPropertiesSettings given = unusualProperties();
        given.colouringStyle = c.style;
        given.textured = c.textured;
        given.lightSourced = c.lit;
        PolygonPropertiesDialog dialog(given, kTextures);
        child<QAbstractButton>(dialog, c.click)->click();
        const PolygonPropertiesSettings s = dialog.settings();
        QVERIFY2(s.colouringStyle == c.wantStyle, c.what);
        QVERIFY2(s.textured == (c.textured != (c.click == std::string("textured"))), c.what);
        QVERIFY2(s.lightSourced == c.wantLit, c.what);
        // The controls show what comes back.
        const char* styles[3] = {"styleNone", "styleUniform", "styleGradation"};
        QVERIFY2(child<QRadioButton>(dialog, styles[c.wantStyle])->isChecked(), c.what);
        // The settings the rules do not touch stay as they were.
        PolygonPropertiesSettings rest = s;
        rest.colouringStyle = given.colouringStyle;
        rest.textured = given.textured;
        rest.lightSourced = given.lightSourced;
        QVERIFY2(rest == given, c.what);
    }

    // Controls outside the rules change only themselves.
    PolygonPropertiesDialog dialog(unusualProperties(), kTextures);
    child<QRadioButton>(dialog, "shadingFlat")->click();
    child<QRadioButton>(dialog, "transparency1")->click();
    child<QCheckBox>(dialog, "transparent")->click();
    child<QCheckBox>(dialog, "doubleFaced")->click();
    PolygonPropertiesSettings want = unusualProperties();
    want.shading = 1;
    want.transparencyMode = 1;
    want.transparent = false;
    want.doubleFaced = false;
    QVERIFY(dialog.settings() == want);
}

void MaterialDialogTest::propertiesCornerColours() {
    PolygonPropertiesDialog dialog(unusualProperties(), kTextures);
    QColor offered;
    QColor answer;
    dialog.chooseColour = [&](const QColor& current) {
        offered = current;
        return answer;
    };

    // The chooser sees the corner's colour: 0x00332211 in the chooser's order is red 0x11.
    answer = QColor(0xAA, 0xBB, 0xCC);
    child<QPushButton>(dialog, "corner0")->click();
    QCOMPARE(offered, QColor(0x11, 0x22, 0x33));
    PolygonPropertiesSettings s = dialog.settings();
    QCOMPARE(s.cornerColours[0], 0x00CCBBAAu);
    QCOMPARE(model::modelColourFromChooser(s.cornerColours[0]), 0x00AABBCC);

    // Cancel keeps the colour; each button has its own corner.
    answer = QColor();
    child<QPushButton>(dialog, "corner3")->click();
    QCOMPARE(offered, QColor(0x80, 0x00, 0x80));
    answer = QColor(1, 2, 3);
    child<QPushButton>(dialog, "corner2")->click();
    QCOMPARE(offered, QColor(0, 0, 0));
    s = dialog.settings();
    const std::array<std::uint32_t, 4> want{0x00CCBBAA, 0x00FFFFFF, 0x00030201, 0x00800080};
    QVERIFY(s.cornerColours == want);

    // A click that runs the material rules keeps the chosen colours.
    child<QCheckBox>(dialog, "textured")->click();
    QVERIFY(dialog.settings().cornerColours == want);
}

void MaterialDialogTest::propertiesTextureChoice() {
    PolygonPropertiesSettings given = unusualProperties();
    given.texture = -1;
    PolygonPropertiesDialog dialog(given, kTextures);
    std::vector<std::string> asked;
    dialog.setTexturePicture([&](const std::string& path) {
        asked.push_back(path);
        return QImage(8, 8, QImage::Format_RGB32);
    });
    QVERIFY(asked.empty());  // nothing chosen, nothing to show
    auto* list = child<QComboBox>(dialog, "textureList");
    QCOMPARE(list->itemText(2), QStringLiteral("/abs/wings.TIM"));
    list->setCurrentIndex(2);
    QCOMPARE(dialog.settings().texture, 2);
    QCOMPARE(asked.back(), kTextures[2]);
    QVERIFY(!child<QLabel>(dialog, "preview")->pixmap().isNull());

    // The pick survives a click that runs the material rules.
    child<QRadioButton>(dialog, "styleUniform")->click();
    QCOMPARE(dialog.settings().texture, 2);
}

// ---- Static Lighting ----

void MaterialDialogTest::lightingValues() {
    StaticLightingDialog dialog;
    const model::PointLight start = dialog.light();
    QCOMPARE(start.colour, 0xFFFFFF);
    QCOMPARE(start.radius, 1000u);
    QVERIFY(!start.selectedOnly && start.allowTypeChange);

    QColor offered;
    QColor answer(200, 100, 0);
    dialog.chooseColour = [&](const QColor& current) {
        offered = current;
        return answer;
    };
    auto* colour = child<QPushButton>(dialog, "colourButton");
    colour->click();
    QCOMPARE(offered, QColor(Qt::white));
    QCOMPARE(dialog.light().colour, 0x00C86400);  // red in the high byte, as the model keeps it
    answer = QColor();
    colour->click();
    QCOMPARE(offered, QColor(200, 100, 0));
    QCOMPARE(dialog.light().colour, 0x00C86400);

    child<QSpinBox>(dialog, "radius")->setValue(500);
    child<QCheckBox>(dialog, "selectedOnly")->click();
    child<QCheckBox>(dialog, "allowTypeChange")->click();
    dialog.show();
    okButton(dialog)->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const model::PointLight light = dialog.light();
    QCOMPARE(light.radius, 500u);
    QVERIFY(light.selectedOnly && !light.allowTypeChange);
}

void MaterialDialogTest::lightingRadiusRange() {
    StaticLightingDialog dialog;
    auto* radius = child<QSpinBox>(dialog, "radius");
    radius->setValue(40000);
    QCOMPARE(dialog.light().radius, model::kMaxLightRadius);
    radius->setValue(-1);
    QCOMPARE(dialog.light().radius, 0u);

    // Typed: digits past the range and a minus sign are not taken.
    dialog.show();
    radius->setFocus();
    radius->selectAll();
    QTest::keyClicks(radius, QStringLiteral("99999"));
    QVERIFY(dialog.light().radius <= model::kMaxLightRadius);
    radius->selectAll();
    QTest::keyClicks(radius, QStringLiteral("-250"));
    QCOMPARE(dialog.light().radius, 250u);
}

QTEST_MAIN(MaterialDialogTest)
#include "material_dialog_test.moc"
