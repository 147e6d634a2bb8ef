#pragma once

// The window of the prediction's tests: the CR2032 coin cell with its shipped model chosen, a
// test LDO among the regulators, and with `shipped` the shipped regulators and missions too.

#include <filesystem>
#include <fstream>

#include "UiTestSupport.h"
#include "power/Regulator.h"
#include "ui/analysis/AnalysisPanel.h"

namespace runwell::ui::test_support {

/// An adjustable LDO that gives any voltage: the battery draws the device current plus 5 uA.
inline Regulator TestLdo() {
    Regulator ldo;
    ldo.name = "Test LDO";
    ldo.part = "LDO-ADJ";
    ldo.sources = "none: a test part";
    ldo.quiescentMicroamps = 5.0;
    ldo.minimumInputVolts = 1.8;
    ldo.maximumInputVolts = 5.5;
    ldo.dropoutVsLoadMa = InterpolationTable({{1.0, 0.1}, {100.0, 0.2}});
    return ldo;
}

class PredictionWindowTest : public WindowTest {
protected:
    /// A new window over a new data folder set up as above.
    void StartOnCr2032(bool shipped) {
        window_.reset();
        workspace_.reset();
        data_.emplace();
        const std::filesystem::path folder = data_->path;
        const std::filesystem::path source(RUNWELL_SOURCE_DIR);
        if (shipped) {
            std::filesystem::copy(source / "Regulators", folder / "Regulators");
            std::filesystem::copy(source / "Missions", folder / "Missions");
        }
        std::filesystem::create_directories(folder / "Regulators");
        std::ofstream(folder / "Regulators" / "test-ldo.json") << WriteRegulator(TestLdo());
        std::filesystem::create_directory(folder / "BatteryModels");
        std::filesystem::copy(source / "BatteryModels" / "CR2032.json", folder / "BatteryModels");
        std::ofstream(folder / "StandardBattery.csv", std::ios::app)
            << "CR2032 coin cell,225,0.08,3.0,3,15,\"Lithium manganese dioxide\"\n";
        Result<Workspace> started = Workspace::Start(folder, prompter_);
        ASSERT_TRUE(started.ok());
        workspace_.emplace(std::move(started).value());
        window_ = std::make_unique<MainWindow>(*workspace_, editor_, prompter_, files_);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        ClickRow(List("batteryList"), static_cast<int>(workspace_->batteries().size()) - 1);
        ASSERT_EQ(workspace_->currentBattery()->description, "CR2032 coin cell");
    }
    /// Opens the Analysis panel.
    void Open() {
        Click("analysisButton");
        panel_ = Find<AnalysisPanel>(window_.get(), "analysisPanel");
    }
    /// The predicted life as the panel shows it.
    std::string LifeText() const {
        return FromDisplay(Find<QLineEdit>(panel_, "deratedLifeField")->text());
    }
    /// Types `text` in the panel's `field` and leaves it with Return.
    void Enter(const char* field, const std::string& text) {
        CommonAction(window_.get(), "type", std::string(field) + "=" + text);
        QTest::keyClick(Find(panel_, field), Qt::Key_Return);
    }

    AnalysisPanel* panel_ = nullptr;
};

}  // namespace runwell::ui::test_support
