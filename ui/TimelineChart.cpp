#include "TimelineChart.h"

#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>

#include "model/Messages.h"
#include "model/Platform.h"
#include "model/Workspace.h"

namespace runwell::ui {

TimelineChart::TimelineChart(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("timelineChart"));
    setMinimumSize(200, 120);
    setMouseTracking(true);
}

void TimelineChart::Show(const Workspace&) { update(); }

void TimelineChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Render(painter, size());
}

void TimelineChart::Render(QPainter& painter, QSize size) const {
    painter.fillRect(QRect(QPoint(), size), palette().base());
}

Status TimelineChart::Export(const std::filesystem::path& path) const {
    // Written to a temporary file that replaces `path` only once complete.
    QSaveFile file(QString::fromStdString(PathToUtf8(path)));
    if (!file.open(QIODevice::WriteOnly)) {
        return Error{msg::kWriteFailed};
    }
    const QSize size = this->size().expandedTo(sizeHint());
    if (path.extension() == ".svg") {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(), size));
        QPainter painter;
        if (!painter.begin(&svg)) {
            file.cancelWriting();
            return Error{msg::kWriteFailed};
        }
        Render(painter, size);
        painter.end();
    } else {
        QImage image(size, QImage::Format_ARGB32);
        {
            QPainter painter(&image);
            Render(painter, size);
        }
        if (!image.save(&file, "PNG")) {
            file.cancelWriting();
            return Error{msg::kWriteFailed};
        }
    }
    if (!file.commit()) {
        return Error{msg::kWriteFailed};
    }
    return {};
}

}  // namespace runwell::ui
