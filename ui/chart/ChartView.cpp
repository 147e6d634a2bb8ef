#include "ui/chart/ChartView.h"

#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <algorithm>
#include <cmath>

#include "base/Messages.h"
#include "platform/Platform.h"
#include "ui/chart/SvgPaintDevice.h"
#include "ui/widgets/Text.h"

namespace runwell::ui {
namespace {

/// The axis's title with the unit its marks share: "Time (mS)"; on a log scale "(log)".
QString TitleWithUnit(const ChartView::Axis& axis, const std::vector<AxisTick>& ticks) {
    if (axis.scale == AxisScale::Log) {
        return axis.title + QStringLiteral(" (log)");
    }
    if (ticks.empty() || axis.quantity == AxisQuantity::Names) {
        return axis.title;
    }
    const auto unitOf = [](const AxisTick& tick) {
        return tick.text.substr(tick.text.rfind(' ') + 1);
    };
    const std::string unit = unitOf(ticks.front());
    const bool shared = std::all_of(ticks.begin(), ticks.end(),
                                    [&](const AxisTick& tick) { return unitOf(tick) == unit; });
    return shared ? axis.title + " (" + ToDisplay(unit) + ")" : axis.title;
}

bool Usable(AxisRange range) {
    return std::isfinite(range.low) && std::isfinite(range.high) && range.high > range.low;
}

}  // namespace

ChartView::ChartView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(200, 120);
    setMouseTracking(true);
    setContextMenuPolicy(Qt::DefaultContextMenu);
}

void ChartView::SetAxes(const Axis& x, const Axis& y, bool keepView) {
    const Axis oldX = x_;
    const Axis oldY = y_;
    x_ = x;
    y_ = y;
    const bool keep =
        keepView && oldX.data == x.data && oldY.data == y.data && oldY.scale == y.scale;
    x_.view = keep ? oldX.view : x_.data;
    y_.view = keep ? oldY.view : y_.data;
    update();
}

QRect ChartView::PlotArea(QSize size) const {
    const QFontMetrics metrics = fontMetrics();
    const int line = metrics.height();
    return QRect(QPoint(), size)
        .adjusted(line + 4 + YMarkWidth(size) + 8, line / 2 + 2,
                  -(metrics.horizontalAdvance(QStringLiteral("0.0000 mS")) / 2 + 2),
                  -(2 * line + 8));
}

int ChartView::YMarkWidth(QSize) const {
    return fontMetrics().horizontalAdvance(QStringLiteral("-000.0 mA"));
}

std::vector<AxisTick> ChartView::YMarks(const QRect& plot) const {
    return AxisTicks(y_.view, y_.quantity, y_.scale, std::max(2, plot.height() / 40));
}

double ChartView::XToAxis(double value, int) const {
    return value;
}
double ChartView::XFromAxis(double coordinate, int) const {
    return coordinate;
}

double ChartView::XAt(const QRect& plot, double coordinate) const {
    const double fraction = (coordinate - x_.view.low) / (x_.view.high - x_.view.low);
    return plot.left() + std::clamp(fraction, 0.0, 1.0) * plot.width();
}

double ChartView::X(const QRect& plot, double value) const {
    return XAt(plot, XToAxis(value, plot.width()));
}

double ChartView::XValueAt(const QRect& plot, double x) const {
    const double fraction = (x - plot.left()) / std::max(1, plot.width());
    return XFromAxis(x_.view.low + fraction * (x_.view.high - x_.view.low), plot.width());
}

double ChartView::Y(const QRect& plot, double value) const {
    const double fraction = std::clamp(AxisFraction(value, y_.view, y_.scale), 0.0, 1.0);
    return plot.bottom() - fraction * plot.height();
}

void ChartView::DrawXAxis(QPainter& painter, const QRect& plot) const {
    const QFontMetrics metrics = painter.fontMetrics();
    const AxisRange shown{XFromAxis(x_.view.low, plot.width()),
                          XFromAxis(x_.view.high, plot.width())};
    const std::vector<AxisTick> ticks =
        AxisTicks(shown, x_.quantity, AxisScale::Linear, std::max(2, plot.width() / 90));
    QColor grid = palette().text().color();
    grid.setAlpha(40);
    double free = -1e9;  // where the last label ended: marks crowded by an uneven axis skip
    for (const AxisTick& tick : ticks) {
        const double at = X(plot, tick.value);
        const QString text = ToDisplay(tick.text);
        const double half = metrics.horizontalAdvance(text) / 2.0 + 3;
        if (at - half < free) {
            continue;
        }
        free = at + half;
        painter.setPen(grid);
        painter.drawLine(QPointF(at, plot.top()), QPointF(at, plot.bottom()));
        painter.setPen(palette().text().color());
        painter.drawLine(QPointF(at, plot.bottom()), QPointF(at, plot.bottom() + 4));
        painter.drawText(QRectF(at - half, plot.bottom() + 5, 2 * half, metrics.height()),
                         Qt::AlignHCenter, text);
    }
    painter.drawText(
        QRect(plot.left(), plot.bottom() + 6 + metrics.height(), plot.width(), metrics.height()),
        Qt::AlignHCenter, TitleWithUnit(x_, ticks));
}

