// UTF-8 for the harness's marked characters (see wide_text.h), shared by the scenario reader and the programs.
#ifndef TAVIO_E2E_UTF8_H
#define TAVIO_E2E_UTF8_H

#include <string>

// A harness text is ANSI bytes, except that a character the ANSI code page lacks is this mark
// followed by the character's UTF-8 (what a scenario's {uXXXX} writes).
const char kWideMark = '\x01';

// The code point of the UTF-8 sequence at text[at]; *length is its length, 0 where none begins there.
inline unsigned DecodeUtf8(const std::string& text, size_t at, size_t* length) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    const size_t n =
        lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
    *length = 0;
    if (n == 0 || at + n > text.size()) return 0;
    unsigned codePoint = n == 1 ? lead : lead & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0) != 0x80) return 0;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    *length = n;
    return codePoint;
}

inline void AppendUtf8(unsigned codePoint, std::string& out) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
        return;
    }
    const int extra = codePoint < 0x800 ? 1 : codePoint < 0x10000 ? 2 : 3;
    static const unsigned char kLead[4] = {0, 0xC0, 0xE0, 0xF0};
    out += static_cast<char>(kLead[extra] | (codePoint >> (6 * extra)));
    for (int k = extra - 1; k >= 0; --k) out += static_cast<char>(0x80 | ((codePoint >> (6 * k)) & 0x3F));
}

// The marked character at text[at] (the mark, then UTF-8): its code point, and in *length the
// bytes after the mark; *length is 0 where no marked character begins there.
inline unsigned DecodeMarked(const std::string& text, size_t at, size_t* length) {
    *length = 0;
    return text[at] == kWideMark && at + 1 < text.size() ? DecodeUtf8(text, at + 1, length) : 0;
}

#endif
