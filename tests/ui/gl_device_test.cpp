// The OpenGL device and pane surface, drawn in a virtual X server with Mesa and compared with
// the software device drawing the same calls: the same pixels, but for the edges and roundings
// where OpenGL allows no better.
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
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
using render::RenderStates;
using render::ScreenVertex;

namespace {

using Scene = std::function<void(RenderDevice&)>;

constexpr std::uint32_t kOutside = 0xFFFF00FF;  // the framebuffer around the device's picture

ScreenVertex vertex(float x, float y, std::uint32_t colour, float z = 0.5f, float u = 0, float v = 0) {
    return {x, y, z, 1, colour, 0, u, v};
}

// A quad as two triangles, corners clockwise from the top left.
std::vector<ScreenVertex> quad(float left, float top, float right, float bottom, std::uint32_t colour, float z = 0.5f,
                               float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1) {
    const ScreenVertex a = vertex(left, top, colour, z, u0, v0), b = vertex(right, top, colour, z, u1, v0),
                       c = vertex(right, bottom, colour, z, u1, v1), d = vertex(left, bottom, colour, z, u0, v1);
    return {a, b, c, a, c, d};
}

int channelDifference(std::uint32_t a, std::uint32_t b) {
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8)
        worst = std::max(worst, std::abs(static_cast<int>(a >> shift & 0xFF) - static_cast<int>(b >> shift & 0xFF)));
    return worst;
}

// How far two pictures of the same size agree.
struct Agreement {
    double all = 0;        // share of all pixels within the tolerance
    double drawn = 0;      // the same among the pixels either picture drew on (not background)
    int coverageDiff = 0;  // pixels drawn on in one picture and background in the other
    int worst = 0;         // the largest channel difference anywhere
};

Agreement compare(const QImage& gl, const std::vector<std::uint32_t>& software, std::uint32_t background,
                  int tolerance) {
    Agreement result;
    long within = 0, drawn = 0, drawnWithin = 0;
    const int w = gl.width(), h = gl.height();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::uint32_t a = gl.pixel(x, y) | 0xFF000000u;
            const std::uint32_t b = software[static_cast<std::size_t>(y * w + x)];
            const int difference = channelDifference(a, b);
            result.worst = std::max(result.worst, difference);
            const bool close = difference <= tolerance;
            within += close;
            const bool drawnA = (a & 0xFFFFFF) != background, drawnB = (b & 0xFFFFFF) != background;
            if (drawnA || drawnB) {
                ++drawn;
                drawnWithin += close;
            }
            result.coverageDiff += drawnA != drawnB;
        }
    }
    result.all = static_cast<double>(within) / (w * h);
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

std::uint32_t at(const std::vector<std::uint32_t>& pixels, int width, int x, int y) {
    return pixels[static_cast<std::size_t>(y * width + x)];
}

// Mesa unloads its driver when the display closes, before the leak checker runs, which then
// cannot name the driver for the suppressions of what it keeps for the life of the process.
// Holding it open keeps it named.
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

std::vector<std::uint32_t> drawInSoftware(int w, int h, const Scene& scene) {
    render::SoftwareDevice device(w, h);
    scene(device);
    device.present();
    return device.pixels();
}

}  // namespace

class GlDeviceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void probeNamesTheRenderer();
    void creationWithoutContextFails();
    void primitivesMatchSoftware_data();
    void primitivesMatchSoftware();
    void linesCoverTheSamePixels_data();
    void linesCoverTheSamePixels();
    void modelMatchesSoftware_data();
    void modelMatchesSoftware();
    void texturesThatCannotBeMadeDrawUntextured();
    void surfaceShowsTheModel();
    void surfaceDrawsAgainInANewContext();

private:
    // Draws with a new OpenGL device into a framebuffer larger than the picture (the rest
    // filled with kOutside, which must stay), returning the picture's corner.
    QImage drawInOpenGl(int w, int h, const Scene& scene);

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
    const auto opened = document_.openFile(path);
    QVERIFY2(opened.has_value(), path.c_str());
    QVERIFY(!document_.model().polygons.empty());
}

