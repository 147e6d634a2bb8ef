#include "Session.h"

#include <fstream>
#include <ostream>

#include "Command.h"
#include "base/Messages.h"
#include "files/ProfileDocument.h"
#include "files/SettingsFile.h"
#include "platform/Platform.h"

namespace runwell::cli {

StderrPrompter::StderrPrompter(std::ostream& err, DataLocation data, bool verbose)
    : err_(err), data_(std::move(data)), verbose_(verbose), subject_(data_.folder) {}

void StderrPrompter::ShowMessage(const std::string& text, MessageKind kind) {
    if (kind == MessageKind::Notice && !verbose_) {
        return;
    }
    ++shown_;
    Print(text);
}

bool StderrPrompter::AskOkCancel(const std::string& text, const std::string&) {
    // The tool starts with an empty profile, so a load never needs to ask; answer as a user
    // who wants the file applied would.
    Print(text + " OK");
    return true;
}

std::filesystem::path StderrPrompter::SubjectOf(const std::string& text) const {
    // Start-up messages and device-file messages concern the data folder's files, whatever
    // the tool is loading at the time; a device-file message names its file itself.
    if (text == msg::kNoDeviceFiles || text == msg::kCannotOpenDeviceFile ||
        text.starts_with("The device data file ")) {
        return data_.folder / "Data";
    }
    if (text == msg::kCannotOpenBatteryFile) {
        // The standard file is read first; only when it opens can the custom one be meant.
        const std::filesystem::path standard = data_.folder / "StandardBattery.csv";
        return std::ifstream(standard) ? data_.customBatteries : standard;
    }
    if (text == msg::kCannotOpenForWriting && subject_ == data_.folder) {
        return data_.customBatteries;
    }
    return subject_;
}

void StderrPrompter::Print(const std::string& text) {
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        line += text[i];
    }
    while (!line.empty() && line.back() == '\n') {
        line.pop_back();
    }
    PrintFailure(err_, SubjectOf(line), line);
}

std::optional<std::string> NotSettingsMessage(const std::filesystem::path& file) {
    const std::string name = PathToUtf8(file.filename());
    switch (ClassifyForeignFile(file)) {
        case ForeignFile::kJson:
            return name + " is a JSON file, not a settings file; for a text profile use "
                          "runwell-cli import.";
        case ForeignFile::kCsv:
            return name + " is a CSV file, not a settings file; for a current trace use "
                          "runwell-cli trace.";
        case ForeignFile::kText:
            return name + " is a text file, not a settings file.";
        case ForeignFile::kNone:
            break;
    }
    return std::nullopt;
}

std::optional<Workspace> OpenSettings(const DataLocation& data,
                                      const std::filesystem::path& settings,
                                      StderrPrompter& prompter) {
    prompter.SetSubject(data.folder);
    Result<Workspace> started = Workspace::Start(data, prompter);
    if (!started) {
        prompter.Print(started.error().message);
        return std::nullopt;
    }
    Workspace workspace = std::move(started).value();
    // Every message of a load reports a step that failed.
    prompter.SetSubject(settings);
    if (const std::optional<std::string> foreign = NotSettingsMessage(settings)) {
        prompter.Print(*foreign);
        return std::nullopt;
    }
    // A sidecar that cannot be used is reported, and the profile is used with the default
    // extras: only a settings file that was not applied whole fails the command.
    if (!LoadSettings(workspace, settings, prompter)) {
        return std::nullopt;
    }
    return workspace;
}

std::optional<Workspace> OpenSettingsArgument(const Context& context, std::string_view argument) {
    StderrPrompter prompter(context.err, context.data, context.verbose);
    return OpenSettings(context.data, PathArgument(argument), prompter);
}

}  // namespace runwell::cli
