// Every reader stops at the read limit: files larger than it are refused before they are read,
// endless ones (a FIFO fed without end) are read in bounded steps and refused, and memory that
// runs out during a load is a message. Also the device scan's list of names.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model/BatteryCatalogue.h"
#include "model/DeviceCatalogue.h"
#include "model/DeviceFile.h"
#include "model/FileRead.h"
#include "model/Messages.h"
#include "model/Text.h"
#include "model/Workspace.h"
#include "persist/SettingsFile.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;

class CollectingPrompter : public Prompter {
public:
    void ShowMessage(const std::string& text, MessageKind) override { messages.push_back(text); }
    bool AskOkCancel(const std::string&, const std::string&) override { return true; }
    std::vector<std::string> messages;
};

class ReadLimits : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "runwell-limits-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }
    fs::path Put(const std::string& name, const std::string& content) const {
        std::ofstream(folder_ / name, std::ios::binary) << content;
        return folder_ / name;
    }
    /// A file one byte over the limit, sparse, so it costs no disk and is never read.
    fs::path PutOversized(const std::string& name) const {
        const fs::path path = Put(name, "x");
        fs::resize_file(path, kMaxInputFileBytes + 1);
        return path;
    }
    /// A FIFO that a child process fills with `line` repeated until the reader goes away.
    fs::path EndlessFifo(const std::string& name, const std::string& line) {
        const fs::path path = folder_ / name;
        EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
        writer_ = ::fork();
        if (writer_ == 0) {
            ::signal(SIGPIPE, SIG_DFL);
            const int fd = ::open(path.c_str(), O_WRONLY);
            std::string chunk;
            while (chunk.size() < 65536) {
                chunk += line;
            }
            while (::write(fd, chunk.data(), chunk.size()) > 0) {
            }
            ::_exit(0);
        }
        return path;
    }
    void ReapWriter() {
        if (writer_ > 0) {
            ::kill(writer_, SIGKILL);
            ::waitpid(writer_, nullptr, 0);
            writer_ = -1;
        }
    }

    fs::path folder_;
    pid_t writer_ = -1;
};

TEST_F(ReadLimits, FilesOverTheLimitAreRefusedBeforeTheyAreRead) {
    const fs::path device = PutOversized("big.csv");
    EXPECT_EQ(LoadDeviceFile(device).error().message, FileTooLargeMessage(device));
    EXPECT_EQ(FileTooLargeMessage(device),
              "The file \"big.csv\" is larger than 1 GiB, the most Runwell reads; it was not read.");

    std::vector<BatteryRecord> catalogue;
    const fs::path battery = PutOversized("StandardBattery.csv");
    EXPECT_EQ(LoadBatteryFile(battery, catalogue), FileTooLargeMessage(battery));
    ASSERT_EQ(catalogue.size(), 1u);  // "Ideal" stands in, as for a file that cannot be opened
    EXPECT_EQ(catalogue[0].description, "Ideal");

    fs::create_directory(folder_ / "Data");
    Put("Data/small.csv", "Small\nNotes\nM,V,T,F,Base\nSLEEP,3V,25C,0,5\n");
    fs::rename(device, folder_ / "Data" / "big.csv");
    const DeviceScan scan = ScanDeviceFolder(folder_ / "Data");
    EXPECT_EQ(scan.messages, std::vector<std::string>{FileTooLargeMessage(device)});
    ASSERT_EQ(scan.entries.size(), 1u);
    EXPECT_EQ(scan.entries[0].name, "Small");

    CollectingPrompter prompter;
    Result<Workspace> workspace = Workspace::Start(folder_, prompter);
    ASSERT_TRUE(workspace.ok());
    const fs::path settings = PutOversized("big.set");
    prompter.messages.clear();
    LoadSettings(*workspace, settings, prompter);
    EXPECT_EQ(prompter.messages, std::vector<std::string>{FileTooLargeMessage(settings)});
}

TEST_F(ReadLimits, TheLimitItselfIsReadAndOneByteMoreIsNot) {
    const fs::path ten = Put("ten", "0123456\r\n9");
    ASSERT_TRUE(ReadFileContent(ten, "closed", 10).ok());
    EXPECT_EQ(ReadFileContent(ten, "closed", 9).error().message, FileTooLargeMessage(ten));
    EXPECT_EQ(ReadFileContent(folder_ / "missing", "closed").error().message, "closed");

    for (const std::uint64_t limit : {9u, 10u}) {
        FileLineReader reader(ten, 4, limit);
        std::string_view line;
        std::vector<std::string> lines;
        while (reader.Next(line)) {
            lines.emplace_back(line);
        }
        EXPECT_EQ(reader.tooLarge(), limit == 9);
        const std::vector<std::string> expected =
            limit == 9 ? std::vector<std::string>{} : std::vector<std::string>{"0123456", "9"};
        EXPECT_EQ(lines, expected);
    }
}

