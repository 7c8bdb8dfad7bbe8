// The OpenGL device and pane surface, drawn in a virtual X server with Mesa and compared with
// the software device drawing the same calls.
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QtTest>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#if defined(__GLIBC__)
#include <dlfcn.h>
#include <link.h>
#endif

#include "app/document.h"
#include "render/software_device.h"
#include "ui/gl_device.h"
#include "ui/gl_surface.h"
#include "ui/software_surface.h"

using namespace kestrel;
using render::RenderDevice;
using render::ScreenVertex;

namespace {

using Scene = std::function<void(RenderDevice&)>;
constexpr std::uint32_t kOutside = 0xFFFF00FF;  // the framebuffer around the device's picture

ScreenVertex vertex(float x, float y, std::uint32_t colour, float z = 0.5f, float u = 0, float v = 0) {
    return {x, y, z, 1, colour, 0, u, v};
}

// Two triangles, corners clockwise from the top left.
std::vector<ScreenVertex> quad(float left, float top, float right, float bottom, std::uint32_t colour, float z = 0.5f,
                               float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1) {
    const ScreenVertex a = vertex(left, top, colour, z, u0, v0), b = vertex(right, top, colour, z, u1, v0),
                       c = vertex(right, bottom, colour, z, u1, v1), d = vertex(left, bottom, colour, z, u0, v1);
    return {a, b, c, a, c, d};
}

// How far two pictures agree, within a tolerance per channel.
struct Agreement {
    double all = 0;        // share of all pixels
    double drawn = 0;      // share of the pixels either picture drew on (not background)
    int coverageDiff = 0;  // pixels drawn on in one picture and background in the other
    int worst = 0;         // the largest channel difference
};

Agreement compare(const QImage& gl, const std::vector<std::uint32_t>& software, std::uint32_t background,
                  int tolerance) {
    Agreement result;
    long within = 0, drawn = 0, drawnWithin = 0;
    for (int y = 0; y < gl.height(); ++y) {
        for (int x = 0; x < gl.width(); ++x) {
            const std::uint32_t a = gl.pixel(x, y), b = software[static_cast<std::size_t>(y * gl.width() + x)];
            int difference = 0;
            for (int shift = 0; shift < 24; shift += 8)
                difference = std::max(difference, std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)));
            result.worst = std::max(result.worst, difference);
            const bool close = difference <= tolerance;
            const bool drawnA = (a & 0xFFFFFF) != background, drawnB = (b & 0xFFFFFF) != background;
            within += close;
            drawn += drawnA || drawnB;
            drawnWithin += (drawnA || drawnB) && close;
            result.coverageDiff += drawnA != drawnB;
        }
    }
    result.all = static_cast<double>(within) / (gl.width() * gl.height());
    result.drawn = drawn ? static_cast<double>(drawnWithin) / static_cast<double>(drawn) : 1.0;
    return result;
}

QByteArray describe(const Agreement& a) {
    return QStringLiteral("all %1%, drawn %2%, coverage differs at %3 pixels, worst channel difference %4")
        .arg(a.all * 100, 0, 'f', 3)
        .arg(a.drawn * 100, 0, 'f', 3)
        .arg(a.coverageDiff)
        .arg(a.worst)
        .toUtf8();
}

std::vector<std::uint32_t> drawInSoftware(int w, int h, const Scene& scene) {
    render::SoftwareDevice device(w, h);
    scene(device);
    return device.pixels();
}

// Mesa unloads its driver when the display closes, before the leak checker runs, which then
// cannot name the driver for the suppressions of what it keeps for the life of the process.
void keepDriversLoaded() {
#if defined(__GLIBC__)
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void*) {
            if (info->dlpi_name && std::strstr(info->dlpi_name, "_dri.so"))
                dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
#endif
}

}  // namespace

Q_DECLARE_METATYPE(Scene)

class GlDeviceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase() { keepDriversLoaded(); }
    void probeAndCreation();
    void primitivesMatchSoftware_data();
    void primitivesMatchSoftware();
    void modelMatchesSoftware_data();
    void modelMatchesSoftware();
    void surfaceShowsTheModel();

private:
    // Draws with a new device into a framebuffer larger than the picture, the rest filled with
    // kOutside, which must stay; returns the picture's corner, or null on any failure.
    QImage drawInOpenGl(int w, int h, const Scene& scene);
    ui::PaneScene robot(render::DisplayMode mode, QSize size);

    QOpenGLContext context_;
    QOffscreenSurface surface_;
    app::Document document_;
};

void GlDeviceTest::initTestCase() {
    QVERIFY(context_.create());
    surface_.setFormat(context_.format());
    surface_.create();
    QVERIFY(surface_.isValid());
    const QByteArray root = qgetenv("KESTREL_SOURCE_DIR");
    const std::string path = (root.isEmpty() ? std::string(".") : root.toStdString()) + "/data/samples/robot.rsd";
    QVERIFY2(document_.openFile(path).has_value(), path.c_str());
}

