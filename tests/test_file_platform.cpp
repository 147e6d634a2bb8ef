// Files where the operating systems differ, run on each: names outside ASCII, a file another
// program holds open while it is replaced, read-only targets and folders, and a name without a
// '.' in a folder whose name has one. On Windows (the cross build, run under wine) the file
// attributes and sharing modes are the system's own.

#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "RecordingPrompter.h"
#include "ScratchFolder.h"
#include "model/BatteryCatalogue.h"
#include "model/DeviceFile.h"
#include "model/FileRead.h"
#include "model/Messages.h"
#include "model/Platform.h"
#include "model/Workspace.h"
#include "persist/Report.h"
#include "persist/SafeFile.h"
#include "persist/SettingsFile.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(RUNWELL_FIXTURES) / "settings/data";

/// A folder name and a file name in several scripts, written in UTF-8.
const std::string kFolderName = "Pr\xC3\xBC" "fung \xE2\x88\x86 \xE9\x9B\xBB\xE6\xB1\xA0";
const std::string kFileName = "Profil \xC3\xA9t\xC3\xA9";

class PlatformFiles : public testing::Test {
protected:
#ifdef _WIN32
    ~PlatformFiles() override {
        std::error_code ec;
        for (const auto& entry : fs::recursive_directory_iterator(folder_.path(), ec)) {
            SetReadOnly(entry.path(), false);
        }
    }
#endif
    /// A workspace over a copy of the fixture data in `data`, without CustomBattery.csv, so
    /// start-up creates it there.
    Workspace Start(const fs::path& data) {
        fs::copy(kData, data, fs::copy_options::recursive);
        fs::remove(data / "CustomBattery.csv");
        Result<Workspace> started = Workspace::Start(data, prompter_);
        EXPECT_TRUE(started.ok()) << started.error().message;
        return std::move(started).value();
    }

    /// The read-only mark as each system has it: the attribute on Windows, the write bits on
    /// POSIX systems.
    static void SetReadOnly(const fs::path& path, bool readOnly) {
#ifdef _WIN32
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        ::SetFileAttributesW(path.c_str(), readOnly ? attributes | FILE_ATTRIBUTE_READONLY
                                                    : attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
#else
        std::error_code ec;
        fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        readOnly ? fs::perm_options::remove : fs::perm_options::add, ec);
#endif
    }

    const ScratchFolder folder_;
    RecordingPrompter prompter_;
};

auto Writes(std::string content) {
    return [content](std::ostream& out) { return bool(out << content); };
}

TEST_F(PlatformFiles, NamesOutsideAsciiWorkFromStartUpToReport) {
    EXPECT_EQ(PathToUtf8(PathFromUtf8(kFolderName)), kFolderName);
    const fs::path data = folder_ / PathFromUtf8(kFolderName);
    Workspace workspace = Start(data);
    EXPECT_EQ(prompter_.messages, std::vector<std::string>{});
    EXPECT_FALSE(workspace.devices().empty());
    EXPECT_EQ(ReadWholeFile(data / "CustomBattery.csv"), std::string(CustomBatteryHeader()));

    // The extension is appended to the name as it is, whatever its characters.
    const fs::path profile = data / PathFromUtf8(kFileName);
    ASSERT_TRUE(SaveSettings(workspace, profile).ok());
    const fs::path saved = data / PathFromUtf8(kFileName + ".set");
    ASSERT_TRUE(fs::exists(saved));
    const std::string before = ReadWholeFile(saved).value_or("");
    LoadSettings(workspace, saved, prompter_);
    EXPECT_EQ(prompter_.messages, std::vector<std::string>{});
    ASSERT_TRUE(SaveSettings(workspace, saved).ok());
    EXPECT_EQ(ReadWholeFile(saved), before);
    ASSERT_TRUE(CreateReport(workspace, data / PathFromUtf8("Bericht \xC3\xBC")).ok());
    EXPECT_EQ(ReadWholeFile(data / PathFromUtf8("Bericht \xC3\xBC.txt")).value_or("").substr(0, 8),
              "DEVICE\r\n");

    // A device file's name in a message is UTF-8 whatever the system's own encoding is.
    const std::string broken = "kaputt \xC3\x9F.csv";
    fs::copy_file(data / "Data/broken.csv", data / PathFromUtf8(broken));
    const Result<DeviceData> loaded = LoadDeviceFile(data / PathFromUtf8(broken));
    ASSERT_FALSE(loaded.ok());
    EXPECT_NE(loaded.error().message.find("\"" + broken + "\""), std::string::npos)
        << loaded.error().message;
}

