#pragma once

#include <QDialog>

class QLineEdit;
class QListWidget;
class QTextBrowser;

namespace runwell::ui {

/// The user guide, built into the program: the README and the guides of docs/, rendered, with a
/// list of the guides and a search field (Enter finds the next match, wrapping to the top; a
/// text found in no page says so in the field's colour).
class HelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    /// Finds the next occurrence of `text` in the page shown, then in the following pages.
    bool Find(const QString& text);

private:
    void ShowPage(int row);

    QListWidget* pages_ = nullptr;
    QTextBrowser* browser_ = nullptr;
    QLineEdit* search_ = nullptr;
};

}  // namespace runwell::ui