QImage GlDeviceTest::drawInOpenGl(int w, int h, const Scene& scene) {
    if (!context_.makeCurrent(&surface_)) return {};
    const int fw = w + 24, fh = h + 24;
    QOpenGLFramebufferObject framebuffer(fw, fh, QOpenGLFramebufferObject::CombinedDepthStencil);
    if (!framebuffer.bind()) return {};
    QOpenGLFunctions* gl = context_.functions();
    gl->glViewport(0, 0, fw, fh);
    gl->glClearColor(1, 0, 1, 1);
    gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (auto device = ui::GlDevice::create()) {
        (*device)->resize(w, h, fh);
        scene(**device);
        (*device)->present();
    } else {
        qWarning("%s", device.error().c_str());
        return {};
    }
    const QImage full = framebuffer.toImage().convertToFormat(QImage::Format_ARGB32);
    // Outside the picture nothing is drawn, not even the clear; inside every pixel is opaque.
    for (int y = 0; y < fh; ++y)
        for (int x = 0; x < fw; ++x)
            if (x < w && y < h ? full.pixel(x, y) >> 24 != 0xFF : full.pixel(x, y) != kOutside) return {};
    return full.copy(0, 0, w, h);
}

ui::PaneScene GlDeviceTest::robot(render::DisplayMode mode, QSize size) {
    ui::PaneScene pane;
    pane.document = &document_;
    pane.background = 0x303850;
    pane.view.mode = mode;
    pane.view.rotateY(0.7);
    pane.view.scaleToFit(document_.model(), size.width(), size.height());
    return pane;
}

void GlDeviceTest::probeAndCreation() {
    // The probe names the renderer and leaves the current context as it found it.
    QVERIFY(context_.makeCurrent(&surface_));
    const auto name = ui::probeOpenGl();
    QVERIFY(name && name->starts_with("OpenGL ") && name->size() > 7);
    QCOMPARE(QOpenGLContext::currentContext(), &context_);
    qInfo("%s", name->c_str());
    // Textures the card cannot take as they are get no handle.
    auto device = ui::GlDevice::create();
    QVERIFY(device.has_value());
    const auto make = [&](int size, std::size_t texels) {
        return (*device)->createTexture({size, size, size, 8, std::vector<std::uint32_t>(texels)});
    };
    QCOMPARE(make(3, 9), 0);
    QCOMPARE(make(4, 15), 0);
    QCOMPARE(make(0, 0), 0);
    QCOMPARE(make(1 << 16, 0), 0);  // beyond what the card holds; no texels are read
    QVERIFY(make(4, 16) != 0);
    device = std::unexpected(std::string());  // released with the context current
    // Without a current context the device says why it cannot be made.
    context_.doneCurrent();
    device = ui::GlDevice::create();
    QVERIFY(!device && !device.error().empty());
}

