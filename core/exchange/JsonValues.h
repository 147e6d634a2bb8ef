#pragma once

#include <string>
#include <string_view>

namespace runwell {

/// 8-bit text as JSON holds it: each byte is the Latin-1 character of the same number, in
/// UTF-8 (bytes below 0x80 stay, the others take two bytes). Every byte survives.
std::string Latin1ToUtf8(std::string_view bytes);

/// A finite float as the double with the float's shortest digits, when that double reads back
/// as the same float, else the float's exact value. The JSON library writes a double so that it
/// reads back exactly, so the float survives a JSON text and is written as "0.1", not as
/// "0.10000000149011612".
double ShortestDouble(float value);

}  // namespace runwell
