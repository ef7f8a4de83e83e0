#pragma once

#include <QString>
#include <string>
#include <string_view>

// The script is bytes; the widgets show text. Valid UTF-8 becomes its
// characters; every byte that is not part of valid UTF-8 becomes the lone
// surrogate U+DC00 + byte, which fromDisplay() turns back into that byte.
// So a value in any encoding survives a trip through a widget unchanged.
namespace ByteText {

QString toDisplay(std::string_view bytes);
std::string fromDisplay(const QString& text);

} // namespace ByteText