void GlDeviceTest::cleanupTestCase() {
    context_.doneCurrent();
    keepDriversLoaded();
}

QImage GlDeviceTest::drawInOpenGl(int w, int h, const Scene& scene) {
    if (!context_.makeCurrent(&surface_)) return {};
    constexpr int kMargin = 24;
    QOpenGLFramebufferObjectFormat format;
    format.setAttachment(QOpenGLFramebufferObject::CombinedDepthStencil);
    QOpenGLFramebufferObject framebuffer(w + kMargin, h + kMargin, format);
    if (!framebuffer.bind()) return {};
    QOpenGLFunctions* gl = context_.functions();
    gl->glViewport(0, 0, w + kMargin, h + kMargin);
    gl->glClearColor(1, 0, 1, 1);
    gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    {
        auto device = ui::GlDevice::create();
        if (!device) {
            qWarning("%s", device.error().c_str());
            return {};
        }
        (*device)->resize(w, h, h + kMargin);
        scene(**device);
        (*device)->present();
    }
    const QImage full = framebuffer.toImage().convertToFormat(QImage::Format_ARGB32);
    framebuffer.release();
    // Around the picture nothing is drawn, not even the clear; in it every pixel is opaque.
    for (int y = 0; y < full.height(); ++y) {
        for (int x = 0; x < full.width(); ++x) {
            const std::uint32_t pixel = full.pixel(x, y);
            const bool inside = x < w && y < h;
            if (inside ? pixel >> 24 != 0xFF : pixel != kOutside) {
                qWarning("pixel %d,%d is %08x", x, y, pixel);
                return {};
            }
        }
    }
    return full.copy(0, 0, w, h);
}

void GlDeviceTest::probeNamesTheRenderer() {
    const auto name = ui::probeOpenGl();
    QVERIFY(name.has_value());
    QVERIFY2(name->starts_with("OpenGL ") && name->size() > 7, name->c_str());
    qInfo("%s", name->c_str());
    // The probe leaves the current context as it found it.
    QVERIFY(context_.makeCurrent(&surface_));
    QVERIFY(ui::probeOpenGl().has_value());
    QCOMPARE(QOpenGLContext::currentContext(), &context_);
}

void GlDeviceTest::creationWithoutContextFails() {
    context_.doneCurrent();
    const auto device = ui::GlDevice::create();
    QVERIFY(!device.has_value());
    QVERIFY(!device.error().empty());
}

