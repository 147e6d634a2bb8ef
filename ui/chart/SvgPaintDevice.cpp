#include "ui/chart/SvgPaintDevice.h"

#include <QBuffer>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTextItem>
#include <QXmlStreamWriter>
#include <algorithm>
#include <climits>

namespace runwell::ui {
namespace {

constexpr int kDpi = 96;  // as an image's, so texts measure the same in both

QString Number(qreal value) {
    return QString::number(value, 'g', 7);
}

QString Points(const QPointF* points, int count) {
    QString text;
    for (int i = 0; i < count; ++i) {
        text += (i == 0 ? QString() : QStringLiteral(" ")) + Number(points[i].x()) + ',' +
                Number(points[i].y());
    }
    return text;
}

/// The path's outline; a subpath that ends where it starts is closed, so its corner is joined.
QString PathData(const QPainterPath& path) {
    QString data;
    QPointF start;
    const auto close = [&](int end) {
        if (end > 0 && QPointF(path.elementAt(end - 1)) == start &&
            path.elementAt(end - 1).type != QPainterPath::MoveToElement) {
            data += QStringLiteral("Z");
        }
    };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element& element = path.elementAt(i);
        switch (element.type) {
            case QPainterPath::MoveToElement:
                close(i);
                start = element;
                data += QStringLiteral("M");
                break;
            case QPainterPath::LineToElement:
                data += QStringLiteral("L");
                break;
            case QPainterPath::CurveToElement:
                data += QStringLiteral("C");
                break;
            case QPainterPath::CurveToDataElement:
                data += QStringLiteral(" ");
                break;
        }
        data += Number(element.x) + ',' + Number(element.y);
    }
    close(path.elementCount());
    return data;
}

}  // namespace

class SvgPaintEngine : public QPaintEngine {
public:
    SvgPaintEngine(QIODevice* output, QSize size, const QString& title)
        : QPaintEngine(PaintEngineFeatures(AllFeatures) & ~PatternBrush & ~PerspectiveTransform &
                       ~ConicalGradientFill & ~PorterDuff),
          output_(output),
          size_(size),
          title_(title) {}

    bool begin(QPaintDevice*) override {
        if (output_ == nullptr || !output_->isWritable()) {
            return false;
        }
        xml_.setDevice(output_);
        xml_.setAutoFormatting(true);
        xml_.writeStartDocument();
        xml_.writeStartElement(QStringLiteral("svg"));
        xml_.writeDefaultNamespace(QStringLiteral("http://www.w3.org/2000/svg"));
        xml_.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
        xml_.writeAttribute(QStringLiteral("width"), QString::number(size_.width()));
        xml_.writeAttribute(QStringLiteral("height"), QString::number(size_.height()));
        xml_.writeAttribute(QStringLiteral("viewBox"),
                            QStringLiteral("0 0 %1 %2").arg(size_.width()).arg(size_.height()));
        if (!title_.isEmpty()) {
            xml_.writeTextElement(QStringLiteral("title"), title_);
        }
        return !xml_.hasError();
    }

    bool end() override {
        xml_.writeEndElement();
        xml_.writeEndDocument();
        return !xml_.hasError();
    }

    // Every primitive reads the painter's state when it is drawn.
    void updateState(const QPaintEngineState&) override {}

    void drawRects(const QRectF* rects, int count) override {
        for (int i = 0; i < count; ++i) {
            Start(QStringLiteral("rect"), true);
            Attribute("x", rects[i].x());
            Attribute("y", rects[i].y());
            Attribute("width", rects[i].width());
            Attribute("height", rects[i].height());
            xml_.writeEndElement();
        }
    }

    void drawLines(const QLineF* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            Start(QStringLiteral("line"), false);
            Attribute("x1", lines[i].x1());
            Attribute("y1", lines[i].y1());
            Attribute("x2", lines[i].x2());
            Attribute("y2", lines[i].y2());
            xml_.writeEndElement();
        }
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        const bool polyline = mode == PolylineMode;
        Start(polyline ? QStringLiteral("polyline") : QStringLiteral("polygon"), !polyline);
        if (!polyline) {
            xml_.writeAttribute(QStringLiteral("fill-rule"), mode == OddEvenMode
                                                                 ? QStringLiteral("evenodd")
                                                                 : QStringLiteral("nonzero"));
        }
        xml_.writeAttribute(QStringLiteral("points"), Points(points, count));
        xml_.writeEndElement();
    }

    void drawPath(const QPainterPath& path) override {
        Start(QStringLiteral("path"), true);
        xml_.writeAttribute(QStringLiteral("fill-rule"), path.fillRule() == Qt::OddEvenFill
                                                             ? QStringLiteral("evenodd")
                                                             : QStringLiteral("nonzero"));
        xml_.writeAttribute(QStringLiteral("d"), PathData(path));
        xml_.writeEndElement();
    }

    void drawTextItem(const QPointF& at, const QTextItem& item) override {
        const QFont font = item.font();
        xml_.writeStartElement(QStringLiteral("text"));
        WriteTransform();
        Attribute("x", at.x());
        Attribute("y", at.y());
        xml_.writeAttribute(QStringLiteral("font-family"), font.family());
        const qreal pixels =
            font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * kDpi / 72.0;
        Attribute("font-size", pixels);
        if (font.bold()) {
            xml_.writeAttribute(QStringLiteral("font-weight"), QStringLiteral("bold"));
        }
        if (font.italic()) {
            xml_.writeAttribute(QStringLiteral("font-style"), QStringLiteral("italic"));
        }
        WriteColour("fill", state->pen().color());
        xml_.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
        xml_.writeCharacters(item.text());
        xml_.writeEndElement();
    }

    void drawImage(const QRectF& target, const QImage& image, const QRectF& source,
                   Qt::ImageConversionFlags) override {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.copy(source.toAlignedRect()).save(&buffer, "PNG");
        xml_.writeStartElement(QStringLiteral("image"));
        WriteTransform();
        Attribute("x", target.x());
        Attribute("y", target.y());
        Attribute("width", target.width());
        Attribute("height", target.height());
        xml_.writeAttribute(QStringLiteral("preserveAspectRatio"), QStringLiteral("none"));
        xml_.writeAttribute(QStringLiteral("href"), QStringLiteral("data:image/png;base64,") +
                                                        QString::fromLatin1(png.toBase64()));
        xml_.writeEndElement();
    }

    void drawPixmap(const QRectF& target, const QPixmap& pixmap, const QRectF& source) override {
        drawImage(target, pixmap.toImage(), source, Qt::AutoColor);
    }

    Type type() const override { return User; }

