#pragma once

#include <QWidget>

#include "analysis/ChargeShare.h"

namespace runwell {
class Workspace;
}

namespace runwell::ui {

/// Per mode, its share of the period's charge beside its share of the period's time, as two
/// horizontal bars, with the self-discharge current's share as a line of its own.
class ChargeShareBars : public QWidget {
    Q_OBJECT
public:
    explicit ChargeShareBars(QWidget* parent = nullptr);
    /// The legend shown under the bars: the colour of each bar and what it measures.
    static QString LegendHtml();

    void Show(const Workspace& workspace);

    QSize sizeHint() const override { return {420, 240}; }
    const ChargeShare& share() const { return share_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int LineHeight() const;

    ChargeShare share_;
};

}  // namespace runwell::ui
