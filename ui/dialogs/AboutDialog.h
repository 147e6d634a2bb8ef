#pragma once

#include <QDialog>

namespace runwell::ui {

/// "About Veltra KDR Runwell": the program's name and version. OK, Escape or the close box end
/// it; it changes nothing.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent);
};

}  // namespace runwell::ui
