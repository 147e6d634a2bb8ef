#pragma once

#include <QWidget>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/ProfileTimeline.h"
#include "base/Result.h"

namespace runwell {
class Workspace;
}

namespace runwell::ui {

/// The current of one period of the profile against time, as steps on a logarithmic current
/// axis, with the average current and the current battery's continuous and pulse limits as
/// lines. Hovering over a step shows the mode's label, current and duration.
class TimelineChart : public QWidget {
    Q_OBJECT
public:
    explicit TimelineChart(QWidget* parent = nullptr);

    void Show(const Workspace& workspace);

    /// Draws the chart at `size` into `painter` (the widget, an image or an SVG file).
    void Render(QPainter& painter, QSize size) const;
    /// Writes the chart as it is shown to `path`: an SVG file for a ".svg" suffix, else PNG.
    /// A file that cannot be written is left as it was.
    Status Export(const std::filesystem::path& path) const;

    QSize sizeHint() const override { return {420, 240}; }

    const ProfileTimeline& timeline() const { return timeline_; }
    /// The tooltip text for the step under `position` in a chart of `size`; empty off the steps.
    std::string TipAt(QPoint position, QSize size) const;
    /// Where the period is drawn in a chart of `size`, the axes' texts outside it.
    QRect PlotArea(QSize size) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    ProfileTimeline timeline_;
    std::vector<std::string> labels_;  // one per segment
    double average_ = 0.0;             // nA
    double continuousLimit_ = 0.0;     // nA, 0: none
    double pulseLimit_ = 0.0;
};

}  // namespace runwell::ui