void GlDeviceTest::primitivesMatchSoftware_data() {
    QTest::addColumn<Scene>("scene");
    // Red near, then green farther over it: the depth test keeps red. Blue reaches in front of
    // z = 0 and must not be cut there; yellow reaches beyond z = 1 and shows only short of it.
    // With the test off the depth is still written: cyan hides the later magenta.
    QTest::newRow("depth") << Scene([](RenderDevice& d) {
        d.setBackground(0x102030);
        d.clear(true, true);
        d.setStates({});
        const ScreenVertex triangles[] = {
            vertex(10, 10, 0xFFFF0000, 0.3f),  vertex(150, 30, 0xFFFF0000, 0.3f),  vertex(40, 110, 0xFFFF0000, 0.3f),
            vertex(30, 20, 0xFF00FF00, 0.6f),  vertex(170, 100, 0xFF00FF00, 0.6f), vertex(20, 90, 0xFF00FF00, 0.6f),
            vertex(100, 5, 0xFF0000FF, -0.5f), vertex(140, 115, 0xFF0000FF, 0.4f), vertex(60, 115, 0xFF0000FF, -0.2f),
            vertex(120, 60, 0xFFFFFF00, 0.8f), vertex(175, 60, 0xFFFFFF00, 1.6f),  vertex(175, 118, 0xFFFFFF00, 0.9f)};
        d.drawTriangles(triangles);
        d.setStates({false, true});
        d.drawTriangles(quad(5, 100, 50, 118, 0xFF00FFFF, 0.2f));
        d.setStates({});
        d.drawTriangles(quad(0, 95, 60, 120, 0xFFFF00FF, 0.25f));
    });
    // A translucent, shaded triangle over an opaque quad and over the background.
    QTest::newRow("translucent") << Scene([](RenderDevice& d) {
        d.clear(true, true);
        d.setStates({});
        d.drawTriangles(quad(20, 20, 120, 100, 0xFF2080E0));
        d.setStates({false, false, render::Blend::SourceAlpha});
        const ScreenVertex glass[] = {vertex(60.25f, 4.5f, 0x60FF4000), vertex(178.75f, 70, 0x60FFC000),
                                      vertex(30.5f, 116, 0xA000FF80)};
        d.drawTriangles(glass);
    });
    // An 8×8 texture of distinct texels: modulated, repeated (coordinates 3..4), and
    // translucent with the vertex's alpha; released or unknown, the texture is not drawn.
    QTest::newRow("textured") << Scene([](RenderDevice& d) {
        render::TextureImage image{8, 8, 8, 8, {}};
        for (std::uint32_t y = 0; y < 8; ++y)
            for (std::uint32_t x = 0; x < 8; ++x)
                image.texels.push_back((x + y) % 3 == 0 ? 0x40FFFFFF : 0xFF000030 | x << 21 | y << 13);
        const auto texture = d.createTexture(image);
        d.setBackground(0x204020);
        d.clear(true, true);
        d.setStates({});
        d.selectTexture(texture);
        d.drawTriangles(quad(0, 0, 64, 64, 0xFFFFFFFF));
        d.drawTriangles(quad(64, 0, 128, 64, 0xFFFF8040, 0.5f, 3, 3, 4, 4));
        d.setStates({false, false, render::Blend::SourceAlpha, render::TextureBlend::ModulateAlpha});
        d.drawTriangles(quad(16, 56, 112, 120, 0x80FFFFFF, 0.5f, 0, 0, 1.5f, 1));
        d.releaseTexture(texture);
        d.drawTriangles(quad(130, 70, 170, 110, 0x80FFFFFF));
        d.selectTexture(12345);
        d.drawTriangles(quad(130, 10, 170, 50, 0x80FFFFFF));
    });
    // Edges through pixel centres: the centres on a shared edge go to the triangle below or to
    // the right of it; those on a top or left edge are drawn, on a bottom or right edge not.
    QTest::newRow("edges through centres") << Scene([](RenderDevice& d) {
        d.clear(true, true);
        d.setStates({false, false});
        d.drawTriangles(quad(2.5f, 2.5f, 40.5f, 30.5f, 0xFFFFFFFF));
        d.drawTriangles(quad(2.5f, 30.5f, 40.5f, 60.5f, 0xFF0000FF));
        d.drawTriangles(quad(40.5f, 2.5f, 80.5f, 60.5f, 0xFF00FF00));
        const ScreenVertex halves[] = {vertex(90.5f, 10.5f, 0xFFFF0000),  vertex(150.5f, 70.5f, 0xFFFF0000),
                                       vertex(90.5f, 70.5f, 0xFFFF0000),  vertex(90.5f, 10.5f, 0xFFFFFF00),
                                       vertex(150.5f, 10.5f, 0xFFFFFF00), vertex(150.5f, 70.5f, 0xFFFFFF00)};
        d.drawTriangles(halves);
    });
    // Shaded lines every way from a centre, in front of and behind a triangle; lines with ends
    // on whole and half pixels and the picture's edges, translucent; lines reaching far beyond.
    QTest::newRow("lines") << Scene([](RenderDevice& d) {
        d.clear(true, true);
        d.setStates({});
        d.drawTriangles(
            std::vector{vertex(50, 20, 0xFF404040), vertex(130, 40, 0xFF404040), vertex(70, 110, 0xFF404040)});
        std::vector<ScreenVertex> lines;
        for (int i = 0; i < 36; ++i) {
            const float length = i % 2 ? 50.0f : 37.3f, angle = static_cast<float>(i) * 0.1745f;
            lines.push_back(vertex(80.5f, 60.5f, 0xFF000000u | 0x1F3D5Bu * static_cast<unsigned>(i), 0.1f + 0.01f * i));
            lines.push_back(vertex(80.5f + length * std::cos(angle), 60.5f + length * std::sin(angle), 0xFFFFFFFF,
                                   0.9f - 0.02f * i));
        }
        d.drawLines(lines);
        lines.clear();
        for (int i = 0; i < 12; ++i) {
            const float f = static_cast<float>(i);
            for (const auto& [x, y] : {std::pair(0.0f, 4 + 9 * f),
                                       {178.0f, 4 + 9 * f + (i % 3) * 0.5f},
                                       {5 + 14 * f + 0.5f * (i % 2), 119.0f},
                                       {5 + 14 * f, 0.0f},
                                       {10 * f, 10 * f},
                                       {10 * f + 7, 10 * f + 3}})
                lines.push_back(vertex(x, y, 0x90000000u | 0x2A6B1Fu * static_cast<unsigned>(i + 1)));
        }
        d.setStates({false, false, render::Blend::SourceAlpha});
        d.drawLines(lines);
        const ScreenVertex far[] = {vertex(-1e6f, -3e5f, 0xFFFF0000), vertex(1e6f, 4e5f, 0xFF00FF00),
                                    vertex(90, 60, 0xFFFFFFFF),       vertex(2e7f, 61, 0xFF0000FF),
                                    vertex(45, -1e30f, 0xFFFF8000),   vertex(47, 1e30f, 0xFF8000FF)};
        d.setStates({false, false});
        d.drawLines(far);
    });
}

