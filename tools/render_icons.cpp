// Renders the application icon into a hicolor icon theme tree for installation:
//   render_icons OUTDIR NAME  writes OUTDIR/hicolor/scalable/apps/NAME.svg and
//   OUTDIR/hicolor/SIZExSIZE/apps/NAME.png for every size the desktop asks for.
// The pictures come from the same painting code as the window icon (ui/widgets/WindowStyle.cpp).

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

#include "ui/chart/SvgPaintDevice.h"
#include "ui/widgets/WindowStyle.h"

namespace {

constexpr int kPngSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

bool MakeFolder(const QString& path) {
    if (!QDir().mkpath(path)) {
        std::fprintf(stderr, "render_icons: cannot create %s\n", qPrintable(path));
        return false;
    }
    return true;
}

bool RenderPng(const QString& folder, const QString& name, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 32.0, size / 32.0);
        runwell::ui::PaintAppIcon(painter);
    }
    const QString file = folder + "/" + name + ".png";
    if (!image.save(file, "PNG")) {
        std::fprintf(stderr, "render_icons: cannot write %s\n", qPrintable(file));
        return false;
    }
    return true;
}

bool RenderSvg(const QString& folder, const QString& name) {
    const QString file = folder + "/" + name + ".svg";
    QFile output(file);
    runwell::ui::SvgPaintDevice svg(&output, QSize(32, 32), QStringLiteral("Runwell"));
    QPainter painter;
    if (!output.open(QIODevice::WriteOnly) || !painter.begin(&svg)) {
        std::fprintf(stderr, "render_icons: cannot write %s\n", qPrintable(file));
        return false;
    }
    runwell::ui::PaintAppIcon(painter);
    return painter.end() && output.flush();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "Usage: render_icons OUTDIR NAME\n");
        return 2;
    }
    // A build step: no display is needed or wanted.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString root = QString::fromLocal8Bit(argv[1]) + "/hicolor";
    const QString name = QString::fromLocal8Bit(argv[2]);

    const QString scalable = root + "/scalable/apps";
    if (!MakeFolder(scalable) || !RenderSvg(scalable, name)) {
        return 1;
    }
    for (const int size : kPngSizes) {
        const QString folder = root + QStringLiteral("/%1x%1/apps").arg(size);
        if (!MakeFolder(folder) || !RenderPng(folder, name, size)) {
            return 1;
        }
    }
    return 0;
}
