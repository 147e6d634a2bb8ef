#pragma once

#include <QDialog>
#include <string_view>

namespace runwell::ui {

/// "Device Notes": the loaded device's notes, read-only (they can be selected and copied), with
/// long lines wrapped. OK and Escape close it; it changes nothing.
class NotesDialog : public QDialog {
    Q_OBJECT
public:
    NotesDialog(std::string_view notes, QWidget* parent);
};

}  // namespace runwell::ui