void GlDeviceTest::primitivesMatchSoftware_data() {
    QTest::addColumn<Scene>("scene");
    QTest::addColumn<QPoint>("probe");  // an interior pixel that must match exactly

    // Red near, then green farther over it: the depth test keeps red. Blue reaches in front of
    // z = 0 and must not be cut there; yellow reaches beyond z = 1 and is kept only short of it.
    QTest::newRow("depth") << Scene([](RenderDevice& d) {
        d.setBackground(0x102030);
        d.clear(true, true);
        d.setStates({});
        const ScreenVertex red[] = {vertex(10, 10, 0xFFFF0000, 0.3f), vertex(150, 30, 0xFFFF0000, 0.3f),
                                    vertex(40, 110, 0xFFFF0000, 0.3f)};
        const ScreenVertex green[] = {vertex(30, 20, 0xFF00FF00, 0.6f), vertex(170, 100, 0xFF00FF00, 0.6f),
                                      vertex(20, 90, 0xFF00FF00, 0.6f)};
        const ScreenVertex blue[] = {vertex(100, 5, 0xFF0000FF, -0.5f), vertex(140, 115, 0xFF0000FF, 0.4f),
                                     vertex(60, 115, 0xFF0000FF, -0.2f)};
        const ScreenVertex yellow[] = {vertex(120, 60, 0xFFFFFF00, 0.8f), vertex(175, 60, 0xFFFFFF00, 1.6f),
                                       vertex(175, 118, 0xFFFFFF00, 0.9f)};
        d.drawTriangles(red);
        d.drawTriangles(green);
        d.drawTriangles(blue);
        d.drawTriangles(yellow);
        // With the test off the depth is still written: cyan hides the later magenta.
        d.setStates({false, true});
        d.drawTriangles(quad(5, 100, 50, 118, 0xFF00FFFF, 0.2f));
        d.setStates({});
        d.drawTriangles(quad(0, 95, 60, 120, 0xFFFF00FF, 0.25f));
    }) << QPoint(30, 30);

    // A translucent, shaded triangle over an opaque quad and over the background.
    QTest::newRow("translucent") << Scene([](RenderDevice& d) {
        d.setBackground(0x000000);
        d.clear(true, true);
        d.setStates({});
        d.drawTriangles(quad(20, 20, 120, 100, 0xFF2080E0));
        d.setStates({false, false, render::Blend::SourceAlpha});
        const ScreenVertex glass[] = {vertex(60.25f, 4.5f, 0x60FF4000), vertex(178.75f, 70, 0x60FFC000),
                                      vertex(30.5f, 116, 0xA000FF80)};
        d.drawTriangles(glass);
    }) << QPoint(40, 60);

    // An 8×8 texture of distinct texels on quads: modulated, repeated (coordinates 3..4), and
    // translucent with the vertex's alpha.
    QTest::newRow("textured") << Scene([](RenderDevice& d) {
        render::TextureImage image;
        image.size = 8;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                image.texels.push_back((x + y) % 3 == 0 ? 0x40FFFFFF
                                                        : 0xFF000000u | static_cast<std::uint32_t>(x * 32) << 16 |
                                                              static_cast<std::uint32_t>(y * 32) << 8 | 0x30);
        const auto texture = d.createTexture(image);
        d.setBackground(0x204020);
        d.clear(true, true);
        d.setStates({});
        d.selectTexture(texture);
        d.drawTriangles(quad(0, 0, 64, 64, 0xFFFFFFFF));
        d.drawTriangles(quad(64, 0, 128, 64, 0xFFFF8040, 0.5f, 3, 3, 4, 4));
        d.setStates({false, false, render::Blend::SourceAlpha, render::TextureBlend::ModulateAlpha});
        d.drawTriangles(quad(16, 56, 112, 120, 0x80FFFFFF, 0.5f, 0, 0, 1.5f, 1));
        d.selectTexture(0);
        d.releaseTexture(texture);
    }) << QPoint(20, 12);

    // Edges through pixel centres: the centres on a shared edge go to the triangle below or
    // to the right of it, those on a top or left edge are drawn and those on a bottom or right
    // edge are not.
    QTest::newRow("edges through centres") << Scene([](RenderDevice& d) {
        d.setBackground(0);
        d.clear(true, true);
        d.setStates({false, false});
        d.drawTriangles(quad(2.5f, 2.5f, 40.5f, 30.5f, 0xFFFFFFFF));
        d.drawTriangles(quad(2.5f, 30.5f, 40.5f, 60.5f, 0xFF0000FF));
        d.drawTriangles(quad(40.5f, 2.5f, 80.5f, 60.5f, 0xFF00FF00));
        const ScreenVertex halves[] = {vertex(90.5f, 10.5f, 0xFFFF0000), vertex(150.5f, 70.5f, 0xFFFF0000),
                                       vertex(90.5f, 70.5f, 0xFFFF0000),  vertex(90.5f, 10.5f, 0xFFFFFF00),
                                       vertex(150.5f, 10.5f, 0xFFFFFF00), vertex(150.5f, 70.5f, 0xFFFFFF00)};
        d.drawTriangles(halves);
    }) << QPoint(2, 2);
}