TEST_F(ReadLimits, EndlessInputIsReadInBoundedStepsAndRefused) {
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 22;
    {
        const fs::path fifo = EndlessFifo("whole.set", std::string(1000, '\0'));
        EXPECT_EQ(ReadFileContent(fifo, "closed", kLimit).error().message,
                  FileTooLargeMessage(fifo));
        ReapWriter();
    }
    // Lines, and one endless line, as a device file's reader sees them.
    for (const std::string line : {"SLEEP,3V,25C,0,5\n", "xxxxxxxx"}) {
        const fs::path fifo = EndlessFifo("lines" + std::to_string(line.size()) + ".csv", line);
        FileLineReader reader(fifo, 4096, kLimit);
        std::string_view read;
        std::uint64_t bytes = 0;
        while (reader.Next(read)) {
            bytes += read.size() + 1;
        }
        EXPECT_TRUE(reader.tooLarge());
        EXPECT_LE(bytes, kLimit);
        ReapWriter();
    }
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
TEST_F(ReadLimits, RunningOutOfMemoryInADeviceLoadIsAMessage) {
    // 300,000 rows of 40 currents need about 53 MB; the child may use 24 MB more than it holds.
    std::string content = "D\nNotes\nM,V,T,F";
    for (int k = 0; k < 40; ++k) {
        content += ",C" + std::to_string(k);
    }
    content += "\n";
    std::string row = "RUN,3V,25C,1";
    for (int k = 0; k < 40; ++k) {
        row += ",1";
    }
    row += "\n";
    content.reserve(content.size() + 300000 * row.size());
    for (int i = 0; i < 300000; ++i) {
        content += row;
    }
    const fs::path path = Put("huge.csv", content);
    content = {};

    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        std::ifstream status("/proc/self/status");
        std::string line;
        long sizeKb = 0;
        while (std::getline(status, line)) {
            if (line.rfind("VmSize:", 0) == 0) {
                sizeKb = std::stol(line.substr(7));
            }
        }
        const rlim_t bytes = static_cast<rlim_t>(sizeKb) * 1024 + (rlim_t{24} << 20);
        rlimit limit{bytes, bytes};
        ::setrlimit(RLIMIT_AS, &limit);
        const Result<DeviceData> loaded = LoadDeviceFile(path);
        const std::string message = loaded ? "loaded" : loaded.error().message;
        (void)!::write(pipeFds[1], message.data(), message.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string message;
    char buffer[256];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        message.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(message, OutOfMemoryMessage(path));
}
#endif

TEST_F(ReadLimits, TheScanKeepsEachNameOnceWithItsFile) {
    fs::create_directory(folder_ / "Data");
    Put("Data/a.csv", ",b3,,A1,abc ,\r\nnotes, not names\n");
    Put("Data/b.csv", "a2,ABC ,a1\r");  // no line end: the CR is dropped all the same
    Put("Data/c.csv", std::string(300000, ',') + "z9" + std::string(300000, ',') + "\n");
    Put("Data/d.csv", "\nno names on line 1\n");
    const DeviceScan scan = ScanDeviceFolder(folder_ / "Data");
    EXPECT_TRUE(scan.messages.empty());
    std::vector<std::string> entries;
    for (const DeviceEntry& entry : scan.entries) {
        entries.push_back(std::string(entry.name) + "@" + entry.file.filename().string());
    }
    EXPECT_EQ(entries, (std::vector<std::string>{"A1@a.csv", "a1@b.csv", "a2@b.csv",
                                                 "abc @a.csv", "ABC @b.csv", "b3@a.csv",
                                                 "z9@c.csv"}));
    EXPECT_EQ(&scan.entries[0].file, &scan.entries[5].file);  // one path for all of a file's names
}

TEST_F(ReadLimits, TheScanOfManyNamesSortsLikeAStableSortIgnoringCase) {
    // Enough names for every path of the sort (buckets, several threads, runs of names that
    // agree in their first eight letters), in an order that is not sorted.
    std::vector<std::string> names;
    std::string line;
    for (std::uint32_t i = 0; i < 200000; ++i) {
        const std::uint32_t k = i * 2654435761u;
        std::string name = (k & 1u) != 0 ? "Device-" : "DEVICE-";
        name += static_cast<char>('a' + (k >> 8) % 26);
        if ((k >> 16) % 3 == 0) {
            name += std::to_string((k >> 4) % 5000);  // beyond the eighth letter, and duplicated
        }
        names.push_back(name);
        line += name + ",";
    }
    fs::create_directory(folder_ / "Data");
    Put("Data/many.csv", line + "\n");
    const DeviceScan scan = ScanDeviceFolder(folder_ / "Data");
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return LessIgnoringCase(a, b);
    });
    ASSERT_EQ(scan.entries.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        ASSERT_EQ(scan.entries[i].name, names[i]) << "at " << i;
    }
}

}  // namespace
}  // namespace runwell
