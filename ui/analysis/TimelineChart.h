#pragma once

#include <string>
#include <vector>

#include "analysis/ProfileTimeline.h"
#include "ui/chart/ChartView.h"

namespace runwell {
class Workspace;
}

namespace runwell::ui {

/// The current of one period of the profile against time, as steps on a current axis
/// (logarithmic unless switched), with the average current and the current battery's
/// continuous and pulse limits as lines. A mode too short to see is drawn at a minimum width
/// on a shaded band; hovering over a step shows the mode's label, current and duration.
class TimelineChart : public ChartView {
    Q_OBJECT
public:
    explicit TimelineChart(QWidget* parent = nullptr);

    void Show(const Workspace& workspace);

    const ProfileTimeline& timeline() const { return timeline_; }
    /// "Current over time: " and the shown workspace's file, device, point and battery as they
    /// are now (a profile saved since it was shown has its new name).
    QString title() const override;
    /// The tooltip text for the step under `position` in a chart of `size`; empty off the steps.
    std::string TipAt(QPoint position, QSize size) const override;
    /// How the segments are spread across a plot `plotWidth` pixels wide.
    const TimelineLayout& LayoutFor(int plotWidth) const;

protected:
    void DrawData(QPainter& painter, const QRect& plot) const override;
    double XToAxis(double value, int plotWidth) const override;
    double XFromAxis(double coordinate, int plotWidth) const override;
    void ScaleChanged() override;

private:
    void SetRanges(bool keepView);
    void DrawLevels(QPainter& painter, const QRect& plot) const;
    void DrawSteps(QPainter& painter, const QRect& plot) const;

    const Workspace* workspace_ = nullptr;  // the one last shown
    ProfileTimeline timeline_;
    std::vector<std::string> labels_;  // one per segment
    double average_ = 0.0;             // nA
    double continuousLimit_ = 0.0;     // nA, 0: none
    double pulseLimit_ = 0.0;
    mutable TimelineLayout layout_;
    mutable int layoutWidth_ = -1;
};

}  // namespace runwell::ui