void GlDeviceTest::primitivesMatchSoftware() {
    QFETCH(Scene, scene);
    QFETCH(QPoint, probe);
    constexpr int w = 180, h = 120;
    const QImage gl = drawInOpenGl(w, h, scene);
    QVERIFY(!gl.isNull());
    const auto software = drawInSoftware(w, h, scene);
    const Agreement agreement = compare(gl, software, software[0] & 0xFFFFFF, 2);
    qInfo("%s", describe(agreement).constData());
    QCOMPARE(gl.pixel(probe) | 0xFF000000u, at(software, w, probe.x(), probe.y()));
    QVERIFY2(agreement.coverageDiff == 0 && agreement.all == 1.0, describe(agreement));
}

void GlDeviceTest::linesCoverTheSamePixels_data() {
    QTest::addColumn<std::vector<ScreenVertex>>("lines");
    QTest::addColumn<RenderStates>("states");
    std::vector<ScreenVertex> star;
    const std::uint32_t colours[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFFFF8000, 0xFF00FFFF};
    for (int i = 0; i < 36; ++i) {
        const double angle = i * 0.1745;
        const float length = i % 2 ? 50.0f : 37.3f;
        star.push_back(vertex(80.5f, 60.5f, colours[i % 6], 0.2f));
        star.push_back(vertex(80.5f + length * static_cast<float>(std::cos(angle)),
                              60.5f + length * static_cast<float>(std::sin(angle)), colours[(i + 1) % 6], 0.8f));
    }
    QTest::newRow("star") << star << RenderStates{};
    // Ends on whole and half pixels, the edges of the picture, both ways along each axis.
    std::vector<ScreenVertex> grid;
    for (int i = 0; i < 12; ++i) {
        const float f = static_cast<float>(i);
        grid.push_back(vertex(0, 4 + 9 * f, 0xFFFF0000));
        grid.push_back(vertex(178, 4 + 9 * f + (i % 3) * 0.5f, 0xFF00FF00));
        grid.push_back(vertex(5 + 14 * f + 0.5f * (i % 2), 119, 0xFF0000FF));
        grid.push_back(vertex(5 + 14 * f, 0, 0xFFFFFF00));
        grid.push_back(vertex(10 * f, 10 * f, 0xFFFFFFFF));
        grid.push_back(vertex(10 * f + 7, 10 * f + 3, 0xFF808080));
    }
    QTest::newRow("grid") << grid << RenderStates{false, false};
    // Far beyond the picture at one or both ends.
    const std::vector<ScreenVertex> far = {
        vertex(-1e6f, -3e5f, 0xFFFF0000), vertex(1e6f, 4e5f, 0xFF00FF00),  vertex(90, 60, 0xFFFFFFFF),
        vertex(2e7f, 61, 0xFF0000FF),     vertex(-5000, 130, 0xFFFFFFFF), vertex(200, -10, 0xFF00FFFF),
        vertex(45, -1e30f, 0xFFFF8000),   vertex(47, 1e30f, 0xFF8000FF)};
    QTest::newRow("far") << far << RenderStates{false, false};
    // Lines in front of, behind and through a triangle, and translucent.
    std::vector<ScreenVertex> depth = star;
    for (std::size_t i = 0; i < depth.size(); ++i) depth[i].z = i % 4 < 2 ? 0.1f + 0.001f * i : 0.9f - 0.02f * i;
    QTest::newRow("depth") << depth << RenderStates{};
    std::vector<ScreenVertex> glass = star;
    for (auto& v : glass) v.colour = (v.colour & 0xFFFFFF) | 0x70000000;
    QTest::newRow("translucent") << glass << RenderStates{false, false, render::Blend::SourceAlpha};
}

