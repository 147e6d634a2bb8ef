#include "ChargeShareBars.h"

#include <QPainter>

#include "model/Workspace.h"

namespace runwell::ui {

ChargeShareBars::ChargeShareBars(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("chargeShareBars"));
    setMinimumSize(200, 120);
}

void ChargeShareBars::Show(const Workspace&) { update(); }

void ChargeShareBars::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
}

}  // namespace runwell::ui
