#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace runwell {

/// Distinct texts, each stored once, back to back, and named by its id: 0, 1, ... in order of
/// first appearance. A text costs its bytes and four more, plus a few bytes of look-up index
/// while texts are being added.
class LabelPool {
public:
    static constexpr std::uint32_t kNone = 0xFFFFFFFF;

    std::size_t size() const { return starts_.size() - 1; }
    std::string_view Get(std::uint32_t id) const {
        return std::string_view(chars_).substr(starts_[id], starts_[id + 1] - starts_[id]);
    }
    /// The id of `text`, added first when it is new; kNone when it is new and the pool already
    /// holds `maxSize` texts.
    std::uint32_t Intern(std::string_view text, std::size_t maxSize);
    /// The id of `text`, or kNone when the pool does not hold it.
    std::uint32_t IdOf(std::string_view text) const;
    std::vector<std::string> ToVector() const;
    void clear();
    /// Drops the look-up index (it is rebuilt by the next Intern); IdOf then searches in order.
    void ReleaseIndex();
    std::size_t MemoryBytes() const;

private:
    void Rehash(std::size_t slots);

    std::string chars_;
    std::vector<std::uint32_t> starts_{0};  // text i is chars_[starts_[i], starts_[i + 1])
    std::vector<std::uint32_t> index_;      // open addressing: id + 1, or 0 for a free slot
    std::uint32_t last_ = kNone;            // the id found last: rows mostly repeat labels
};

}  // namespace runwell
