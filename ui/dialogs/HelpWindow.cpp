#include "ui/dialogs/HelpWindow.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

#include "ui/widgets/Fitting.h"

namespace runwell::ui {
namespace {

struct Page {
    const char* title;
    const char* resource;
};

// The guides a user reads, in reading order; the developers' documents stay in the source tree.
constexpr Page kPages[] = {
    {"Runwell", ":/help/README.md"},
    {"Current traces", ":/help/docs/traces.md"},
    {"Battery models", ":/help/docs/battery-models.md"},
    {"Accuracy", ":/help/docs/accuracy.md"},
    {"Data files", ":/help/docs/data-files.md"},
    {"Text profiles", ":/help/docs/profile-format.md"},
};

QString ReadPage(const char* resource) {
    QFile file(QString::fromLatin1(resource));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(QStringLiteral("Runwell Help"));
    setWindowFlag(Qt::WindowMinMaxButtonsHint);
    pages_ = new QListWidget(this);
    pages_->setObjectName(QStringLiteral("helpPages"));
    for (const Page& page : kPages) {
        pages_->addItem(QString::fromLatin1(page.title));
    }
    pages_->setMaximumWidth(pages_->sizeHintForColumn(0) + 4 * pages_->frameWidth() + 16);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    browser_->setOpenExternalLinks(true);
    browser_->setSearchPaths({QStringLiteral(":/help"), QStringLiteral(":/help/docs")});
    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("helpSearch"));
    search_->setPlaceholderText(QStringLiteral("Search the guide (Enter for the next match)"));
    search_->setClearButtonEnabled(true);

    auto* columns = new QHBoxLayout;
    columns->addWidget(pages_);
    columns->addWidget(browser_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(search_);
    layout->addLayout(columns, 1);

    connect(pages_, &QListWidget::currentRowChanged, this, &HelpWindow::ShowPage);
    connect(search_, &QLineEdit::returnPressed, this, [this] { Find(search_->text()); });
    pages_->setCurrentRow(0);
    // Within the screen's free area, whatever its size.
    resize(StartSize(QSize(900, 700), this));
}

void HelpWindow::ShowPage(int row) {
    if (row >= 0 && row < static_cast<int>(std::size(kPages))) {
        browser_->setMarkdown(ReadPage(kPages[row].resource));
    }
}

bool HelpWindow::Find(const QString& text) {
    if (text.isEmpty()) {
        return false;
    }
    const int count = pages_->count();
    const int start = pages_->currentRow();
    for (int step = 0; step <= count; ++step) {
        if (step > 0) {
            pages_->setCurrentRow((start + step) % count);  // the page opens at its top
        }
        if (browser_->find(text)) {
            search_->setStyleSheet(QString());
            return true;
        }
    }
    pages_->setCurrentRow(start);
    search_->setStyleSheet(QStringLiteral("color: #c00000"));
    return false;
}

}  // namespace runwell::ui
