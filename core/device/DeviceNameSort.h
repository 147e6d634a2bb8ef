#pragma once

#include <cstdint>
#include <span>

namespace runwell {

/// A device name as the scan sorts it: the first eight bytes of the name with ASCII letters
/// folded, most significant first (most comparisons are decided by them alone), and where the
/// name starts in the list's store.
struct DeviceNameKey {
    std::uint32_t keyHigh;
    std::uint32_t keyLow;
    std::uint32_t offset;
};

inline std::uint64_t SortKeyOf(const DeviceNameKey& e) {
    return (std::uint64_t{e.keyHigh} << 32) | e.keyLow;
}

/// Below this many names the sort runs on one thread: starting others costs more.
inline constexpr std::size_t kParallelSortKeys = std::size_t{1} << 16;

/// Sorts `keys` by their eight-byte key alone (names equal in it are left for the caller to
/// order), on up to `threads` threads.
void SortDeviceNameKeys(std::span<DeviceNameKey> keys, unsigned threads);

}  // namespace runwell
