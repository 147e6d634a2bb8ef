#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace runwell {

class Workspace;

/// 8-bit text as JSON holds it: each byte is the Latin-1 character of the same number, in
/// UTF-8 (bytes below 0x80 stay, the others take two bytes). Every byte survives.
std::string Latin1ToUtf8(std::string_view bytes);

/// Text of unknown encoding (a measurement file's captions) as JSON holds it: each well-formed
/// UTF-8 sequence as it is, every other byte as the Latin-1 character of the same number.
std::string Utf8OrLatin1(std::string_view bytes);

/// A finite float as the double with the float's shortest digits, when that double reads back
/// as the same float, else the float's exact value. The JSON library writes a double so that it
/// reads back exactly, so the float survives a JSON text and is written as "0.1", not as
/// "0.10000000149011612".
double ShortestDouble(float value);

/// The charge share of the profile as the results JSON holds it: one object per line (modes,
/// then the self-discharge line when there is a battery, then the total) with the figures and
/// their texts.
nlohmann::ordered_json ChargeShareJson(const Workspace& workspace);

}  // namespace runwell
