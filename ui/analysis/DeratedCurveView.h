#pragma once

#include <QWidget>

#include "battery/DeratedLife.h"

namespace runwell::ui {

/// The predicted loaded voltage under the peak current against time, with the minimum
/// operating voltage as a red line: the derated life's curve, drawn as it is. The texts (the
/// axis marks and, without a curve, the derated life's own text) come from the core.
class DeratedCurveView : public QWidget {
    Q_OBJECT
public:
    explicit DeratedCurveView(QWidget* parent = nullptr);

    /// Shows `life`; the view keeps its own copy.
    void SetLife(const DeratedLife& life);
    const DeratedLife& life() const { return life_; }

    QSize sizeHint() const override { return {420, 240}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    DeratedLife life_;
};

}  // namespace runwell::ui
