#pragma once

#include <QLabel>
#include <optional>
#include <string>

namespace runwell::ui {

/// One line that points out something doubtful beside a field: a warning-coloured text, cut with
/// an ellipsis where it does not fit (the whole text is its tooltip); empty when all is well.
class NoticeLabel : public QLabel {
public:
    explicit NoticeLabel(QWidget* parent);

    void Show(const std::optional<std::string>& notice);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Elide();

    QString full_;
};

}  // namespace runwell::ui