void GlDeviceTest::linesCoverTheSamePixels() {
    QFETCH(std::vector<ScreenVertex>, lines);
    QFETCH(RenderStates, states);
    const Scene scene = [&](RenderDevice& d) {
        d.setBackground(0x000010);
        d.clear(true, true);
        d.setStates({});
        const ScreenVertex wall[] = {vertex(50, 20, 0xFF404040, 0.5f), vertex(130, 40, 0xFF404040, 0.5f),
                                     vertex(70, 110, 0xFF404040, 0.5f)};
        d.drawTriangles(wall);
        d.setStates(states);
        d.drawLines(lines);
    };
    constexpr int w = 180, h = 120;
    const QImage gl = drawInOpenGl(w, h, scene);
    QVERIFY(!gl.isNull());
    const auto software = drawInSoftware(w, h, scene);
    const Agreement agreement = compare(gl, software, 0x000010, 2);
    qInfo("%s", describe(agreement).constData());
    // The stepper is reproduced exactly: the same pixels, colours within rounding.
    QVERIFY2(agreement.coverageDiff == 0 && agreement.all == 1.0, describe(agreement));
}

void GlDeviceTest::modelMatchesSoftware_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("extras");
    QTest::newRow("textured") << static_cast<int>(render::DisplayMode::Textured) << false;
    QTest::newRow("wireframe, grid and vertices") << static_cast<int>(render::DisplayMode::Wireframe) << true;
}

void GlDeviceTest::modelMatchesSoftware() {
    QFETCH(int, mode);
    QFETCH(bool, extras);
    constexpr int w = 320, h = 240;
    ui::PaneScene pane;
    pane.document = &document_;
    pane.background = 0x303850;
    pane.active = true;
    pane.view.mode = static_cast<render::DisplayMode>(mode);
    pane.view.rotateY(0.7);
    pane.view.rotateX(-0.35);
    pane.view.scaleToFit(document_.model(), w, h);
    pane.view.showGrid = extras;
    pane.view.showVertices = extras;
    const Scene scene = [&](RenderDevice& d) {
        ui::DeviceTextures textures;
        ui::drawScene(d, pane, textures.refresh(d, document_.textureSlots()));
    };
    const QImage gl = drawInOpenGl(w, h, scene);
    QVERIFY(!gl.isNull());
    const auto software = drawInSoftware(w, h, scene);
    const Agreement agreement = compare(gl, software, pane.background, 4);
    qInfo("%s", describe(agreement).constData());
    // A picture upside down, in the wrong channel order, without its texture or with the
    // wrong faces in front differs on far more than the edges.
    QVERIFY2(agreement.all >= 0.99 && agreement.drawn >= 0.97, describe(agreement));
}

void GlDeviceTest::texturesThatCannotBeMadeDrawUntextured() {
    QVERIFY(context_.makeCurrent(&surface_));
    auto made = ui::GlDevice::create();
    QVERIFY(made.has_value());
    ui::GlDevice& device = **made;
    render::TextureImage image;
    image.size = 3;  // not a power of two
    image.texels.assign(9, 0xFFFFFFFF);
    QCOMPARE(device.createTexture(image), 0);
    image.size = 4;  // too few texels
    image.texels.assign(15, 0xFFFFFFFF);
    QCOMPARE(device.createTexture(image), 0);
    image.size = 0;
    image.texels.clear();
    QCOMPARE(device.createTexture(image), 0);
    image.size = 1 << 20;  // beyond what any card holds; no texels are read
    QCOMPARE(device.createTexture(image), 0);

    // A released handle, or one never made, draws untextured, as in software.
    const Scene scene = [](RenderDevice& d) {
        render::TextureImage red;
        red.size = 2;
        red.texels.assign(4, 0xFFFF0000);
        const auto texture = d.createTexture(red);
        d.releaseTexture(texture);
        d.setBackground(0);
        d.clear(true, true);
        d.setStates({});
        d.selectTexture(texture);
        d.drawTriangles(quad(4, 4, 40, 40, 0xFF00FF00));
        d.selectTexture(12345);
        d.drawTriangles(quad(44, 4, 80, 40, 0xFF0000FF));
    };
    const QImage gl = drawInOpenGl(84, 44, scene);
    QVERIFY(!gl.isNull());
    QCOMPARE(gl.pixel(20, 20) | 0xFF000000u, 0xFF00FF00u);
    QCOMPARE(gl.pixel(60, 20) | 0xFF000000u, 0xFF0000FFu);
    made = std::unexpected(std::string());  // released with the context current
}

