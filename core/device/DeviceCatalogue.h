#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "device/DeviceNameSort.h"
#include "platform/Platform.h"  // ExecutableFolder

namespace runwell {

/// One device name of line 1 of a device data file, with the file it loads. Both are views into
/// the DeviceList they come from.
struct DeviceEntry {
    std::string_view name;
    const std::filesystem::path& file;
};

/// The device entries of a folder scan. Every name is stored once, back to back, and every file's
/// path once for all of its names, so the list costs about 13 bytes per name beyond the name
/// itself, whatever the length of the path.
class DeviceList {
public:
    class iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = DeviceEntry;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = DeviceEntry;

        iterator(const DeviceList* list, std::size_t index) : list_(list), index_(index) {}
        DeviceEntry operator*() const { return (*list_)[index_]; }
        iterator& operator++() {
            ++index_;
            return *this;
        }
        iterator operator++(int) {
            iterator before = *this;
            ++index_;
            return before;
        }
        bool operator==(const iterator& other) const { return index_ == other.index_; }
        difference_type operator-(const iterator& other) const {
            return static_cast<difference_type>(index_) - static_cast<difference_type>(other.index_);
        }

    private:
        const DeviceList* list_;
        std::size_t index_;
    };

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    DeviceEntry operator[](std::size_t i) const;
    iterator begin() const { return iterator(this, 0); }
    iterator end() const { return iterator(this, entries_.size()); }
    /// The bytes of memory the list holds (what the benchmarks report).
    std::size_t MemoryBytes() const;

private:
    friend struct DeviceListBuilder;

    using Entry = DeviceNameKey;

    std::vector<std::filesystem::path> files_;
    std::vector<std::uint32_t> fileStarts_;  // offset in names_ of each file's first name
    std::string names_;                      // every name followed by a comma
    std::vector<Entry> entries_;
};

struct DeviceScan {
    /// Sorted as the device selector shows them: ASCII letters folded, then byte order; equal
    /// names keep the order of the files' names.
    DeviceList entries;
    /// "Cannot open device data file." once per file that could not be read, or why its names
    /// were not taken; shown in order.
    std::vector<std::string> messages;
};

/// Lists every *.csv in `dataFolder`, visiting the files in byte order of their names. Only
/// line 1 of each file is read, in blocks, and never beyond the read limit.
DeviceScan ScanDeviceFolder(const std::filesystem::path& dataFolder);

}  // namespace runwell
