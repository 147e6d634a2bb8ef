#pragma once

#include <QWidget>
#include <filesystem>

#include "model/Result.h"

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

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace runwell::ui
