#pragma once

#include <QProxyStyle>

namespace runwell::ui {

/// The program's style: the platform's own, with one difference in how it works, none in how it
/// looks. The Fusion style reads its group-box frame picture by probing its contents, which
/// loads every image-format plug-in of the system at the window's first paint (several
/// milliseconds of start-up); this style reads the same picture as PNG and draws it as Fusion
/// does.
class WindowStyle : public QProxyStyle {
public:
    /// Over `base` (taken over), or over the platform's default style.
    explicit WindowStyle(QStyle* base = nullptr);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;

private:
    bool fusion_;
};

}  // namespace runwell::ui