void GlDeviceTest::primitivesMatchSoftware() {
    QFETCH(Scene, scene);
    const QImage gl = drawInOpenGl(180, 120, scene);
    QVERIFY(!gl.isNull());
    const auto software = drawInSoftware(180, 120, scene);
    const Agreement agreement = compare(gl, software, software[0] & 0xFFFFFF, 2);
    qInfo("%s", describe(agreement).constData());
    // The same pixels, in colours within the rounding of a blend.
    QVERIFY2(agreement.coverageDiff == 0 && agreement.all == 1.0, describe(agreement));
}

void GlDeviceTest::modelMatchesSoftware_data() {
    QTest::addColumn<bool>("textured");
    QTest::newRow("textured") << true;
    QTest::newRow("wireframe, grid and vertices") << false;
}

void GlDeviceTest::modelMatchesSoftware() {
    QFETCH(bool, textured);
    ui::PaneScene pane = robot(textured ? render::DisplayMode::Textured : render::DisplayMode::Wireframe, {320, 240});
    pane.active = true;
    pane.view.rotateX(-0.35);
    pane.view.showGrid = pane.view.showVertices = !textured;
    const Scene scene = [&](RenderDevice& d) {
        ui::DeviceTextures textures;
        ui::drawScene(d, pane, textures.refresh(d, document_.textureSlots()));
    };
    const QImage gl = drawInOpenGl(320, 240, scene);
    QVERIFY(!gl.isNull());
    const Agreement agreement = compare(gl, drawInSoftware(320, 240, scene), pane.background, 4);
    qInfo("%s", describe(agreement).constData());
    // Only where lines lie on one another does the depth's rounding pick another one; a
    // picture upside down, in the wrong channel order, without its texture or with the wrong
    // faces in front differs on far more.
    QVERIFY2(agreement.all >= 0.99 && agreement.drawn >= 0.97, describe(agreement));
}

void GlDeviceTest::surfaceShowsTheModel() {
    context_.doneCurrent();
    ui::PaneScene pane = robot(render::DisplayMode::Textured, {300, 200});
    pane.maxViewport = {300, 200};  // smaller than the widget: the rest is background
    auto window = std::make_unique<QWidget>();
    auto* surface = new ui::GlSurface(pane, window.get());
    QVERIFY(surface->picture().isNull());  // nothing drawn yet
    surface->resize(340, 230);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QTRY_VERIFY(!surface->deviceName().empty());
    QVERIFY2(surface->failure().empty() && surface->deviceName().starts_with("OpenGL "), surface->failure().c_str());
    const QImage picture = surface->picture();
    QCOMPARE(picture.size(), QSize(300, 200));
    const QImage whole = surface->grabFramebuffer();
    QCOMPARE(whole.pixel(320, 100) & 0xFFFFFF, pane.background);
    QCOMPARE(whole.pixel(100, 215) & 0xFFFFFF, pane.background);

    // The software pane shows the same picture, the model filling much of it.
    ui::SoftwareSurface software(pane);
    software.resize(340, 230);
    software.show();
    QVERIFY(QTest::qWaitForWindowExposed(&software));
    QTRY_VERIFY(!software.picture().isNull());
    const QImage expected = software.picture();
    const auto* bits = reinterpret_cast<const std::uint32_t*>(expected.constBits());
    const Agreement agreement = compare(picture, {bits, bits + 300 * 200}, pane.background, 4);
    qInfo("%s", describe(agreement).constData());
    QVERIFY2(agreement.all >= 0.99 && agreement.drawn >= 0.97, describe(agreement));
    int model = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) model += (picture.pixel(x, y) & 0xFFFFFF) != pane.background;
    QVERIFY2(model > 300 * 200 / 10, QByteArray::number(model));

    // Moving the widget to another window destroys its context: the device and textures go
    // with it and are made again in the new one.
    QWidget second;
    surface->setParent(&second);
    surface->show();
    second.show();
    QVERIFY(QTest::qWaitForWindowExposed(&second));
    window.reset();
    QTRY_VERIFY(!surface->deviceName().empty());
    QCOMPARE(surface->picture(), picture);
    surface->reloadTextures();
    QCOMPARE(surface->picture(), picture);
}

QTEST_MAIN(GlDeviceTest)
#include "gl_device_test.moc"
