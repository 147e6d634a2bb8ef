#pragma once

#include <QBrush>
#include <QPen>
#include <QWidget>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/ChartAxis.h"
#include "base/Result.h"

class QMenu;

namespace runwell::ui {

/// The frame every chart of the program is drawn in: two axes with titles and marks in
/// engineering units, a legend, a read-out of the item under the mouse, zoom (the wheel, a box
/// dragged with the left button, or with Ctrl where a chart uses the left button itself), pan
/// (dragging with the middle button, or the left with Shift), "Reset zoom" and, for a current axis,
/// a log/linear switch in the context menu, and export as PNG or SVG with a title line. A chart
/// supplies its data through the overrides.
class ChartView : public QWidget {
    Q_OBJECT
public:
    /// One axis: what it measures, its title, its scale, the data's range and the shown part.
    /// The horizontal axis's ranges are in its drawn coordinate (see XToAxis).
    struct Axis {
        QString title;
        AxisQuantity quantity = AxisQuantity::Time;
        AxisScale scale = AxisScale::Linear;
        AxisRange data;
        AxisRange view;
        bool scaleSwitch = false;  // the context menu offers log/linear
    };
    /// One entry of the legend: a line in its pen, or a filled box.
    struct LegendEntry {
        QString text;
        QPen pen;
        QBrush box;  // no brush: a line
    };

    explicit ChartView(QWidget* parent = nullptr);

    /// Draws the chart at `size`; a non-empty `title` goes on a line above it.
    void Render(QPainter& painter, QSize size, const QString& title = {}) const;
    /// Writes the chart as shown, with its title line, to `path`: SVG for a ".svg" suffix,
    /// else PNG. A file that cannot be written is left as it was.
    Status Export(const std::filesystem::path& path) const;
    /// The title line of an export; empty: none.
    void SetTitle(const QString& title) { title_ = title; }
    /// The title line as an export writes it now: the one set, unless a chart knows better.
    virtual QString title() const { return title_; }

    /// Where the data is drawn in a chart of `size` without a title line.
    QRect PlotArea(QSize size) const;
    const Axis& xAxis() const { return x_; }
    const Axis& yAxis() const { return y_; }

    /// Zooms by `factor` about `position` (the wheel: horizontally only).
    void ZoomAt(QPoint position, double factor);
    /// Shows what the box between two points of the plot covers.
    void ZoomToBox(QPoint from, QPoint to);
    /// Moves the view by `pixels` as if dragged.
    void PanBy(QPoint pixels);
    void ResetZoom();
    bool zoomed() const;
    void SetLogScale(bool log);
    /// The read-out for the point at `position` of a chart of `size`; empty off the data.
    virtual std::string TipAt(QPoint position, QSize size) const;
    /// The read-out the mouse last showed; empty off the data.
    const std::string& hoverText() const { return hover_; }

    QSize sizeHint() const override { return {420, 240}; }

protected:
    /// A chart's data: the axes' ranges are set, the view reset when `keepView` is false or
    /// the old view no longer fits.
    void SetAxes(const Axis& x, const Axis& y, bool keepView);
    void SetLegend(std::vector<LegendEntry> legend) { legend_ = std::move(legend); }
public:
    const std::vector<LegendEntry>& legend() const { return legend_; }
protected:
    /// Where the legend is drawn over `plot` with text of `metrics`; empty without one.
    QRect LegendArea(const QRect& plot, const QFontMetrics& metrics) const;
    /// Without data the chart shows this text instead.
    void SetEmptyText(const QString& text) { empty_ = text; }

    /// Draws the data clipped to `plot`, mapping with X and Y.
    virtual void DrawData(QPainter& painter, const QRect& plot) const = 0;
    /// The horizontal axis's drawn coordinate of a value of its quantity and back: the value
    /// itself unless a chart spreads its axis unevenly. `plotWidth` is the plot's width.
    virtual double XToAxis(double value, int plotWidth) const;
    virtual double XFromAxis(double coordinate, int plotWidth) const;
    /// The vertical axis's marks in `plot`: round values of its quantity, unless the chart names
    /// its own rows (AxisQuantity::Names), which then get no grid lines and no unit.
    virtual std::vector<AxisTick> YMarks(const QRect& plot) const;
    /// The room for the vertical axis's marks left of the plot in a chart of `size` (pixels).
    virtual int YMarkWidth(QSize size) const;
    /// The left button drags a zoom box; a chart may use it otherwise.
    virtual bool LeftDragZooms() const { return true; }
    /// The vertical axis's scale was switched: a chart sets its data range for the new scale.
    virtual void ScaleChanged();
    /// Extra entries for the context menu.
    virtual void AddMenuActions(QMenu& menu);

    double X(const QRect& plot, double value) const;         // a value of the x quantity
    double XAt(const QRect& plot, double coordinate) const;  // a drawn coordinate
    double Y(const QRect& plot, double value) const;
    /// The value of the x quantity drawn at pixel column `x`.
    double XValueAt(const QRect& plot, double x) const;

    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void DrawXAxis(QPainter& painter, const QRect& plot) const;
    void DrawYAxis(QPainter& painter, const QRect& plot) const;
    void DrawLegend(QPainter& painter, const QRect& plot) const;

    Axis x_;
    Axis y_;
    std::vector<LegendEntry> legend_;
    QString title_;
    QString empty_;
    enum class Drag { None, Box, Pan };
    Drag drag_ = Drag::None;
    QPoint dragStart_;
    QPoint dragLast_;
    std::string hover_;
};

}  // namespace runwell::ui
