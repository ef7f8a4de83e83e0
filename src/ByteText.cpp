#include "ByteText.h"

namespace ByteText {

namespace {

// Length of the valid UTF-8 sequence at `p` (1 to 4), or 0 when it is not one.
int validSequence(const unsigned char* p, std::size_t left, char32_t& cp)
{
    const unsigned char b = p[0];
    int len;
    char32_t min;
    if (b < 0x80) {
        cp = b;
        return 1;
    } else if ((b & 0xE0) == 0xC0) {
        len = 2, min = 0x80, cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
        len = 3, min = 0x800, cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
        len = 4, min = 0x10000, cp = b & 0x07;
    } else {
        return 0;
    }
    if (left < static_cast<std::size_t>(len))
        return 0;
    for (int i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

} // namespace

QString toDisplay(std::string_view bytes)
{
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t i = 0;
    while (i < bytes.size()) {
        char32_t cp;
        const int len = validSequence(p + i, bytes.size() - i, cp);
        if (len == 0) {
            out.append(QChar(static_cast<char16_t>(0xDC00 + p[i])));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            const char32_t v = cp - 0x10000;
            out.append(QChar(static_cast<char16_t>(0xD800 + (v >> 10))));
            out.append(QChar(static_cast<char16_t>(0xDC00 + (v & 0x3FF))));
        } else {
            out.append(QChar(static_cast<char16_t>(cp)));
        }
        i += static_cast<std::size_t>(len);
    }
    return out;
}

std::string fromDisplay(const QString& text)
{
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    auto put = [&](char32_t cp) {
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size()
            && text[i + 1].unicode() >= 0xDC00 && text[i + 1].unicode() <= 0xDFFF) {
            put(0x10000 + ((char32_t(u) - 0xD800) << 10) + (text[i + 1].unicode() - 0xDC00));
            ++i;
        } else if (u >= 0xDC80 && u <= 0xDCFF) {
            out.push_back(static_cast<char>(u - 0xDC00)); // an escaped raw byte
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            put(0xFFFD); // any other lone surrogate cannot be written as UTF-8
        } else {
            put(u);
        }
    }
    return out;
}

} // namespace ByteText
