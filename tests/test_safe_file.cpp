#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>
#include <chrono>
#include <functional>

#include "model/FileRead.h"
#include "model/Messages.h"
#include "persist/SafeFile.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

class SafeFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "runwell-safe-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(folder_ / "closed", fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(folder_, ec);
    }

    void Put(const std::string& name, const std::string& content) const {
        std::ofstream(folder_ / name, std::ios::binary) << content;
    }
    /// Every path below the folder with the bytes of each file (through links): what a failed
    /// write must leave as it was, and where a left-over temporary file would show.
    std::set<std::string> Snapshot() const {
        std::set<std::string> paths;
        for (const auto& entry : fs::recursive_directory_iterator(folder_)) {
            paths.insert(entry.path().lexically_relative(folder_).string() + "=" +
                         ReadWholeFile(entry.path()).value_or("<no file>"));
        }
        return paths;
    }
    fs::perms Permissions(const std::string& name) const {
        return fs::status(folder_ / name).permissions() & fs::perms::mask;
    }

    fs::path folder_;
};

auto Writes(std::string content) {
    return [content](std::ostream& out) { return bool(out << content); };
}

TEST_F(SafeFileTest, FailuresLeaveEveryFileAsItWas) {
    Put("profile.set", "previous bytes\0\xFF"s);
    Put("readonly.set", "kept");
    fs::permissions(folder_ / "readonly.set", static_cast<fs::perms>(0444));
    fs::create_directory(folder_ / "closed");
    fs::permissions(folder_ / "closed", static_cast<fs::perms>(0500));
    const std::set<std::string> before = Snapshot();

    rlimit original{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &original), 0);
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    // Each writer writes 5000 bytes and then gives up, throws, or reports success while write(2)
    // fails under a file size limit of 1000 bytes the way it does on a full disk.
    const struct {
        const char* target;
        std::string writer;
        std::string message;
    } cases[] = {
        {"profile.set", "gives up", msg::kWriteFailed},
        {"profile.set", "throws", "thrown"},
        {"profile.set", "disk full", msg::kWriteFailed},
        {"missing/profile.set", "", msg::kCannotOpenForWriting},
        {"readonly.set", "", msg::kCannotOpenForWriting},
        {"closed/profile.set", "", msg::kCannotOpenForWriting},
    };
    // Permissions do not bind the superuser, so it skips the last two cases.
    for (std::size_t i = 0; i < std::size(cases) - (::geteuid() == 0 ? 2 : 0); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.target + (" " + c.writer));
        const auto write = [&](std::ostream& out) {
            if (c.writer == "disk full") {
                rlimit limited = original;
                limited.rlim_cur = 1000;
                ::setrlimit(RLIMIT_FSIZE, &limited);
            }
            out << std::string(5000, 'x');
            return c.writer == "throws" ? throw std::runtime_error("thrown")
                                        : c.writer != "gives up";
        };
        std::string message;
        try {
            const Status status = WriteFileSafely(folder_ / c.target, write);
            message = status.ok() ? "written" : status.error().message;
        } catch (const std::runtime_error& e) {
            message = e.what();
        }
        ::setrlimit(RLIMIT_FSIZE, &original);
        EXPECT_EQ(message, c.message);
        EXPECT_EQ(Snapshot(), before);
    }
    ::signal(SIGXFSZ, oldHandler);
}

