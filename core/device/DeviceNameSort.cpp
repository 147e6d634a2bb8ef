#include "device/DeviceNameSort.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace runwell {
namespace {

/// Buckets up to this many names are sorted through a buffer of their size (12 MiB at most per
/// thread) rather than split further in place.
constexpr std::size_t kBufferedSortKeys = std::size_t{1} << 20;

/// Sorts [first, last) by the key alone, the bytes above `shift` being equal, through
/// `buffer`: a least-significant-byte-first radix sort, one pass for every byte that differs.
/// False when the buffer cannot be had; nothing has moved then.
bool SortThroughBuffer(DeviceNameKey* first, DeviceNameKey* last, int shift,
                              std::vector<DeviceNameKey>& buffer) {
    const auto count = static_cast<std::size_t>(last - first);
    try {
        if (buffer.size() < count) {
            buffer.resize(count);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    const auto bytes = static_cast<std::size_t>(shift / 8 + 1);
    std::array<std::array<std::uint32_t, 256>, 8> counts{};
    for (const DeviceNameKey* e = first; e != last; ++e) {
        const std::uint64_t key = SortKeyOf(*e);
        for (std::size_t b = 0; b < bytes; ++b) {
            ++counts[b][(key >> (8 * b)) & 0xFFu];
        }
    }
    DeviceNameKey* from = first;
    DeviceNameKey* to = buffer.data();
    for (std::size_t b = 0; b < bytes; ++b) {
        std::array<std::uint32_t, 256>& next = counts[b];
        if (std::find(next.begin(), next.end(), count) != next.end()) {
            continue;  // every key has the same byte here
        }
        std::uint32_t total = 0;
        for (std::uint32_t& n : next) {
            total += std::exchange(n, total);
        }
        for (const DeviceNameKey* e = from; e != from + count; ++e) {
            to[next[(SortKeyOf(*e) >> (8 * b)) & 0xFFu]++] = *e;
        }
        std::swap(from, to);
    }
    if (from != first) {
        std::copy(from, from + count, first);
    }
    return true;
}

/// Sorts [first, last) by the key alone, from the key's byte at `shift` down. Millions of
/// names are split in place by their most significant byte that differs (each element moved
/// straight to its bucket, no second array), until a bucket is small enough to be sorted
/// through `buffer`; for millions of names that is several times faster than comparison
/// sorting, and the buffer stays a small part of the names' memory.
void SortByKey(DeviceNameKey* first, DeviceNameKey* last, int shift,
                      std::vector<DeviceNameKey>& buffer, unsigned threads = 1) {
    const auto byteOf = [shift](const DeviceNameKey& e) {
        return static_cast<std::size_t>((SortKeyOf(e) >> shift) & 0xFFu);
    };
    const auto count = static_cast<std::size_t>(last - first);
    if (count < 256) {
        std::sort(first, last, [](const DeviceNameKey& a, const DeviceNameKey& b) {
            return SortKeyOf(a) < SortKeyOf(b);
        });
        return;
    }
    if (count <= kBufferedSortKeys && SortThroughBuffer(first, last, shift, buffer)) {
        return;
    }
    std::array<std::size_t, 256> ends{};
    for (const DeviceNameKey* e = first; e != last; ++e) {
        ++ends[byteOf(*e)];
    }
    if (std::find(ends.begin(), ends.end(), count) != ends.end()) {
        // One bucket holds them all (a shared prefix): nothing to move at this byte.
        if (shift > 0) {
            SortByKey(first, last, shift - 8, buffer, threads);
        }
        return;
    }
    std::array<std::size_t, 256> next{};
    std::size_t total = 0;
    for (std::size_t b = 0; b < 256; ++b) {
        next[b] = total;
        total += ends[b];
        ends[b] = total;
    }
    const std::array<std::size_t, 256> starts = next;
    for (std::size_t b = 0; b < 256; ++b) {
        while (next[b] < ends[b]) {
            DeviceNameKey moving = first[next[b]];
            for (std::size_t d = byteOf(moving); d != b; d = byteOf(moving)) {
                std::swap(moving, first[next[d]++]);
            }
            first[next[b]++] = moving;
        }
    }
    if (shift == 0) {
        return;
    }
    // The buckets are independent: with several cores (millions of names), each worker
    // takes the next unsorted bucket, with a buffer of its own.
    std::atomic<std::size_t> nextBucket{0};
    const auto work = [&](std::vector<DeviceNameKey>& own) {
        for (std::size_t b = nextBucket++; b < 256; b = nextBucket++) {
            if (ends[b] - starts[b] > 1) {
                SortByKey(first + starts[b], first + ends[b], shift - 8, own);
            }
        }
    };
    std::vector<std::thread> helpers;
    if (threads > 1 && count >= kParallelSortKeys) {
        try {
            for (unsigned t = 1; t < threads; ++t) {
                helpers.emplace_back([&work] {
                    std::vector<DeviceNameKey> own;
                    work(own);
                });
            }
        } catch (const std::system_error&) {
            // No more threads to be had: the ones started and this one do the work.
        }
    }
    work(buffer);
    for (std::thread& helper : helpers) {
        helper.join();
    }
}

}  // namespace

void SortDeviceNameKeys(std::span<DeviceNameKey> keys, unsigned threads) {
    if (keys.empty()) {
        return;
    }
    std::vector<DeviceNameKey> buffer;
    SortByKey(keys.data(), keys.data() + keys.size(), 56, buffer, threads);
}

}  // namespace runwell
