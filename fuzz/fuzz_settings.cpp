// Settings files: read, applied to a started workspace as the Load Settings button does, the
// results recomputed and the report built, as runwell-cli report does.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

#include "FuzzCheck.h"
#include "base/Prompter.h"
#include "exchange/Report.h"
#include "files/SettingsFile.h"
#include "session/Workspace.h"

namespace {

namespace fs = std::filesystem;

/// Answers every question with OK and counts the messages.
class OkPrompter : public runwell::Prompter {
public:
    void ShowMessage(const std::string& text, runwell::MessageKind) override {
        RUNWELL_FUZZ_CHECK(!text.empty());
        ++shown_;
    }
    bool AskOkCancel(const std::string&, const std::string&) override {
        ++shown_;
        return true;
    }
    long shown() const { return shown_; }

private:
    long shown_ = 0;
};

/// A scratch program folder: the shipped device files and StandardBattery.csv. Start-up creates
/// CustomBattery.csv beside them. Removed when the process ends.
fs::path gFolder;
std::unique_ptr<runwell::Workspace> gStarted;

void RemoveFolder() {
    std::error_code ec;
    if (!gFolder.empty()) {
        fs::remove_all(gFolder, ec);
    }
}

fs::path MakeFolder() {
    std::string pattern = (fs::temp_directory_path() / "runwell_fuzz_settings_XXXXXX").string();
    RUNWELL_FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
    const fs::path folder(pattern);
    const fs::path source(RUNWELL_SOURCE_DIR);
    fs::create_directories(folder / "Data");
    for (const fs::directory_entry& entry : fs::directory_iterator(source / "Data")) {
        if (entry.path().extension() == ".csv") {
            fs::copy_file(entry.path(), folder / "Data" / entry.path().filename());
        }
    }
    fs::copy_file(source / "StandardBattery.csv", folder / "StandardBattery.csv");
    return folder;
}

/// A computed text that shows an infinity or a NaN is a finding; it is printed to be reported.
void CheckFinite(const char* what, std::string_view text) {
    if (runwell::fuzz::ShowsNonFinite(text)) {
        std::fprintf(stderr, "%s shows a non-finite number: \"%.*s\"\n", what,
                     static_cast<int>(text.size()), text.data());
        std::abort();
    }
}

/// A NaN stored in a settings file may leave the average a NaN (the code allows it: the life is
/// then "?"), but every text shows a finite number.
void CheckResults(const runwell::ProfileResults& results) {
    CheckFinite("average current", results.averageText);
    CheckFinite("peak current", results.peakText);
    CheckFinite("battery life", results.lifeText);
    // Time with its share, current and charge are computed; the other cells are the file's text.
    for (const runwell::ModeCells& row : results.rows) {
        CheckFinite("mode time", row[3]);
        CheckFinite("mode current", row[4]);
        CheckFinite("mode charge", row[5]);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    gFolder = MakeFolder();
    std::atexit(RemoveFolder);
    OkPrompter prompter;
    runwell::Result<runwell::Workspace> started = runwell::Workspace::Start(gFolder, prompter);
    RUNWELL_FUZZ_CHECK(started.ok());
    RUNWELL_FUZZ_CHECK(prompter.shown() == 0);
    gStarted = std::make_unique<runwell::Workspace>(std::move(started).value());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    runwell::Workspace workspace = *gStarted;
    OkPrompter prompter;

    const runwell::ParsedSettings parsed = runwell::ParseSettings(bytes);
    // A mode record takes at least 59 bytes: three one-byte lengths, four floats, 40 flags.
    RUNWELL_FUZZ_CHECK(parsed.modes.size() * 59 <= size);
    runwell::ApplySettings(workspace, parsed, prompter);
    workspace.Recompute();
    const std::string report = runwell::BuildReport(workspace);
    RUNWELL_FUZZ_CHECK(report.rfind("DEVICE\r\n", 0) == 0);
    CheckResults(workspace.results());
    RUNWELL_FUZZ_CHECK(workspace.results().rows.size() == workspace.modes().size());

    // Whatever the load left, saving it and reading it back gives the same bytes.
    const std::string saved = runwell::SerializeSettings(runwell::SettingsOf(workspace));
    const runwell::ParsedSettings reread = runwell::ParseSettings(saved);
    RUNWELL_FUZZ_CHECK(!reread.error);
    runwell::SettingsData again;
    again.device = reread.device.value_or("");
    again.voltage = reread.voltage.value_or("");
    again.temperature = reread.temperature.value_or("");
    again.battery = reread.battery.value_or(0);
    again.modes = reread.modes;
    RUNWELL_FUZZ_CHECK(runwell::SerializeSettings(again) == saved);

    // Loading what was saved into a fresh start restores the same state, without a message.
    runwell::Workspace reloaded = *gStarted;
    OkPrompter quiet;
    runwell::ApplySettings(reloaded, reread, quiet);
    RUNWELL_FUZZ_CHECK(runwell::SerializeSettings(runwell::SettingsOf(reloaded)) == saved);
    RUNWELL_FUZZ_CHECK(runwell::BuildReport(reloaded) == report);
    RUNWELL_FUZZ_CHECK(quiet.shown() == 0);
    return 0;
}
