// The bridge between the harness's ANSI-and-marked texts and the Unicode calls of Windows.
#include "wide_text.h"

#include <windows.h>

#include "utf8.h"

namespace {

void AppendUtf16(unsigned codePoint, std::wstring& out) {
    if (codePoint < 0x10000) {
        out += static_cast<wchar_t>(codePoint);
        return;
    }
    out += static_cast<wchar_t>(0xD800 + ((codePoint - 0x10000) >> 10));
    out += static_cast<wchar_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
}

std::wstring WideOfAnsi(const std::string& ansi) {
    if (ansi.empty()) return std::wstring();
    std::wstring out(ansi.size() * 2, L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &out[0],
                                      static_cast<int>(out.size()));
    out.resize(n > 0 ? n : 0);
    return out;
}

}  // namespace

std::wstring WideOf(const std::string& text) {
    std::wstring out;
    std::string ansi;  // the ANSI run not yet converted: a double-byte character spans two bytes
    for (size_t i = 0; i < text.size(); ++i) {
        size_t length = 0;
        const unsigned codePoint = DecodeMarked(text, i, &length);
        if (length == 0) {
            ansi += text[i];
            continue;
        }
        out += WideOfAnsi(ansi);
        ansi.clear();
        AppendUtf16(codePoint, out);
        i += length;
    }
    return out + WideOfAnsi(ansi);
}

std::string TextOf(const wchar_t* text, size_t length) {
    std::string out;
    for (size_t i = 0; i < length; ++i) {
        size_t units = 1;
        unsigned codePoint = text[i];
        if (codePoint >= 0xD800 && codePoint < 0xDC00 && i + 1 < length && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            units = 2;
        }
        // Held exactly: no default character, and the bytes read back as this very character
        // (a best-fit look-alike would name another file).
        char bytes[8];
        BOOL usedDefault = FALSE;
        const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text + i, static_cast<int>(units), bytes,
                                          sizeof bytes, nullptr, &usedDefault);
        wchar_t back[4];
        const int m = n > 0 && !usedDefault ? MultiByteToWideChar(CP_ACP, 0, bytes, n, back, 4) : 0;
        if (m == static_cast<int>(units) && back[0] == text[i] && (units == 1 || back[1] == text[i + 1])) {
            out.append(bytes, n);
        } else {
            out += kWideMark;
            AppendUtf8(codePoint, out);
        }
        i += units - 1;
    }
    return out;
}

std::string TextOf(const std::wstring& text) { return TextOf(text.data(), text.size()); }

std::string Canonical(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        size_t length = 0;
        const unsigned codePoint = DecodeMarked(text, i, &length);
        if (length == 0) {
            out += text[i];
            continue;
        }
        std::wstring one;
        AppendUtf16(codePoint, one);
        out += TextOf(one);
        i += length;
    }
    return out;
}
