#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

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
        fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(folder_, ec);
    }

    static void Put(const fs::path& path, const std::string& content) {
        std::ofstream(path, std::ios::binary) << content;
    }
    static std::string Get(const fs::path& path) { return ReadWholeFile(path).value_or("<none>"); }
    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    static fs::perms Permissions(const fs::path& path) {
        return fs::status(path).permissions() & fs::perms::mask;
    }

    fs::path folder_;
};

std::function<bool(std::ostream&)> Writes(std::string content) {
    return [content = std::move(content)](std::ostream& out) {
        out << content;
        return true;
    };
}

TEST_F(SafeFileTest, CreatesANewFile) {
    const fs::path target = folder_ / "profile.set";
    const Status status = WriteFileSafely(target, Writes("new\r\ncontent"));
    ASSERT_TRUE(status.ok()) << status.error().message;
    EXPECT_EQ(Get(target), "new\r\ncontent");
    EXPECT_EQ(Listing(), std::vector<std::string>{"profile.set"});

    // A new file gets the bits creating it directly would give it.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(Permissions(target), static_cast<fs::perms>(0666 & ~mask));
}

TEST_F(SafeFileTest, ReplacesAFileAndKeepsItsPermissions) {
    const fs::path target = folder_ / "report.txt";
    Put(target, std::string(10000, 'o'));
    fs::permissions(target, static_cast<fs::perms>(0640));
    const std::string content(9000, 'n');  // more than one buffer
    ASSERT_TRUE(WriteFileSafely(target, Writes(content)).ok());
    EXPECT_EQ(Get(target), content);
    EXPECT_EQ(Permissions(target), static_cast<fs::perms>(0640));
    EXPECT_EQ(Listing(), std::vector<std::string>{"report.txt"});
}

TEST_F(SafeFileTest, FailedWritesKeepThePreviousFile) {
    const fs::path target = folder_ / "profile.set";
    const std::string previous = "previous bytes\0\xFF"s;
    struct Case {
        const char* name;
        std::function<bool(std::ostream&)> write;
    };
    const Case cases[] = {
        {"writer gives up at once", [](std::ostream&) { return false; }},
        {"writer gives up after a buffer and more",
         [](std::ostream& out) {
             out << std::string(5000, 'x');
             return false;
         }},
        {"stream went bad after a few bytes",
         [](std::ostream& out) {
             out << "abc";
             out.setstate(std::ios::badbit);
             return true;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Put(target, previous);
        const Status status = WriteFileSafely(target, c.write);
        ASSERT_FALSE(status.ok());
        EXPECT_EQ(status.error().message, msg::kWriteFailed);
        EXPECT_EQ(Get(target), previous);
        EXPECT_EQ(Listing(), std::vector<std::string>{"profile.set"});
    }
}

TEST_F(SafeFileTest, AFullDiskKeepsThePreviousFile) {
    // A file size limit makes write(2) fail the way a full disk does.
    const fs::path target = folder_ / "profile.set";
    Put(target, "previous");
    rlimit original{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &original), 0);
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = original;
    limited.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const Status status = WriteFileSafely(target, Writes(std::string(20000, 'x')));
    ::setrlimit(RLIMIT_FSIZE, &original);
    ::signal(SIGXFSZ, oldHandler);

    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().message, msg::kWriteFailed);
    EXPECT_EQ(Get(target), "previous");
    EXPECT_EQ(Listing(), std::vector<std::string>{"profile.set"});
}

TEST_F(SafeFileTest, AThrowingWriterLeavesNoTemporaryFile) {
    const fs::path target = folder_ / "profile.set";
    Put(target, "previous");
    EXPECT_THROW(WriteFileSafely(target,
                                 [](std::ostream& out) -> bool {
                                     out << "partial";
                                     throw std::runtime_error("out of memory");
                                 }),
                 std::runtime_error);
    EXPECT_EQ(Get(target), "previous");
    EXPECT_EQ(Listing(), std::vector<std::string>{"profile.set"});
}

TEST_F(SafeFileTest, CannotOpenForWriting) {
    const fs::path missingFolder = folder_ / "missing" / "profile.set";
    Status status = WriteFileSafely(missingFolder, Writes("x"));
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().message, msg::kCannotOpenForWriting);
    EXPECT_FALSE(fs::exists(folder_ / "missing"));

    fs::create_directory(folder_ / "folder.set");
    status = WriteFileSafely(folder_ / "folder.set", Writes("x"));
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().message, msg::kCannotOpenForWriting);
    EXPECT_TRUE(fs::is_directory(folder_ / "folder.set"));
}

TEST_F(SafeFileTest, CannotWriteWithoutPermission) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind the superuser";
    }
    const fs::path readOnly = folder_ / "readonly.set";
    Put(readOnly, "kept");
    fs::permissions(readOnly, static_cast<fs::perms>(0444));
    Status status = WriteFileSafely(readOnly, Writes("x"));
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().message, msg::kCannotOpenForWriting);
    EXPECT_EQ(Get(readOnly), "kept");

    const fs::path closed = folder_ / "closed";
    fs::create_directory(closed);
    fs::permissions(closed, static_cast<fs::perms>(0500));
    status = WriteFileSafely(closed / "profile.set", Writes("x"));
    fs::permissions(closed, static_cast<fs::perms>(0700));
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().message, msg::kCannotOpenForWriting);
    EXPECT_TRUE(fs::is_empty(closed));
    EXPECT_EQ(Listing(), (std::vector<std::string>{"closed", "readonly.set"}));
}

TEST_F(SafeFileTest, WritesThroughASymbolicLink) {
    const fs::path real = folder_ / "real.set";
    const fs::path link = folder_ / "link.set";
    Put(real, "old");
    fs::create_symlink("real.set", link);
    ASSERT_TRUE(WriteFileSafely(link, Writes("new")).ok());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Get(real), "new");
    EXPECT_EQ(Listing(), (std::vector<std::string>{"link.set", "real.set"}));
}

TEST_F(SafeFileTest, AVeryLongNameStillGetsATemporaryFile) {
    const fs::path target = folder_ / (std::string(250, 'n') + ".set");
    ASSERT_TRUE(WriteFileSafely(target, Writes("long")).ok());
    EXPECT_EQ(Get(target), "long");
    EXPECT_EQ(Listing().size(), 1u);
}

}  // namespace
}  // namespace runwell
