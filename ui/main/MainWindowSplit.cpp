// The main window's frame: the steps in an area that scrolls when the window is smaller than
// they are, and the Analysis panel beside or below them in a splitter the user can drag.

#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTableWidget>

#include "session/Workspace.h"
#include "ui/analysis/AnalysisPanel.h"
#include "ui/main/FileActions.h"
#include "ui/main/MainWindow.h"
#include "ui/main/ProfileLists.h"
#include "ui/widgets/Fitting.h"

namespace runwell::ui {

void MainWindow::CreateFrame() {
    steps_ = new QWidget;
    steps_->setObjectName(QStringLiteral("steps"));
    steps_->installEventFilter(this);
    stepsScroll_ = new QScrollArea;
    stepsScroll_->setObjectName(QStringLiteral("stepsScroll"));
    stepsScroll_->setFrameShape(QFrame::NoFrame);
    stepsScroll_->setFocusPolicy(Qt::NoFocus);  // Tab goes from control to control
    stepsScroll_->setWidgetResizable(true);
    stepsScroll_->setWidget(steps_);
    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName(QStringLiteral("analysisSplitter"));
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(stepsScroll_);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter_);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == steps_ && event->type() == QEvent::Resize && batteryList_ != nullptr) {
        LayoutSteps();
    }
    return QDialog::eventFilter(watched, event);
}

void MainWindow::LayoutSteps() {
    ApplyGeometry(LayoutMainWindow(steps_->size(), CurrentGeometry(), scale_));
    importTraceButton_->move(importTraceButton_->x(), createReportButton_->y());
    analysisButton_->move(analysisButton_->x(), createReportButton_->y());
    lists_->FitColumns();
}

void MainWindow::CreateAnalysisPanel() {
    // Built when first opened, so start-up pays nothing for it.
    analysisPanel_ = new AnalysisPanel;
    splitter_->addWidget(analysisPanel_);
    splitter_->setStretchFactor(1, 1);
    analysisPanel_->onBatteryChosen = [this](int index) {
        batteryList_->setCurrentCell(index, 0);  // as a click on that row of the battery list
        OnBatteryListClicked();
    };
    analysisPanel_->onMinimumVoltageEdited = [this](const std::string& text) {
        OnMinimumVoltageEdited(text);
    };
    analysisPanel_->onOperatingPointChosen = [this](int voltage, int temperature) {
        OnOperatingPointChosen(voltage, temperature);
    };
    analysisPanel_->onExportRequested = [this] { files_->OnExportChart(*analysisPanel_); };
    ConnectPredictionOptions();
    analysisPanel_->Refresh(workspace_);
}

void MainWindow::OnAnalysisToggled(bool open) {
    // The steps keep their size: the window grows for the panel (as far as the screen's free
    // area allows) and gives the room back when the panel closes.
    analysisButton_->setText(open ? QStringLiteral("<< Analysis") : QStringLiteral("Analysis >>"));
    if (open && analysisPanel_ == nullptr) {
        CreateAnalysisPanel();
    }
    const QSize room = FreeArea(this).size();
    if (!open) {
        analysisPanel_->hide();
        setMinimumSize(stepsMinimum_.boundedTo(room));
        resize(closedSize_.boundedTo(room).expandedTo(minimumSize()));
        FitToScreen(this);
        return;
    }
    closedSize_ = size();
    const QSize panel = analysisPanel_->minimumSizeHint() + QSize(splitter_->handleWidth(), 0);
    const AnalysisDock dock = DockAnalysis(room, closedSize_, stepsMinimum_, panel);
    splitter_->setOrientation(dock.below ? Qt::Vertical : Qt::Horizontal);
    analysisPanel_->show();
    setMinimumSize(dock.minimum);
    QSize client = dock.client;
    if (dock.below) {
        // The steps then scroll up and down: the window widens by their scroll bar if it can.
        client.rwidth() += stepsScroll_->verticalScrollBar()->sizeHint().width();
        client = client.boundedTo(room);
    }
    resize(client);
    if (dock.below) {
        splitter_->setSizes({client.height() / 2, client.height() / 2});
    } else {
        splitter_->setSizes({closedSize_.width(), dock.client.width() - closedSize_.width()});
    }
    FitToScreen(this);  // moved back from the screen's edge the wider window crosses
}

}  // namespace runwell::ui
