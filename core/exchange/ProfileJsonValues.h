#pragma once

// The values of a text profile: where a value is, texts as 8-bit bytes, hex, whole numbers and
// floats that read back bit for bit. Shared by the profile's reader and writer.
#include <nlohmann/json.hpp>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "files/ProfileExtras.h"
#include "files/SettingsImage.h"

namespace runwell::profile_json {

using Json = nlohmann::ordered_json;

/// A refusal while a profile is read: carries the message up to ParseProfileJson.
struct Refusal {
    std::string message;
};

/// Where in the document a value is, such as modes[2].label; the text is built only for a
/// refusal, so reading a large profile builds no path strings.
struct Where {
    const Where* parent = nullptr;
    std::string_view key;
    std::size_t index = std::string::npos;

    std::string Text() const;
};

inline const Where kTop{};

/// Throws a Refusal naming `where`.
[[noreturn]] void Refuse(const Where& where, const std::string& problem);
/// `key` in single quotes, shortened and with control bytes escaped (QuotedForMessage).
std::string Quoted(std::string_view key);
Where Path(const Where& where, std::string_view key);

std::string ToHex(std::string_view bytes);
std::string FromHex(std::string_view hex, const Where& where);

/// A stored text as a JSON string of its bytes, or as an object where its length or width is not
/// the plain one.
Json TextJson(const ArchiveString& stored);
ArchiveString ReadText(const Json& value, const Where& where);

/// Refuses every key of `object` that is not in `known`.
void OnlyKnownKeys(const Json& object, std::initializer_list<std::string_view> known,
                   const Where& where);
/// The member `key` of `object`, refused when it is missing.
const Json& Member(const Json& object, const char* key, const Where& where);
/// A whole number in [low, high].
std::int64_t WholeNumber(const Json& value, const Where& where, std::int64_t low,
                         std::int64_t high);

/// A float's bits as a number that reads back as the same float, or as "0x" and 8 hex digits.
Json FloatJson(std::uint32_t bits);
std::uint32_t ReadFloat(const Json& value, const Where& where);


/// The extras a profile's document gives beside its settings ("minimumVoltage", "prediction",
/// "bufferLeakage"); a bad one is refused by its key.
ProfileExtras ReadProfileExtras(const Json& document);

}  // namespace runwell::profile_json
