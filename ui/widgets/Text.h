#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace runwell::ui {

/// The model keeps texts as the bytes of its files; they are decoded only for display, as
/// Windows-1252 (the code page the data files are written in), and encoded back the same way
/// where the user types a text the model keeps.
QString ToDisplay(std::string_view bytes);
std::string FromDisplay(const QString& text);

}  // namespace runwell::ui
