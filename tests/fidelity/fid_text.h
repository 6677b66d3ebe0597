// The case and result line format shared by the probe and the generator/comparer: escaped byte tokens.
//
// A line is tokens separated by single spaces. A string token is "=" followed by its bytes,
// each byte outside 0x21..0x7E (and '\\') written \xHH, '\\' written \\; "~" is a null
// pointer. Numbers are written bare. So every byte string, the empty one included, fits
// in one token and a null is told apart from "".
#ifndef TAVIO_TESTS_FIDELITY_FID_TEXT_H
#define TAVIO_TESTS_FIDELITY_FID_TEXT_H

#include <stdlib.h>

#include <string>
#include <vector>

namespace fid {

inline std::string Escape(const std::string& bytes) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c > 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

inline int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

inline std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\\') {
            out += '\\';
            ++i;
        } else if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' && HexDigit(text[i + 2]) >= 0 &&
                   HexDigit(text[i + 3]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

// A string token: "=bytes" or "~" for null.
struct Text {
    bool null = true;
    std::string bytes;
    const char* c_str() const { return null ? nullptr : bytes.c_str(); }
};

inline std::string Token(const std::string& bytes) { return "=" + Escape(bytes); }
inline std::string Token(const Text& text) { return text.null ? std::string("~") : Token(text.bytes); }
inline Text Null() { return Text(); }
inline Text Str(const std::string& bytes) {
    Text t;
    t.null = false;
    t.bytes = bytes;
    return t;
}
inline Text ParseText(const std::string& token) {
    if (token == "~" || token.empty()) return Text();
    return Str(Unescape(token.substr(token[0] == '=' ? 1 : 0)));
}

inline std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> tokens;
    std::string token;
    for (char c : line) {
        if (c == ' ') {
            tokens.push_back(token);
            token.clear();
        } else if (c != '\r' && c != '\n') {
            token += c;
        }
    }
    if (!token.empty()) tokens.push_back(token);
    return tokens;
}

inline long long Number(const std::string& token) { return strtoll(token.c_str(), nullptr, 0); }

// ---- Names outside the ANSI code page ----
// Case files hold texts as the simulated Windows keeps them: code page 1252 bytes, and a
// character 1252 lacks as the byte 0x01 followed by its UTF-8. The probe under Wine turns
// them into UTF-16 for the Unicode calls and set-up.
constexpr char kWideMark = '\x01';

// Code page 1252, 0x80 to 0x9F (the unassigned bytes as the C1 controls, as Windows maps them).
inline unsigned Ansi1252(unsigned char c) {
    static const unsigned short special[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                               0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                               0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                               0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    return c >= 0x80 && c < 0xA0 ? special[c - 0x80] : c;
}

// The code point of the UTF-8 sequence at text[i]; *length 0 for a broken one.
inline unsigned DecodeUtf8(const std::string& text, size_t i, size_t* length) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t n = lead < 0x80 ? 1 : lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 && lead < 0xF0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 0;
    unsigned codePoint = n == 1 ? lead : n == 2 ? lead & 0x1Fu : n == 3 ? lead & 0x0Fu : lead & 0x07u;
    if (i + n > text.size()) n = 0;
    for (size_t k = 1; k < n; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) n = 0;
        codePoint = (codePoint << 6) | (next & 0x3Fu);
    }
    *length = n;
    return codePoint;
}

inline std::u16string Utf16OfMarked(const std::string& text) {
    std::u16string out;
    for (size_t i = 0; i < text.size(); ++i) {
        size_t length = 0;
        unsigned codePoint = Ansi1252(static_cast<unsigned char>(text[i]));
        if (text[i] == kWideMark && i + 1 < text.size()) {
            const unsigned decoded = DecodeUtf8(text, i + 1, &length);
            if (length > 0) {
                codePoint = decoded;
                i += length;
            }
        }
        if (codePoint >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(codePoint);
        }
    }
    return out;
}

inline std::string Utf8Of(unsigned codePoint) {
    std::string out;
    if (codePoint < 0x80) return std::string(1, static_cast<char>(codePoint));
    const int extra = codePoint < 0x800 ? 1 : codePoint < 0x10000 ? 2 : 3;
    static const unsigned char lead[4] = {0, 0xC0, 0xE0, 0xF0};
    out += static_cast<char>(lead[extra] | (codePoint >> (6 * extra)));
    for (int k = extra - 1; k >= 0; --k) out += static_cast<char>(0x80 | ((codePoint >> (6 * k)) & 0x3F));
    return out;
}

// UTF-8 text in the marked form.
inline std::string MarkedOfUtf8(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        size_t length = 0;
        const unsigned codePoint = DecodeUtf8(utf8, i, &length);
        if (length == 0) length = 1;
        int ansi = -1;
        for (unsigned c = 0; c < 256 && ansi < 0; ++c)
            if (Ansi1252(static_cast<unsigned char>(c)) == codePoint) ansi = static_cast<int>(c);
        out += ansi >= 0 ? std::string(1, static_cast<char>(ansi)) : kWideMark + Utf8Of(codePoint);
        i += length;
    }
    return out;
}

inline bool IsMarked(const std::string& text) { return text.find(kWideMark) != std::string::npos; }

}  // namespace fid

#endif