TEST_F(PlatformFiles, AFileHeldOpenElsewhereIsReplacedOrKept) {
    folder_.Put("held.set", "old bytes");
    const fs::path held = folder_ / "held.set";
    {
        // Another reader of this program, which opens files with every sharing allowed.
        FileLineReader reader(held);
        ASSERT_TRUE(reader.isOpen());
        ASSERT_TRUE(WriteFileSafely(held, Writes("new bytes")).ok());
        std::string_view line;
        ASSERT_TRUE(reader.Next(line));
        EXPECT_EQ(line, "old bytes");  // it goes on reading the file it opened
    }
    EXPECT_EQ(folder_.Snapshot(), (std::set<std::string>{"held.set=new bytes"}));
#ifdef _WIN32
    // A program that lets others read and write the file but not rename or delete it, as the C
    // run-time's fopen does: Windows cannot replace it then. The write fails, and the old file
    // and nothing else is left.
    const HANDLE handle = ::CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    const Status status = WriteFileSafely(held, Writes("newer"));
    ::CloseHandle(handle);
    EXPECT_EQ(status.ok() ? "written" : status.error().message, msg::kWriteFailed);
    EXPECT_EQ(folder_.Snapshot(), (std::set<std::string>{"held.set=new bytes"}));
#endif
}

TEST_F(PlatformFiles, ReadOnlyTargetsAndFolders) {
    folder_.Put("locked.set", "locked");
    fs::create_directory(folder_ / "shut");
    folder_.Put("shut/inside.set", "inside");
    folder_.Put("kept.set", "kept");

#ifdef _WIN32
    // The read-only attribute protects a file, but on a folder Windows takes it only as a hint for
    // the shell: files in it are created and replaced as in any other.
    const std::string lockedResult = msg::kCannotOpenForWriting;
    const std::string shutResult = "written";
#else
    // Permissions do not bind the superuser.
    const bool bound = ::geteuid() != 0;
    const std::string lockedResult = bound ? msg::kCannotOpenForWriting : "written";
    const std::string shutResult = bound ? msg::kCannotOpenForWriting : "written";
#endif
    const struct {
        const char* target;
        bool givesUp;
        std::string message;
    } cases[] = {
        {"locked.set", false, lockedResult},
        {"shut/inside.set", false, shutResult},
        {"shut/new.set", false, shutResult},
        {"missing/profile.set", false, msg::kCannotOpenForWriting},
        {"kept.set", true, msg::kWriteFailed},
    };
    SetReadOnly(folder_ / "locked.set", true);
    SetReadOnly(folder_ / "shut", true);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        std::set<std::string> expected = folder_.Snapshot();
        const auto write = [&](std::ostream& out) { return bool(out << "replaced") && !c.givesUp; };
        const Status status = WriteFileSafely(folder_ / c.target, write);
        EXPECT_EQ(status.ok() ? "written" : status.error().message, c.message);
        if (status.ok()) {
            std::erase_if(expected, [&](const std::string& entry) {
                return entry.starts_with(std::string(c.target) + "=");
            });
            expected.insert(std::string(c.target) + "=replaced");
        }
        EXPECT_EQ(folder_.Snapshot(), expected);
    }
}

TEST_F(PlatformFiles, ANameWithoutADotInAFolderWithOne) {
    // A '.' anywhere in the path counts, also in a folder's name: the name is used as it is.
#ifdef _WIN32
    EXPECT_EQ(EnsureExtension(L"C:\\a.b\\profile", ".set"), fs::path(L"C:\\a.b\\profile"));
    EXPECT_EQ(EnsureExtension(L"C:\\ab\\profile", ".set"), fs::path(L"C:\\ab\\profile.set"));
#endif
    Workspace workspace = Start(folder_ / "data");
    fs::create_directory(folder_ / "my.folder");
    fs::create_directory(folder_ / "myfolder");
    ASSERT_TRUE(SaveSettings(workspace, folder_ / "my.folder" / "profile").ok());
    ASSERT_TRUE(SaveSettings(workspace, folder_ / "myfolder" / "profile").ok());
    ASSERT_TRUE(CreateReport(workspace, folder_ / "my.folder" / "report").ok());
    std::set<std::string> written;
    for (const char* sub : {"my.folder", "myfolder"}) {
        for (const auto& entry : fs::directory_iterator(folder_ / sub)) {
            written.insert(folder_.Name(entry.path()));
        }
    }
    EXPECT_EQ(written,
              (std::set<std::string>{"my.folder/profile", "my.folder/report", "myfolder/profile.set"}));
}

}  // namespace
}  // namespace runwell
