// The mode editor dialog driven by the script tests/fixtures/ui/mode_editor_script.tsv over the
// device tests/fixtures/ui/mode_editor_device.csv at 3.3V and 25C.

#include <QLabel>
#include <memory>

#include "UiTestSupport.h"
#include "device/DeviceFile.h"

namespace runwell::ui {
namespace {

using namespace test_support;

class ModeEditorDialogTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(Take(prompter_.messages), "") << "unchecked"; }

    /// Opens a new mode ("new") or Modify of a RUN mode at 8MHZ with ADC and RTC, 2 mA of
    /// system current and `duration` microseconds ("modify").
    void Open(bool modify, const std::string& duration) {
        TearDown();
        dialog_.reset();
        ModeRecord source{"Transmit", "RUN", "8MHZ", {}, 0.0f, 0.0f, 0.0f, 2000000.0f};
        source.peripheralFlags[3] = source.peripheralFlags[4] = 1;
        source.duration = modify ? std::stof(duration) : 0.0f;
        dialog_ = std::make_unique<ModeEditorDialog>(device_, "3.3V", "25C",
                                                     modify ? &source : nullptr, prompter_);
        dialog_->show();
        dialog_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
    }

    void Do(const std::string& action, const std::string& argument) {
        if (action == "new" || action == "modify") {
            Open(action == "modify", argument);
        } else if (action == "toggle") {  // a click on the peripheral entry
            auto* list = Find<QListWidget>(dialog_.get(), "peripheralsList");
            const auto items = list->findItems(ToDisplay(argument), Qt::MatchExactly);
            ASSERT_EQ(items.size(), 1) << argument;
            list->scrollToItem(items[0]);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(items[0]).center());
        } else if (!CommonAction(dialog_.get(), action, argument)) {
            FAIL() << "unknown action " << action;
        }
    }

    std::string Aspect(const std::string& aspect) {
        if (aspect == "messages") {
            return Take(prompter_.messages);
        }
        if (aspect != "record") {
            return CommonAspect(dialog_.get(), aspect);
        }
        const std::optional<ModeRecord>& r = dialog_->confirmedRecord();
        if (!r) {
            return "none";
        }
        QStringList fields{ToDisplay(r->label), ToDisplay(r->operatingMode),
                           ToDisplay(r->frequency)};
        for (const float value : {r->duration, r->systemCurrent, r->totalCurrent}) {
            fields << QString::number(static_cast<double>(value), 'g', 10);
        }
        QStringList flags;
        for (std::size_t i = 0; i < r->peripheralFlags.size(); ++i) {
            if (r->peripheralFlags[i] != 0) {
                flags << QString::number(i);
            }
        }
        return FromDisplay((fields << flags.join(',')).join('|'));
    }

    DeviceData device_ = LoadDeviceFile(Fixture("mode_editor_device.csv")).value();
    ScriptedPrompter prompter_;
    std::unique_ptr<ModeEditorDialog> dialog_;
};

TEST_F(ModeEditorDialogTest, FollowsTheScript) {
    RunScript(
        "mode_editor_script.tsv", [this](auto& action, auto& argument) { Do(action, argument); },
        [this](auto& aspect) { return Aspect(aspect); });
}

// A duration that is no number, zero or below zero is computed as typed and pointed out under
// the field; a plain duration clears the line.
TEST_F(ModeEditorDialogTest, ADoubtfulDurationIsPointedOut) {
    Open(true, "0");
    auto* notice = Find<QLabel>(dialog_.get(), "durationNotice");
    EXPECT_EQ(FromDisplay(notice->toolTip()),
              "A duration of 0: the mode adds no charge, yet its current still sets the peak.");
    Do("type", "durationEdit=abc");
    Do("key", "Tab");  // leaving the field commits it
    EXPECT_EQ(FromDisplay(notice->toolTip()), "'abc' is not a number: read as 0 uS");
    EXPECT_FALSE(notice->text().isEmpty());
    Do("type", "durationEdit=25");
    Do("key", "Tab");
    EXPECT_TRUE(notice->text().isEmpty());
    EXPECT_TRUE(notice->toolTip().isEmpty());
}

}  // namespace
}  // namespace runwell::ui
