#include "base/Utf8.h"

namespace kova {

namespace {

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

}  // namespace

bool nextUtf8(std::string_view text, std::size_t& at, char32_t& codePoint) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
        ++at;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        ++at;
        return false;
    }
    if (at + length > text.size()) {
        ++at;
        return false;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[at + i]);
        if (!isContinuation(byte)) {
            ++at;
            return false;
        }
        value = (value << 6) | (byte & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++at;
        return false;
    }
    codePoint = value;
    at += length;
    return true;
}

void appendHexByte(std::string& out, unsigned char byte) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
}

std::string escapeText(std::string_view text, char quote) {
    std::string escaped;
    escaped.reserve(text.size());
    auto hex = [&escaped](unsigned char byte) { appendHexByte(escaped, byte); };
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t start = at;
        char32_t codePoint = 0;
        if (!nextUtf8(text, at, codePoint)) {
            hex(static_cast<unsigned char>(text[start]));
        } else if (codePoint == '\n') {
            escaped += "\\n";
        } else if (codePoint == '\r') {
            escaped += "\\r";
        } else if (codePoint == '\t') {
            escaped += "\\t";
        } else if (codePoint == '\\') {
            escaped += "\\\\";
        } else if (quote != '\0' && codePoint == static_cast<char32_t>(quote)) {
            escaped += '\\';
            escaped += quote;
        } else if (codePoint < 0x20 || codePoint == 0x7F || (codePoint >= 0x80 && codePoint < 0xA0)) {
            hex(static_cast<unsigned char>(text[start]));  // C0 and C1 controls act on terminals
            if (codePoint >= 0x80) {
                hex(static_cast<unsigned char>(text[start + 1]));
            }
        } else {
            escaped.append(text.substr(start, at - start));
        }
    }
    return escaped;
}

}  // namespace kova
