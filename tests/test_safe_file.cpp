// Safe writes on POSIX systems: a writer that throws or meets a full disk, a loop of links,
// permission bits kept, writes through links, and a killed writer's temporary file. Read-only
// targets and folders, missing folders and writers that give up are in test_file_platform.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>

#include "ScratchFolder.h"
#include "model/Messages.h"
#include "persist/SafeFile.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

auto Writes(std::string content) {
    return [content](std::ostream& out) { return bool(out << content); };
}

fs::perms Permissions(const fs::path& path) {
    return fs::status(path).permissions() & fs::perms::mask;
}

TEST(SafeFile, FailuresLeaveEveryFileAsItWas) {
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

TEST(SafeFile, WritesNewFilesReplacesFilesAndWritesThroughLinks) {
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

TEST(SafeFile, AFileSizeLimitOrAKilledWriterLeavesNoTemporaryFileForGood) {
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

}  // namespace
}  // namespace runwell
