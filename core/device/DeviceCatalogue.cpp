#include "device/DeviceCatalogue.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

#include "base/HugePages.h"
#include "base/Messages.h"
#include "base/Text.h"
#include "platform/FileRead.h"
#include "platform/Platform.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;

bool HasCsvExtension(const std::string& name) {
    return name.size() > 4 && StartsWithIgnoringCase(std::string_view(name).substr(name.size() - 4), ".csv");
}

constexpr std::size_t kBlock = std::size_t{1} << 18;

/// Each byte with ASCII letters folded to lower case, as the sort compares names.
constexpr std::array<unsigned char, 256> kFolded = [] {
    std::array<unsigned char, 256> folded{};
    for (std::size_t c = 0; c < 256; ++c) {
        folded[c] = FoldAscii(static_cast<unsigned char>(c));
    }
    return folded;
}();

}  // namespace

/// Fills a DeviceList file by file, then sorts it.
struct DeviceListBuilder {
    DeviceList& list;
    /// The read buffer, not cleared first: only the bytes a read fills are looked at, so a short
    /// file touches only the pages it fills.
    struct Block {
        std::unique_ptr<char[]> bytes{new char[kBlock]};
        char* data() { return bytes.get(); }
        static constexpr std::size_t size() { return kBlock; }
    } block;

    std::string_view NameAt(std::uint32_t offset) const {
        const char* start = list.names_.data() + offset;
        const void* comma = std::memchr(start, ',', list.names_.size() - offset);
        return std::string_view(start, static_cast<std::size_t>(static_cast<const char*>(comma) - start));
    }

    /// Takes the name names_[start, end) (an empty one is no name) and leaves a comma after it.
    void AddName(std::size_t start, std::size_t end) {
        std::string& names = list.names_;
        if (end == names.size()) {
            names.push_back(',');
        }
        if (end == start) {
            return;
        }
        const std::size_t length = std::min<std::size_t>(end - start, 8);
        std::uint64_t key = 0;
        for (std::size_t i = 0; i < length; ++i) {
            key = (key << 8) | kFolded[static_cast<unsigned char>(names[start + i])];
        }
        key <<= 8 * (8 - length);
        list.entries_.push_back({static_cast<std::uint32_t>(key >> 32),
                                 static_cast<std::uint32_t>(key), static_cast<std::uint32_t>(start)});
    }

    /// Appends bytes of line 1 (no line end among them) to names_ as they are, since names_
    /// holds names followed by commas as the line does, and takes each name they complete.
    /// `start` is where the unfinished name begins.
    void AppendLinePart(const char* bytes, std::size_t count, std::size_t& start) {
        std::string& names = list.names_;
        std::size_t at = names.size();
        names.append(bytes, count);
        if (names.size() > 0xFFFFFFF0u) {
            throw std::length_error("device names beyond 4 GiB");
        }
        while (const void* comma = std::memchr(names.data() + at, ',', names.size() - at)) {
            const auto end = static_cast<std::size_t>(static_cast<const char*>(comma) - names.data());
            AddName(start, end);
            start = at = end + 1;
        }
    }

    /// Bytes and commas of line 1, to make room for its names at once; false on a read error.
    bool MeasureLine(std::FILE* file, std::uint64_t& bytes, std::uint64_t& commas) {
        bytes = 0;
        commas = 0;
        while (true) {
            const std::size_t n = std::fread(block.data(), 1, block.size(), file);
            const char* end = static_cast<const char*>(std::memchr(block.data(), '\n', n));
            const std::size_t used = end ? static_cast<std::size_t>(end - block.data()) : n;
            bytes += used;
            commas += static_cast<std::uint64_t>(std::count(block.data(), block.data() + used, ','));
            if (end != nullptr || n < block.size() || bytes > kMaxInputFileBytes) {
                return std::ferror(file) == 0;
            }
        }
    }