void ChartView::DrawYAxis(QPainter& painter, const QRect& plot) const {
    const QFontMetrics metrics = painter.fontMetrics();
    const std::vector<AxisTick> ticks = YMarks(plot);
    QColor grid = palette().text().color();
    grid.setAlpha(40);
    const bool named = y_.quantity == AxisQuantity::Names;
    const int labelLeft = metrics.height() + 4;
    const int labelWidth = plot.left() - 6 - labelLeft;
    for (const AxisTick& tick : ticks) {
        const double at = Y(plot, tick.value);
        if (!named) {  // a row's name marks the row, not a level across the plot
            painter.setPen(grid);
            painter.drawLine(QPointF(plot.left(), at), QPointF(plot.right(), at));
        }
        painter.setPen(palette().text().color());
        painter.drawLine(QPointF(plot.left() - 4, at), QPointF(plot.left(), at));
        const QString text = ToDisplay(tick.text);
        painter.drawText(
            QRectF(labelLeft, at - metrics.height() / 2.0, labelWidth, metrics.height()),
            Qt::AlignRight | Qt::AlignVCenter,
            named ? metrics.elidedText(text, Qt::ElideRight, labelWidth) : text);
    }
    painter.save();
    painter.translate(0, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRect(-plot.height() / 2, 0, plot.height(), metrics.height()),
                     Qt::AlignHCenter | Qt::AlignTop, TitleWithUnit(y_, ticks));
    painter.restore();
}

QRect ChartView::LegendArea(const QRect& plot, const QFontMetrics& metrics) const {
    if (legend_.empty()) {
        return {};
    }
    int textWidth = 0;
    for (const LegendEntry& entry : legend_) {
        textWidth = std::max(textWidth, metrics.horizontalAdvance(entry.text));
    }
    return QRect(plot.right() - textWidth - 34, plot.top() + 3, textWidth + 30,
                 metrics.height() * static_cast<int>(legend_.size()) + 4);
}

void ChartView::DrawLegend(QPainter& painter, const QRect& plot) const {
    if (legend_.empty()) {
        return;
    }
    const QFontMetrics metrics = painter.fontMetrics();
    const QRect box = LegendArea(plot, metrics);
    const int textWidth = box.width() - 30;
    const int line = metrics.height();
    QColor back = palette().base().color();
    back.setAlpha(220);
    painter.fillRect(box, back);
    int top = box.top() + 2;
    for (const LegendEntry& entry : legend_) {
        const double middle = top + line / 2.0;
        if (entry.box.style() != Qt::NoBrush) {
            painter.setPen(entry.pen);
            painter.setBrush(entry.box);
            painter.drawRect(QRectF(box.left() + 4, middle - 4, 20, 8));
            painter.setBrush(Qt::NoBrush);
        } else {
            painter.setPen(entry.pen);
            painter.drawLine(QPointF(box.left() + 4, middle), QPointF(box.left() + 24, middle));
        }
        painter.setPen(palette().text().color());
        painter.drawText(QRect(box.left() + 28, top, textWidth + 2, line),
                         Qt::AlignLeft | Qt::AlignVCenter, entry.text);
        top += line;
    }
}

void ChartView::Render(QPainter& painter, QSize size, const QString& title) const {
    painter.fillRect(QRect(QPoint(), size), palette().base());
    painter.setFont(font());
    painter.setPen(palette().text().color());
    painter.save();
    if (!title.isEmpty()) {
        QFont bold = font();
        bold.setBold(true);
        painter.setFont(bold);
        const int line = QFontMetrics(bold).height() + 4;
        painter.drawText(QRect(4, 2, size.width() - 8, line), Qt::AlignLeft | Qt::AlignVCenter,
                         title);
        painter.setFont(font());
        painter.translate(0, line);
        size.setHeight(size.height() - line);
    }
    if (!Usable(x_.view) || !Usable(y_.view)) {
        painter.drawText(QRect(QPoint(), size).adjusted(8, 8, -8, -8),
                         Qt::AlignCenter | Qt::TextWordWrap, empty_);
        painter.restore();
        return;
    }
    const QRect plot = PlotArea(size);
    DrawXAxis(painter, plot);
    DrawYAxis(painter, plot);
    DrawData(painter, plot);
    painter.setPen(palette().text().color());
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
    DrawLegend(painter, plot);
    painter.restore();
}

Status ChartView::Export(const std::filesystem::path& path) const {
    // Written to a temporary file that replaces `path` only once complete.
    QSaveFile file(QString::fromStdString(PathToUtf8(path)));
    if (!file.open(QIODevice::WriteOnly)) {
        return Error{msg::kWriteFailed};
    }
    const QSize size = this->size().expandedTo(sizeHint());
    const QString title = this->title();
    bool drawn = false;
    if (path.extension() == ".svg") {
        SvgPaintDevice svg(&file, size, title);
        QPainter painter;
        if (painter.begin(&svg)) {
            Render(painter, size, title);
            drawn = painter.end();
        }
    } else {
        QImage image(size, QImage::Format_ARGB32);
        {
            QPainter painter(&image);
            Render(painter, size, title);
        }
        drawn = image.save(&file, "PNG");
    }
    if (!drawn) {
        file.cancelWriting();
        return Error{msg::kWriteFailed};
    }
    if (!file.commit()) {
        return Error{msg::kWriteFailed};
    }
    return {};
}

}  // namespace runwell::ui
