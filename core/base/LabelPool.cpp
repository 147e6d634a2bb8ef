#include "base/LabelPool.h"

#include <stdexcept>

namespace runwell {
namespace {

std::size_t Hash(std::string_view text) {
    // FNV-1a: labels are short, and any spread of them serves.
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    return static_cast<std::size_t>(hash ^ (hash >> 29));
}

}  // namespace

std::uint32_t LabelPool::Intern(std::string_view text, std::size_t maxSize) {
    if (last_ != kNone && Get(last_) == text) {
        return last_;
    }
    if (index_.size() < 2 * size() + 2) {
        std::size_t slots = 16;
        while (slots < 4 * (size() + 1)) {
            slots *= 2;
        }
        Rehash(slots);
    }
    const std::size_t mask = index_.size() - 1;
    std::size_t slot = Hash(text) & mask;
    for (; index_[slot] != 0; slot = (slot + 1) & mask) {
        if (Get(index_[slot] - 1) == text) {
            last_ = index_[slot] - 1;
            return last_;
        }
    }
    if (size() >= maxSize) {
        return kNone;
    }
    if (chars_.size() + text.size() > 0xFFFFFFFEu || size() >= 0xFFFFFFFEu) {
        throw std::length_error("too many label bytes");
    }
    const auto id = static_cast<std::uint32_t>(size());
    chars_.append(text);
    starts_.push_back(static_cast<std::uint32_t>(chars_.size()));
    index_[slot] = id + 1;
    last_ = id;
    return id;
}

std::uint32_t LabelPool::IdOf(std::string_view text) const {
    if (!index_.empty()) {
        const std::size_t mask = index_.size() - 1;
        for (std::size_t slot = Hash(text) & mask; index_[slot] != 0; slot = (slot + 1) & mask) {
            if (Get(index_[slot] - 1) == text) {
                return index_[slot] - 1;
            }
        }
        return kNone;
    }
    for (std::uint32_t id = 0; id < size(); ++id) {
        if (Get(id) == text) {
            return id;
        }
    }
    return kNone;
}

std::vector<std::string> LabelPool::ToVector() const {
    std::vector<std::string> texts;
    texts.reserve(size());
    for (std::uint32_t id = 0; id < size(); ++id) {
        texts.emplace_back(Get(id));
    }
    return texts;
}

void LabelPool::clear() {
    chars_.clear();
    starts_.assign(1, 0);
    index_.clear();
    last_ = kNone;
}

void LabelPool::ReleaseIndex() {
    index_ = {};
    chars_.shrink_to_fit();
    starts_.shrink_to_fit();
}

std::size_t LabelPool::MemoryBytes() const {
    return chars_.capacity() + starts_.capacity() * sizeof(std::uint32_t) +
           index_.capacity() * sizeof(std::uint32_t);
}

void LabelPool::Rehash(std::size_t slots) {
    index_.assign(slots, 0);
    const std::size_t mask = slots - 1;
    for (std::uint32_t id = 0; id < size(); ++id) {
        std::size_t slot = Hash(Get(id)) & mask;
        while (index_[slot] != 0) {
            slot = (slot + 1) & mask;
        }
        index_[slot] = id + 1;
    }
}

}  // namespace runwell