TEST_F(SafeFileTest, WritesNewFilesReplacesFilesAndWritesThroughLinks) {
    // A name near the longest allowed still leaves room for the temporary file's.
    const std::string longName = std::string(250, 'n') + ".set";
    ASSERT_TRUE(WriteFileSafely(folder_ / longName, Writes("new\r\n")).ok());
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(Permissions(longName), static_cast<fs::perms>(0666 & ~mask));

    Put("report.txt", std::string(10000, 'o'));
    fs::permissions(folder_ / "report.txt", static_cast<fs::perms>(0640));
    const std::string replacement(9000, 'r');  // more than one buffer
    ASSERT_TRUE(WriteFileSafely(folder_ / "report.txt", Writes(replacement)).ok());
    EXPECT_EQ(Permissions("report.txt"), static_cast<fs::perms>(0640));

    Put("real.set", "old");
    fs::create_symlink("real.set", folder_ / "link.set");
    ASSERT_TRUE(WriteFileSafely(folder_ / "link.set", Writes("linked")).ok());
    EXPECT_TRUE(fs::is_symlink(folder_ / "link.set"));

    EXPECT_EQ(Snapshot(), (std::set<std::string>{"link.set=linked", longName + "=new\r\n",
                                                 "real.set=linked", "report.txt=" + replacement}));
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

TEST_F(SafeFileTest, AFileSizeLimitOrAKilledWriterLeavesNoTemporaryFileForGood) {
    Put("profile.set", "previous");
    const std::set<std::string> before = Snapshot();

    // Under a file size limit the write fails with its message instead of ending the process.
    const int limited = InChild([&] {
        rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const Status status = WriteFileSafely(folder_ / "profile.set", Writes(std::string(5000, 'x')));
        return !status.ok() && status.error().message == msg::kWriteFailed ? 7 : 1;
    });
    ASSERT_TRUE(WIFEXITED(limited)) << "signal " << WTERMSIG(limited);
    EXPECT_EQ(WEXITSTATUS(limited), 7);
    EXPECT_EQ(Snapshot(), before);

    // A writer killed in the middle leaves its temporary file; the next save to the same target
    // by a later process removes it, and keeps other files of similar names.
    const int killed = InChild([&] {
        (void)WriteFileSafely(folder_ / "profile.set", [](std::ostream& out) {
            out << std::string(9000, 'k') << std::flush;
            ::raise(SIGKILL);
            return true;
        });
        return 0;
    });
    ASSERT_TRUE(WIFSIGNALED(killed));
    std::vector<fs::path> left;
    for (const auto& entry : fs::directory_iterator(folder_)) {
        if (entry.path().filename() != "profile.set") {
            left.push_back(entry.path());
        }
    }
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].filename().string().rfind(".profile.set.runwell-", 0), 0u);
    // As if the killed save had happened before this process started.
    fs::last_write_time(left[0], fs::last_write_time(left[0]) - std::chrono::hours(1));
    Put(".profile.set.runwell-kept", "not a temporary file of this pattern");
    Put(".other.set.runwell-ABCDEF", "another target's");
    for (const char* name : {".profile.set.runwell-kept", ".other.set.runwell-ABCDEF"}) {
        fs::last_write_time(folder_ / name, fs::last_write_time(left[0]));
    }
    ASSERT_TRUE(WriteFileSafely(folder_ / "profile.set", Writes("new")).ok());
    EXPECT_EQ(Snapshot(), (std::set<std::string>{".other.set.runwell-ABCDEF=another target's",
                                                 ".profile.set.runwell-kept=not a temporary "
                                                 "file of this pattern",
                                                 "profile.set=new"}));
}

TEST_F(SafeFileTest, ALoopOfLinksIsRefusedAndLeftAsItWas) {
    fs::create_symlink("b.set", folder_ / "a.set");
    fs::create_symlink("a.set", folder_ / "b.set");
    fs::create_symlink("self.set", folder_ / "self.set");
    for (const char* target : {"a.set", "self.set"}) {
        const Status status = WriteFileSafely(folder_ / target, Writes("x"));
        ASSERT_FALSE(status.ok()) << target;
        EXPECT_EQ(status.error().message, msg::kCannotOpenForWriting);
    }
    EXPECT_EQ(fs::read_symlink(folder_ / "a.set"), "b.set");
    EXPECT_EQ(fs::read_symlink(folder_ / "b.set"), "a.set");
    EXPECT_EQ(fs::read_symlink(folder_ / "self.set"), "self.set");
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder_)) {
        ++entries;
    }
    EXPECT_EQ(entries, 3u);  // no temporary file either
}

}  // namespace
}  // namespace runwell
