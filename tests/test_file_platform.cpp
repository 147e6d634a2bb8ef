// Files where the operating systems differ, run on each: names outside ASCII, a file another
// program holds open while it is replaced, read-only targets and folders, and a name without a
// '.' in a folder whose name has one. On Windows (the cross build, run under wine) the file
// attributes and sharing modes are the system's own; on POSIX systems also writers that throw or
// meet a full disk, loops of links, permission bits and a killed writer's temporary file.

#include <gtest/gtest.h>

#ifdef _WIN32
#include "platform/WindowsHeaders.h"
#else
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>

#include "RecordingPrompter.h"
#include "ScratchFolder.h"
#include "base/Messages.h"
#include "battery/BatteryCatalogue.h"
#include "device/DeviceFile.h"
#include "exchange/Report.h"
#include "files/ProfileDocument.h"
#include "files/SafeFile.h"
#include "files/SettingsFile.h"
#include "platform/FileRead.h"
#include "platform/Platform.h"
#include "session/Workspace.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

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

// --- POSIX systems: a writer that throws or meets a full disk, a loop of links, permission bits
// kept, writes through links, and a killed writer's temporary file. ---------------------------
#ifndef _WIN32

fs::perms Permissions(const fs::path& path) {
    return fs::status(path).permissions() & fs::perms::mask;
}

TEST(PosixSafeFile, FailuresLeaveEveryFileAsItWas) {
    const ScratchFolder folder;
    folder.Put("profile.set", "previous bytes\0\xFF"s);
    fs::create_symlink("b.set", folder / "a.set");
    fs::create_symlink("a.set", folder / "b.set");
    fs::create_symlink("self.set", folder / "self.set");
    const std::set<std::string> before = folder.Snapshot();

    rlimit original{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &original), 0);
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    // Each writer writes 5000 bytes and then throws, or reports success while write(2) fails
    // under a file size limit of 1000 bytes the way it does on a full disk. The links stay links
    // and no temporary file is left beside them.
    const struct {
        const char* target;
        std::string writer;
        std::string message;
    } cases[] = {
        {"profile.set", "throws", "thrown"},
        {"profile.set", "disk full", msg::kWriteFailed},
        {"a.set", "", msg::kCannotOpenForWriting},
        {"self.set", "", msg::kCannotOpenForWriting},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target + (" " + c.writer));
        const auto write = [&](std::ostream& out) {
            if (c.writer == "disk full") {
                rlimit limited = original;
                limited.rlim_cur = 1000;
                ::setrlimit(RLIMIT_FSIZE, &limited);
            }
            out << std::string(5000, 'x');
            return c.writer == "throws" ? throw std::runtime_error("thrown") : true;
        };
        std::string message;
        try {
            const Status status = WriteFileSafely(folder / c.target, write);
            message = status.ok() ? "written" : status.error().message;
        } catch (const std::runtime_error& e) {
            message = e.what();
        }
        ::setrlimit(RLIMIT_FSIZE, &original);
        EXPECT_EQ(message, c.message);
        EXPECT_EQ(folder.Snapshot(), before);
    }
    ::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(fs::read_symlink(folder / "a.set"), "b.set");
    EXPECT_EQ(fs::read_symlink(folder / "b.set"), "a.set");
    EXPECT_EQ(fs::read_symlink(folder / "self.set"), "self.set");
}

TEST(PosixSafeFile, WritesNewFilesReplacesFilesAndWritesThroughLinks) {
    const ScratchFolder folder;
    // A name near the longest allowed still leaves room for the temporary file's.
    const std::string longName = std::string(250, 'n') + ".set";
    ASSERT_TRUE(WriteFileSafely(folder / longName, Writes("new\r\n")).ok());
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(Permissions(folder / longName), static_cast<fs::perms>(0666 & ~mask));

    folder.Put("report.txt", std::string(10000, 'o'));
    fs::permissions(folder / "report.txt", static_cast<fs::perms>(0640));
    const std::string replacement(9000, 'r');  // more than one buffer
    ASSERT_TRUE(WriteFileSafely(folder / "report.txt", Writes(replacement)).ok());
    EXPECT_EQ(Permissions(folder / "report.txt"), static_cast<fs::perms>(0640));

    folder.Put("real.set", "old");
    fs::create_symlink("real.set", folder / "link.set");
    ASSERT_TRUE(WriteFileSafely(folder / "link.set", Writes("linked")).ok());
    EXPECT_TRUE(fs::is_symlink(folder / "link.set"));

    EXPECT_EQ(folder.Snapshot(), (std::set<std::string>{"link.set=linked", longName + "=new\r\n",
                                                        "real.set=linked",
                                                        "report.txt=" + replacement}));
}

/// Runs `body` in a child process with the default signal dispositions and returns its wait
/// status: a write that kills its process must be watched from outside it.
int InChild(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_DFL);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

TEST(PosixSafeFile, AFileSizeLimitOrAKilledWriterLeavesNoTemporaryFileForGood) {
    const ScratchFolder folder;
    const fs::path profile = folder.Put("profile.set", "previous");
    const std::set<std::string> before = folder.Snapshot();

    // Under a file size limit the write fails with its message instead of ending the process.
    const int limited = InChild([&] {
        rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const Status status = WriteFileSafely(profile, Writes(std::string(5000, 'x')));
        return !status.ok() && status.error().message == msg::kWriteFailed ? 7 : 1;
    });
    ASSERT_TRUE(WIFEXITED(limited)) << "signal " << WTERMSIG(limited);
    EXPECT_EQ(WEXITSTATUS(limited), 7);
    EXPECT_EQ(folder.Snapshot(), before);

    // A writer killed in the middle leaves its temporary file; the next save to the same target
    // by a later process removes it, and keeps other files of similar names.
    const int killed = InChild([&] {
        (void)WriteFileSafely(profile, [](std::ostream& out) {
            out << std::string(9000, 'k') << std::flush;
            ::raise(SIGKILL);
            return true;
        });
        return 0;
    });
    ASSERT_TRUE(WIFSIGNALED(killed));
    std::vector<fs::path> left;
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        if (entry.path().filename() != "profile.set") {
            left.push_back(entry.path());
        }
    }
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].filename().string().rfind(".profile.set.runwell-", 0), 0u);
    // As if the killed save had happened before this process started.
    fs::last_write_time(left[0], fs::last_write_time(left[0]) - std::chrono::hours(1));
    for (const char* name : {".profile.set.runwell-kept", ".other.set.runwell-ABCDEF"}) {
        fs::last_write_time(folder.Put(name, "kept"), fs::last_write_time(left[0]));
    }
    ASSERT_TRUE(WriteFileSafely(profile, Writes("new")).ok());
    EXPECT_EQ(folder.Snapshot(),
              (std::set<std::string>{".other.set.runwell-ABCDEF=kept",
                                     ".profile.set.runwell-kept=kept", "profile.set=new"}));
}

#endif  // _WIN32

}  // namespace
}  // namespace runwell
