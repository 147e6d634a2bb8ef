#include "ui/analysis/ChargeShareChart.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "analysis/ProfileTimeline.h"
#include "session/Workspace.h"
#include "ui/widgets/Text.h"

namespace runwell::ui {
namespace {

const QColor kChargeColour(0, 90, 200);
const QColor kTimeColour(160, 160, 160);

/// The bar from 0 to `share` (%) between the heights `top` and `bottom`, within the plot; a
/// share that is not 0 is at least a pixel wide.
QRectF Bar(double zero, double end, double top, double bottom, double share, const QRect& plot) {
    QRectF bar(QPointF(std::min(zero, end), top), QPointF(std::max(zero, end), bottom));
    if (share != 0.0 && bar.width() < 1.0) {
        bar.setWidth(1.0);
    }
    return bar.intersected(QRectF(plot));
}

}  // namespace

ChargeShareChart::ChargeShareChart(QWidget* parent) : ChartView(parent) {
    setObjectName(QStringLiteral("chargeShareChart"));
    SetEmptyText(QStringLiteral("?"));
    SetLegend(
        {{QStringLiteral("share of the period's charge"), QPen(Qt::NoPen), QBrush(kChargeColour)},
         {QStringLiteral("share of the period's time"), QPen(Qt::NoPen), QBrush(kTimeColour)}});
}

void ChargeShareChart::Show(const Workspace& workspace) {
    workspace_ = &workspace;
    share_ = ComputeChargeShare(workspace.modes(), workspace.currentBattery());
    rows_.clear();
    rows_.reserve(share_.modes.size() + 2);
    const std::string* longest = &share_.total.label;
    for (const ChargeShareLine& line : share_.modes) {
        rows_.push_back(&line);
        longest = line.label.size() > longest->size() ? &line.label : longest;
    }
    if (share_.hasSelfDischarge) {
        rows_.push_back(&share_.selfDischarge);
        longest = share_.selfDischarge.label.size() > longest->size() ? &share_.selfDischarge.label
                                                                      : longest;
    }
    rows_.push_back(&share_.total);
    // The longest label by characters stands for the widest: measuring every one of a long
    // profile's labels on each refresh would cost more than the whole chart.
    const QFontMetrics metrics = fontMetrics();
    labelWidth_ = std::min(metrics.horizontalAdvance(ToDisplay(*longest)),
                           metrics.horizontalAdvance(QString(16, QLatin1Char('M'))));

    const Axis x{QStringLiteral("Share of period"), AxisQuantity::Percent, AxisScale::Linear,
                 ChargeShareRange(share_), {}, false};
    const Axis y{QStringLiteral("Mode"), AxisQuantity::Names, AxisScale::Linear,
                 {0.0, static_cast<double>(rows_.size())}, {}, false};
    SetAxes(x, y, true);
}

QString ChargeShareChart::title() const {
    return workspace_ == nullptr
               ? QString()
               : QStringLiteral("Charge share: ") + ToDisplay(ChartContext(*workspace_));
}

int ChargeShareChart::YMarkWidth(QSize size) const {
    return std::min(size.width() / 3, std::max(ChartView::YMarkWidth(size), labelWidth_));
}

std::pair<int, int> ChargeShareChart::RowsShown() const {
    // Row i (from the top) spans n - 1 - i to n - i on the vertical axis.
    const double n = static_cast<double>(rows_.size());
    const AxisRange view = yAxis().view;
    const auto clamp = [n](double row) { return static_cast<int>(std::clamp(row, 0.0, n)); };
    return {clamp(std::floor(n - view.high)), clamp(std::ceil(n - view.low))};
}

int ChargeShareChart::RowAt(const QRect& plot, double y) const {
    const AxisRange view = yAxis().view;
    const double fraction = (plot.bottom() - y) / std::max(1, plot.height());
    if (rows_.empty() || !(fraction >= 0.0 && fraction <= 1.0)) {
        return -1;
    }
    const double value = view.low + fraction * (view.high - view.low);
    const double row = std::floor(static_cast<double>(rows_.size()) - value);
    return row >= 0.0 && row < static_cast<double>(rows_.size()) ? static_cast<int>(row) : -1;
}

std::vector<AxisTick> ChargeShareChart::YMarks(const QRect& plot) const {
    const AxisRange view = yAxis().view;
    const double rowPixels = plot.height() / std::max(1e-9, view.high - view.low);
    // Where the rows are narrower than a line of text only every stride-th is named.
    const int stride = std::max(
        1, static_cast<int>(std::ceil(fontMetrics().height() / std::max(rowPixels, 1e-9))));
    const auto [first, last] = RowsShown();
    const double n = static_cast<double>(rows_.size());
    std::vector<AxisTick> marks;
    for (int i = first - first % stride; i < last; i += stride) {
        const double middle = n - i - 0.5;
        if (i >= first && middle >= view.low && middle <= view.high) {
            marks.push_back({middle, rows_[static_cast<std::size_t>(i)]->label});
        }
    }
    return marks;
}

void ChargeShareChart::DrawData(QPainter& painter, const QRect& plot) const {
    const AxisRange view = yAxis().view;
    const double rowPixels = plot.height() / std::max(1e-9, view.high - view.low);
    const double n = static_cast<double>(rows_.size());
    const double zero = X(plot, 0.0);
    const auto [first, last] = RowsShown();
    // Only the rows shown: a long profile has thousands.
    for (int i = first; i < last; ++i) {
        const ChargeShareLine& line = *rows_[static_cast<std::size_t>(i)];
        const double top = plot.bottom() - (n - i - view.low) * rowPixels;
        const double height = rowPixels;
        if (height < 2.0) {  // too thin for two bars: the charge, at least a pixel high
            painter.fillRect(Bar(zero, X(plot, line.chargeShare), top, top + std::max(1.0, height),
                                 line.chargeShare, plot),
                             kChargeColour);
            continue;
        }
        const double gap = height >= 6.0 ? 0.1 * height : 0.0;
        const double middle = top + height / 2.0;
        painter.fillRect(
            Bar(zero, X(plot, line.chargeShare), top + gap, middle, line.chargeShare, plot),
            kChargeColour);
        painter.fillRect(
            Bar(zero, X(plot, line.timeShare), middle, top + height - gap, line.timeShare, plot),
            kTimeColour);
        if (height >= painter.fontMetrics().height()) {
            DrawValues(painter, plot, line, QRectF(plot.left(), top, plot.width(), height));
        }
    }
}

void ChargeShareChart::DrawValues(QPainter& painter, const QRect& plot,
                                  const ChargeShareLine& line, const QRectF& row) const {
    const QString text = ToDisplay(line.chargeShareText + " / " + line.timeShareText);
    const double width = painter.fontMetrics().horizontalAdvance(text);
    const double end =
        std::max({X(plot, 0.0), X(plot, line.chargeShare), X(plot, line.timeShare)}) + 4.0;
    QRectF box(end, row.center().y() - painter.fontMetrics().height() / 2.0, width,
               painter.fontMetrics().height());
    if (box.top() < plot.top() || box.bottom() > plot.bottom()) {
        return;  // a row cut by the edge of the plot keeps its bars only
    }
    const QRectF legend = LegendArea(plot, painter.fontMetrics());
    const double room = box.intersects(legend) ? legend.left() - 2.0 : plot.right() - 2.0;
    if (box.right() > room) {  // no room after the bars: over them, on the base
        box.moveRight(room - 2.0);
        if (box.left() < plot.left() + 2) {
            return;  // a plot too narrow for the text: the read-out has it
        }
        QColor back = palette().base().color();
        back.setAlpha(220);
        painter.fillRect(box.adjusted(-2, 0, 2, 0), back);
    }
    painter.setPen(palette().text().color());
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, text);
}

std::string ChargeShareChart::TipAt(QPoint position, QSize size) const {
    const QRect plot = PlotArea(size);
    if (!plot.contains(position)) {
        return {};
    }
    const int row = RowAt(plot, position.y());
    return row < 0 ? std::string() : ChargeShareTip(*rows_[static_cast<std::size_t>(row)]);
}

}  // namespace runwell::ui
