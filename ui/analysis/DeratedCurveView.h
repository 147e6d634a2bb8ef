#pragma once

#include <optional>

#include "battery/DeratedLife.h"
#include "ui/chart/ChartView.h"

namespace runwell::ui {

/// The predicted loaded voltage under the peak current against time, with the minimum
/// operating voltage as a red line and, with a regulator, its input limit as a blue one: the
/// derated life's curve, drawn as it is. The texts (the
/// derated life's own text, and the note on a flat curve) come from the core.
class DeratedCurveView : public ChartView {
    Q_OBJECT
public:
    explicit DeratedCurveView(QWidget* parent = nullptr);

    /// Shows `life` and, when given, the regulator's input limit (the loaded cell voltage the
    /// life ends below, V); the view keeps its own copy.
    void SetLife(const DeratedLife& life, std::optional<double> regulatorLimit = std::nullopt);
    const DeratedLife& life() const { return life_; }
    std::optional<double> regulatorLimit() const { return regulatorLimit_; }

    /// The voltage of the curve at the time under `position`; empty off the curve.
    std::string TipAt(QPoint position, QSize size) const override;

protected:
    void DrawData(QPainter& painter, const QRect& plot) const override;

private:
    DeratedLife life_;
    std::optional<double> regulatorLimit_;
};

}  // namespace runwell::ui
