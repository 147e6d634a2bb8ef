#include "ui/editor/NoticeLabel.h"

#include <QResizeEvent>

#include "ui/widgets/Text.h"

namespace runwell::ui {

NoticeLabel::NoticeLabel(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette shades = palette();
    shades.setColor(QPalette::WindowText, QColor(0x9c, 0x41, 0x00));  // dark orange on grey
    setPalette(shades);
}

void NoticeLabel::Show(const std::optional<std::string>& notice) {
    full_ = notice ? ToDisplay(*notice) : QString();
    setToolTip(full_);
    Elide();
}

void NoticeLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    Elide();
}

void NoticeLabel::Elide() { setText(fontMetrics().elidedText(full_, Qt::ElideRight, width())); }

}  // namespace runwell::ui