private:
    void Attribute(const char* name, qreal value) {
        xml_.writeAttribute(QLatin1String(name), Number(value));
    }

    void WriteColour(const char* name, const QColor& colour) {
        xml_.writeAttribute(QLatin1String(name), colour.name(QColor::HexRgb));
        const qreal opacity = colour.alphaF() * state->opacity();
        if (opacity < 1.0) {
            xml_.writeAttribute(QLatin1String(name) + QStringLiteral("-opacity"), Number(opacity));
        }
    }

    void WriteTransform() {
        const QTransform t = painter()->combinedTransform();
        if (!t.isIdentity()) {
            xml_.writeAttribute(QStringLiteral("transform"),
                                QStringLiteral("matrix(%1 %2 %3 %4 %5 %6)")
                                    .arg(Number(t.m11()), Number(t.m12()), Number(t.m21()),
                                         Number(t.m22()), Number(t.dx()), Number(t.dy())));
        }
    }

    /// Opens the element of one primitive with the painter's fill (when it is filled), pen and
    /// transform.
    void Start(const QString& element, bool filled) {
        xml_.writeStartElement(element);
        WriteTransform();
        const QBrush& brush = state->brush();
        if (filled && brush.style() != Qt::NoBrush) {
            const QGradient* gradient = brush.gradient();
            WriteColour("fill", gradient != nullptr && !gradient->stops().isEmpty()
                                    ? gradient->stops().front().second
                                    : brush.color());
        } else {
            xml_.writeAttribute(QStringLiteral("fill"), QStringLiteral("none"));
        }
        WritePen(state->pen());
    }

    void WritePen(const QPen& pen) {
        if (pen.style() == Qt::NoPen) {
            xml_.writeAttribute(QStringLiteral("stroke"), QStringLiteral("none"));
            return;
        }
        WriteColour("stroke", pen.color());
        const qreal width = pen.widthF() > 0.0 ? pen.widthF() : 1.0;
        Attribute("stroke-width", width);
        if (pen.isCosmetic() && !painter()->combinedTransform().isIdentity()) {
            xml_.writeAttribute(QStringLiteral("vector-effect"),
                                QStringLiteral("non-scaling-stroke"));
        }
        const Qt::PenCapStyle cap = pen.capStyle();
        xml_.writeAttribute(QStringLiteral("stroke-linecap"),
                            cap == Qt::RoundCap  ? QStringLiteral("round")
                            : cap == Qt::FlatCap ? QStringLiteral("butt")
                                                 : QStringLiteral("square"));
        const Qt::PenJoinStyle join = pen.joinStyle();
        xml_.writeAttribute(QStringLiteral("stroke-linejoin"),
                            join == Qt::RoundJoin   ? QStringLiteral("round")
                            : join == Qt::BevelJoin ? QStringLiteral("bevel")
                                                    : QStringLiteral("miter"));
        if (pen.style() != Qt::SolidLine) {
            QStringList dashes;
            for (const qreal dash : pen.dashPattern()) {
                dashes << Number(dash * width);
            }
            xml_.writeAttribute(QStringLiteral("stroke-dasharray"), dashes.join(' '));
        }
    }

    QIODevice* output_;
    QSize size_;
    QString title_;
    QXmlStreamWriter xml_;
};

SvgPaintDevice::SvgPaintDevice(QIODevice* output, QSize size, const QString& title)
    : size_(size), engine_(std::make_unique<SvgPaintEngine>(output, size, title)) {}

SvgPaintDevice::~SvgPaintDevice() = default;

QPaintEngine* SvgPaintDevice::paintEngine() const {
    return engine_.get();
}

int SvgPaintDevice::metric(PaintDeviceMetric metric) const {
    switch (metric) {
        case PdmWidth:
            return size_.width();
        case PdmHeight:
            return size_.height();
        case PdmWidthMM:
            return size_.width() * 254 / (10 * kDpi);
        case PdmHeightMM:
            return size_.height() * 254 / (10 * kDpi);
        case PdmNumColors:
            return INT_MAX;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return kDpi;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(devicePixelRatioFScale());
        default:
            return QPaintDevice::metric(metric);
    }
}

}  // namespace runwell::ui
