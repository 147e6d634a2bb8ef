#include "ui/analysis/ChargeShareBars.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "session/Workspace.h"
#include "ui/widgets/Text.h"

namespace runwell::ui {
namespace {

const QColor kChargeColour(0, 90, 200);
const QColor kTimeColour(160, 160, 160);
constexpr int kMaxHeight = 16000000;  // below the toolkit's largest widget

}  // namespace

int ChargeShareBars::LineHeight() const { return 2 * fontMetrics().height(); }

QString ChargeShareBars::LegendHtml() {
    const auto swatch = [](const QColor& colour) {
        return QStringLiteral("<span style=\"color:%1\">&#9632;</span>").arg(colour.name());
    };
    return swatch(kChargeColour) + QStringLiteral(" share of the period's charge &nbsp; ") +
           swatch(kTimeColour) + QStringLiteral(" share of the period's time");
}

ChargeShareBars::ChargeShareBars(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("chargeShareBars"));
    setMinimumSize(200, 120);
}

void ChargeShareBars::Show(const Workspace& workspace) {
    share_ = ComputeChargeShare(workspace.modes(), workspace.currentBattery());
    // Each line is two bars and its label; the widget is as tall as its lines, in a scroll area.
    const int lines = static_cast<int>(share_.modes.size()) + 2;
    setFixedHeight(std::min(kMaxHeight, std::max(120, lines * LineHeight())));
    update();
}

void ChargeShareBars::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    painter.setPen(palette().text().color());
    std::vector<const ChargeShareLine*> lines;
    for (const ChargeShareLine& line : share_.modes) {
        lines.push_back(&line);
    }
    if (share_.hasSelfDischarge) {
        lines.push_back(&share_.selfDischarge);
    }
    lines.push_back(&share_.total);
    const QFontMetrics metrics = painter.fontMetrics();
    const int labelWidth = std::min(width() / 3, metrics.horizontalAdvance(QString(16, 'M')));
    const int textWidth = metrics.horizontalAdvance(QStringLiteral("-100.0 % / 100.0 %")) + 8;
    const int barLeft = labelWidth + 8;
    const int barWidth = std::max(10, width() - barLeft - textWidth - 4);
    // A share can be negative or above 100 % with negative currents; the bars scale to the
    // largest magnitude, at least 100 %.
    double scale = 100.0;
    for (const ChargeShareLine* line : lines) {
        scale = std::max({scale, std::abs(line->chargeShare), std::abs(line->timeShare)});
    }
    const int lineHeight = std::max(4, std::min(LineHeight(), height() /
                                                   static_cast<int>(lines.size())));
    const int bar = std::max(1, lineHeight / 2 - 2);
    // Only the lines in the part to repaint: a long profile has thousands.
    const std::size_t first = static_cast<std::size_t>(std::max(0, event->rect().top() / lineHeight));
    int top = static_cast<int>(first) * lineHeight;
    for (std::size_t i = first; i < lines.size(); ++i) {
        const ChargeShareLine* line = lines[i];
        if (top > event->rect().bottom()) {
            break;
        }
        painter.setPen(palette().text().color());
        painter.drawText(QRect(2, top, labelWidth, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(ToDisplay(line->label), Qt::ElideRight, labelWidth));
        const auto draw = [&](double share, int y, const QColor& colour) {
            const int length = static_cast<int>(std::abs(share) / scale * barWidth);
            painter.fillRect(QRect(barLeft, y, std::max(length, share != 0.0 ? 1 : 0), bar),
                             colour);
        };
        draw(line->chargeShare, top + 1, kChargeColour);
        draw(line->timeShare, top + 1 + bar + 1, kTimeColour);
        painter.setPen(palette().text().color());
        painter.drawText(QRect(barLeft + barWidth + 4, top, textWidth, lineHeight),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         ToDisplay(line->chargeShareText + " / " + line->timeShareText));
        top += lineHeight;
    }
}

}  // namespace runwell::ui
