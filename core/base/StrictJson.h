#pragma once

// The strict reading every JSON file of the program shares. A key given twice in one object is
// refused (each object keeps a hash set of its keys, so a million keys cost a million look-ups,
// not their square), nesting is bounded, and the library's message of a syntax error is kept
// without its error code. Header-only over nlohmann-json: a layer that includes it links the
// library.
#include <nlohmann/json.hpp>

#include <cstddef>
#include <string>
#include <type_traits>
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/Text.h"

namespace runwell {

template <class Json>
class StrictJsonSax : public nlohmann::json_sax<Json> {
public:
    using string_t = typename Json::string_t;
    using number_integer_t = typename Json::number_integer_t;
    using number_unsigned_t = typename Json::number_unsigned_t;
    using number_float_t = typename Json::number_float_t;
    using binary_t = typename Json::binary_t;

    /// `tooDeep` is the refusal for nesting deeper than `maxDepth`.
    StrictJsonSax(std::size_t maxDepth, std::string tooDeep)
        : maxDepth_(maxDepth), tooDeep_(std::move(tooDeep)) {}

    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override {
        if (!Open()) {
            return false;
        }
        // The sets keep their buckets for the next object at the same depth.
        if (keys_.size() < depth_) {
            keys_.resize(depth_);
        }
        keys_[depth_ - 1].clear();
        return true;
    }
    bool key(string_t& key) override {
        if (!keys_[depth_ - 1].insert(key).second) {
            refusal_ = "the key " + QuotedForMessage(key) + " is given twice";
            return false;
        }
        return true;
    }
    bool end_object() override { return Close(); }
    bool start_array(std::size_t) override { return Open(); }
    bool end_array() override { return Close(); }
    bool parse_error(std::size_t, const std::string&,
                     const nlohmann::detail::exception& error) override {
        // A syntax error, or a number too large for a double. The library's text starts with
        // its own error code in brackets.
        std::string message = error.what();
        const std::size_t close = message.find("] ");
        if (close != std::string::npos) {
            message.erase(0, close + 2);
        }
        refusal_ = "not valid JSON: " + message;
        return false;
    }

    /// Why the parse stopped; empty when it did not, or stopped without a reason of its own.
    const std::string& refusal() const { return refusal_; }
    /// 1 inside the outermost object or array, 0 outside it.
    std::size_t depth() const { return depth_; }

protected:
    void Refuse(std::string message) { refusal_ = std::move(message); }

private:
    bool Open() {
        if (++depth_ > maxDepth_) {
            refusal_ = tooDeep_;
            return false;
        }
        return true;
    }
    bool Close() {
        --depth_;
        return true;
    }

    std::size_t maxDepth_;
    std::string tooDeep_;
    std::size_t depth_ = 0;
    std::vector<std::unordered_set<std::string>> keys_;  // by depth, for the open objects
    std::string refusal_;
};

/// Builds one JSON value from parser events, as the library's own DOM parser does, but refuses
/// to grow beyond `maxValues` values, so a reader can bound what one part of a document costs.
template <class Json>
class BoundedJsonBuilder {
public:
    explicit BoundedJsonBuilder(std::size_t maxValues) : maxValues_(maxValues) {}

    /// Adds a value (a container is opened); false when it would pass the bound.
    bool Add(Json value) {
        if (++values_ > maxValues_) {
            return false;
        }
        const bool container = value.is_structured();
        Json* placed = nullptr;
        if (stack_.empty()) {
            root_ = std::move(value);
            placed = &root_;
        } else if (stack_.back()->is_array()) {
            stack_.back()->push_back(std::move(value));
            placed = &stack_.back()->back();
        } else {
            placed = &Insert(stack_.back()->template get_ref<typename Json::object_t&>(),
                             std::move(value));
        }
        // A container's parent does not change while it is open, so the pointer stays valid.
        if (container) {
            stack_.push_back(placed);
        }
        return true;
    }
    /// The key of the next value in the open object.
    void Key(std::string key) { key_ = std::move(key); }
    /// Closes the open container.
    void Close() { stack_.pop_back(); }
    /// True when the value is complete.
    bool done() const { return stack_.empty(); }
    /// The complete value; the builder starts afresh.
    Json Take() {
        values_ = 0;
        return std::move(root_);
    }

private:
    using Object = typename Json::object_t;
    using Entries = std::vector<typename Object::value_type>;

    /// Places a value under the current key. The keys of one object are distinct (the strict
    /// reader refused a repeated one), so an object that keeps its keys in order is appended to
    /// without the search its own insertion makes, which would cost the square of its keys.
    Json& Insert(Object& object, Json value) {
        if constexpr (std::is_base_of_v<Entries, Object>) {
            Entries& entries = object;
            entries.emplace_back(std::move(key_), std::move(value));
            return entries.back().second;
        } else {
            return object.insert_or_assign(std::move(key_), std::move(value)).first->second;
        }
    }

    std::size_t maxValues_;
    Json root_;
    std::vector<Json*> stack_;
    std::string key_;
    std::size_t values_ = 0;
};

}  // namespace runwell