    /// The names of line 1 of `path`; a message when the file gives none for a reason to show.
    std::optional<std::string> AddFile(const fs::path& path) {
        std::error_code ec;
        const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenForReading(path),
                                                                   &std::fclose);
        if (!file) {
            return std::string(msg::kCannotOpenDeviceFile);
        }
        std::setvbuf(file.get(), nullptr, _IONBF, 0);
        const bool regular = fs::is_regular_file(path, ec);
        if (regular && fs::file_size(path, ec) > kMaxInputFileBytes && !ec) {
            return FileTooLargeMessage(path);
        }
        const std::size_t namesBefore = list.names_.size();
        const std::size_t entriesBefore = list.entries_.size();
        const auto dropNames = [&] {
            list.names_.resize(namesBefore);
            list.entries_.resize(entriesBefore);
        };
        try {
            list.files_.push_back(path);
            list.fileStarts_.push_back(static_cast<std::uint32_t>(namesBefore));
            if (regular) {
                // Measured first, so that a line of millions of names is stored without copies.
                std::uint64_t bytes = 0;
                std::uint64_t commas = 0;
                if (!MeasureLine(file.get(), bytes, commas) ||
                    std::fseek(file.get(), 0, SEEK_SET) != 0) {
                    return std::string(msg::kCannotOpenDeviceFile);
                }
                if (bytes <= kMaxInputFileBytes) {
                    list.names_.reserve(namesBefore + static_cast<std::size_t>(bytes) + 1);
                    AdviseHugePages(list.names_.data(), list.names_.capacity());
                    ReserveLarge(list.entries_, entriesBefore + static_cast<std::size_t>(commas) + 1);
                }
            }
            std::size_t start = namesBefore;
            std::uint64_t read = 0;
            bool lineEnded = false;
            while (!lineEnded) {
                const std::size_t n = std::fread(block.data(), 1, block.size(), file.get());
                read += n;
                const void* lineEnd = std::memchr(block.data(), '\n', n);
                lineEnded = lineEnd != nullptr;
                AppendLinePart(block.data(),
                               lineEnded ? static_cast<std::size_t>(static_cast<const char*>(lineEnd) -
                                                                    block.data())
                                         : n,
                               start);
                if (!lineEnded && read > kMaxInputFileBytes) {
                    dropNames();
                    return FileTooLargeMessage(path);
                }
                if (n < block.size()) {
                    break;
                }
            }
            if (std::ferror(file.get()) != 0) {
                dropNames();
                return std::string(msg::kCannotOpenDeviceFile);
            }
            if (list.names_.size() > start && list.names_.back() == '\r') {
                list.names_.pop_back();  // a CR before the line end is not part of the name
            }
            AddName(start, list.names_.size());
        } catch (const std::bad_alloc&) {
            dropNames();
            return OutOfMemoryMessage(path);
        } catch (const std::length_error&) {
            dropNames();
            return OutOfMemoryMessage(path);
        }
        return std::nullopt;
    }

    void Sort() {
        std::vector<DeviceList::Entry>& entries = list.entries_;
        if (entries.empty()) {
            return;
        }
        const unsigned threads = entries.size() >= kParallelSortKeys
                                     ? std::clamp(std::thread::hardware_concurrency(), 1u, 8u)
                                     : 1u;
        SortDeviceNameKeys(entries, threads);
        // Names that agree in their first eight letters (ignoring case) are ordered by the whole
        // name; equal names keep their order of insertion, which is their order in names_: the
        // offset decides last.
        const auto less = [this](const DeviceList::Entry& a, const DeviceList::Entry& b) {
            const std::string_view x = NameAt(a.offset);
            const std::string_view y = NameAt(b.offset);
            if (LessIgnoringCase(x, y)) {
                return true;
            }
            if (LessIgnoringCase(y, x)) {
                return false;
            }
            return a.offset < b.offset;
        };
        for (auto run = entries.begin(); run != entries.end();) {
            const std::uint64_t key = SortKeyOf(*run);
            const auto end = std::find_if(run + 1, entries.end(), [key](const DeviceList::Entry& e) {
                return SortKeyOf(e) != key;
            });
            if (end - run > 1) {
                std::sort(run, end, less);
            }
            run = end;
        }
    }
};

DeviceEntry DeviceList::operator[](std::size_t i) const {
    const std::uint32_t offset = entries_[i].offset;
    const char* start = names_.data() + offset;
    const void* comma = std::memchr(start, ',', names_.size() - offset);
    const auto file = std::upper_bound(fileStarts_.begin(), fileStarts_.end(), offset) - 1;
    return {std::string_view(start, static_cast<std::size_t>(static_cast<const char*>(comma) - start)),
            files_[static_cast<std::size_t>(file - fileStarts_.begin())]};
}

std::size_t DeviceList::MemoryBytes() const {
    std::size_t bytes = names_.capacity() + entries_.capacity() * sizeof(Entry) +
                        fileStarts_.capacity() * sizeof(std::uint32_t) +
                        files_.capacity() * sizeof(fs::path);
    for (const fs::path& file : files_) {
        bytes += file.native().capacity();
    }
    return bytes;
}

DeviceScan ScanDeviceFolder(const std::filesystem::path& dataFolder) {
    DeviceScan scan;
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dataFolder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = PathToUtf8(it->path().filename());
        if (HasCsvExtension(name) && !it->is_directory(ec)) {
            names.push_back(name);
        }
    }
    // Byte order of the names, so the result never depends on the file system's order.
    std::sort(names.begin(), names.end());

    DeviceListBuilder builder{scan.entries, {}};
    for (const std::string& name : names) {
        if (std::optional<std::string> message = builder.AddFile(dataFolder / PathFromUtf8(name))) {
            scan.messages.push_back(std::move(*message));
        }
    }
    builder.Sort();
    return scan;
}

}  // namespace runwell