void GlDeviceTest::surfaceShowsTheModel() {
    context_.doneCurrent();
    ui::PaneScene pane;
    pane.document = &document_;
    pane.background = 0x203040;
    pane.maxViewport = {300, 200};  // smaller than the widget: the rest is background
    pane.view.mode = render::DisplayMode::Textured;
    pane.view.rotateY(0.5);
    pane.view.scaleToFit(document_.model(), 300, 200);

    ui::GlSurface surface(pane);
    QVERIFY(surface.picture().isNull());  // nothing drawn yet
    surface.resize(340, 230);
    surface.show();
    QVERIFY(QTest::qWaitForWindowExposed(&surface));
    QTRY_VERIFY(!surface.deviceName().empty());
    QVERIFY2(surface.failure().empty(), surface.failure().c_str());
    QVERIFY(surface.deviceName().starts_with("OpenGL "));

    const QImage picture = surface.picture();
    QCOMPARE(picture.size(), QSize(300, 200));
    int model = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) model += (picture.pixel(x, y) & 0xFFFFFF) != pane.background;
    QVERIFY2(model > 300 * 200 / 20, QByteArray::number(model));
    const QImage whole = surface.grabFramebuffer();
    QCOMPARE(whole.pixel(320, 100) & 0xFFFFFF, pane.background);
    QCOMPARE(whole.pixel(100, 215) & 0xFFFFFF, pane.background);

    // The software pane shows the same picture.
    ui::SoftwareSurface software(pane);
    software.resize(340, 230);
    software.show();
    QVERIFY(QTest::qWaitForWindowExposed(&software));
    QTRY_VERIFY(!software.picture().isNull());
    const QImage expected = software.picture();
    QCOMPARE(expected.size(), picture.size());
    const auto* bits = reinterpret_cast<const std::uint32_t*>(expected.constBits());
    const Agreement agreement =
        compare(picture, std::vector<std::uint32_t>(bits, bits + 300 * 200), pane.background, 4);
    qInfo("%s", describe(agreement).constData());
    QVERIFY2(agreement.all >= 0.99 && agreement.drawn >= 0.97, describe(agreement));
}

void GlDeviceTest::surfaceDrawsAgainInANewContext() {
    ui::PaneScene pane;
    pane.document = &document_;
    pane.background = 0x102010;
    pane.view.mode = render::DisplayMode::Textured;
    pane.view.scaleToFit(document_.model(), 200, 150);

    // Moving the widget to another window destroys its context: the device and textures go
    // with it and are made again in the new one.
    auto first = std::make_unique<QWidget>();
    auto* surface = new ui::GlSurface(pane, first.get());
    surface->resize(200, 150);
    first->resize(220, 170);
    first->show();
    QVERIFY(QTest::qWaitForWindowExposed(first.get()));
    QTRY_VERIFY(!surface->deviceName().empty());
    const QImage before = surface->picture();
    QVERIFY(!before.isNull());

    QWidget second;
    second.resize(220, 170);
    surface->setParent(&second);
    surface->show();
    second.show();
    QVERIFY(QTest::qWaitForWindowExposed(&second));
    first.reset();
    QTRY_VERIFY(!surface->deviceName().empty());
    const QImage after = surface->picture();
    QCOMPARE(after, before);
    surface->reloadTextures();
    QCOMPARE(surface->picture(), before);
}

Q_DECLARE_METATYPE(Scene)
Q_DECLARE_METATYPE(std::vector<ScreenVertex>)
Q_DECLARE_METATYPE(RenderStates)

QTEST_MAIN(GlDeviceTest)
#include "gl_device_test.moc"
