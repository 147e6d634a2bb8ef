#pragma once

#include <QPaintDevice>
#include <QSize>
#include <QString>
#include <memory>

class QIODevice;

namespace runwell::ui {

class SvgPaintEngine;

/// A paint device that writes what a QPainter draws on it as an SVG image to `output`, one
/// element per primitive: rectangles, lines, polylines and polygons, paths, text as text (so it
/// stays searchable and selectable) and pictures as embedded PNG. Brushes and pens are drawn in
/// their colour (gradients and patterns are not kept), and clipping is not applied: enough for the
/// charts and the icon, which draw nothing else. `painter.end()` is false when `output` could not
/// be written.
class SvgPaintDevice : public QPaintDevice {
public:
    SvgPaintDevice(QIODevice* output, QSize size, const QString& title = {});
    ~SvgPaintDevice() override;

    QPaintEngine* paintEngine() const override;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize size_;
    std::unique_ptr<SvgPaintEngine> engine_;
};

}  // namespace runwell::ui
