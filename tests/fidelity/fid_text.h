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

}  // namespace fid

#endif
