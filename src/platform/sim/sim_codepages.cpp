// The simulated code pages: ANSI is code page 1252 and OEM code page 437, with UTF-8 the only
// code pages the conversions know; a wide character that ANSI lacks becomes '?'. Case
// folding and comparison of ANSI text, as the file system, the registry and lstrcmpiA use it.
#include <string.h>

#include "sim_kernel.h"

namespace sim {
namespace internal {
namespace {

// Code page 437, 0x80 to 0xFF.
const unsigned short kOem437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

// Code page 1252, 0x80 to 0x9F; the five unassigned bytes map to the C1 controls, as Windows does.
const unsigned short kAnsi1252Special[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                             0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                             0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                             0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

unsigned AnsiToUnicode(unsigned char c) {
    if (c >= 0x80 && c < 0xA0) return kAnsi1252Special[c - 0x80];
    return c;
}

unsigned OemToUnicode(unsigned char c) { return c < 0x80 ? c : kOem437High[c - 0x80]; }

int UnicodeToAnsi(unsigned codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) return static_cast<int>(codePoint);
    for (int i = 0; i < 32; ++i)
        if (kAnsi1252Special[i] == codePoint) return 0x80 + i;
    return -1;
}

namespace {

constexpr unsigned char FoldOne(unsigned c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
    switch (c) {
        case 0x9A:
            return 0x8A;  // š
        case 0x9C:
            return 0x8C;  // œ
        case 0x9E:
            return 0x8E;  // ž
        case 0xFF:
            return 0x9F;  // ÿ
        default:
            return static_cast<unsigned char>(c);
    }
}

constexpr std::array<unsigned char, 256> FoldTable() {
    std::array<unsigned char, 256> table{};
    for (unsigned c = 0; c < 256; ++c) table[c] = FoldOne(c);
    return table;
}

}  // namespace

constexpr std::array<unsigned char, 256> kFoldAnsi = FoldTable();

const std::string& FoldedInBuffer(std::string_view name) {
    static std::string key;
    key.assign(name);
    for (char& c : key) c = static_cast<char>(FoldAnsi(static_cast<unsigned char>(c)));
    return key;
}

std::string FoldKey(const std::string& text) { return FoldedInBuffer(text); }

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAnsi(static_cast<unsigned char>(a[i])) != FoldAnsi(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

std::string WideToAnsi(const WCHAR* text) {
    std::string out;
    if (text == nullptr) return out;
    for (; *text != 0; ++text) {
        const int c = UnicodeToAnsi(static_cast<unsigned>(*text));
        out += c < 0 ? '?' : static_cast<char>(c);
    }
    return out;
}

std::string Utf8ToAnsi(const std::string& bytes) {
    std::string out;
    for (size_t i = 0; i < bytes.size();) {
        const unsigned char lead = static_cast<unsigned char>(bytes[i]);
        unsigned codePoint = lead;
        size_t length = 1;
        if (lead >= 0xF0) {
            length = 4;
            codePoint = lead & 0x07;
        } else if (lead >= 0xE0) {
            length = 3;
            codePoint = lead & 0x0F;
        } else if (lead >= 0xC0) {
            length = 2;
            codePoint = lead & 0x1F;
        } else if (lead >= 0x80) {
            out += '?';
            ++i;
            continue;
        }
        bool valid = i + length <= bytes.size();
        for (size_t k = 1; valid && k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) valid = false;
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        if (!valid) {
            out += '?';
            ++i;
            continue;
        }
        const int c = UnicodeToAnsi(codePoint);
        out += c < 0 ? '?' : static_cast<char>(c);
        i += length;
    }
    return out;
}

namespace {

// The code point of the UTF-8 sequence at text[i]; *length 0 for a broken sequence.
unsigned DecodeUtf8(std::string_view text, size_t i, size_t* length) {
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

void AppendUtf8(unsigned codePoint, std::string* out) {
    if (codePoint < 0x80) {
        *out += static_cast<char>(codePoint);
        return;
    }
    const int extra = codePoint < 0x800 ? 1 : codePoint < 0x10000 ? 2 : 3;
    static const unsigned char kLead[4] = {0, 0xC0, 0xE0, 0xF0};
    *out += static_cast<char>(kLead[extra] | (codePoint >> (6 * extra)));
    for (int k = extra - 1; k >= 0; --k) *out += static_cast<char>(0x80 | ((codePoint >> (6 * k)) & 0x3F));
}

void AppendInternal(unsigned codePoint, std::string* out) {
    const int ansi = UnicodeToAnsi(codePoint);
    if (ansi >= 0) {
        *out += static_cast<char>(ansi);
        return;
    }
    *out += kWideMark;
    AppendUtf8(codePoint, out);
}

// Calls visit(codePoint, isWide) for each character of a simulation text.
template <typename Visit>
void ForEachInternal(std::string_view text, Visit visit) {
    for (size_t i = 0; i < text.size(); ++i) {
        size_t length = 0;
        if (text[i] == kWideMark && i + 1 < text.size()) {
            // Only a multibyte sequence follows a mark: a 0x01 before anything else is itself.
            const unsigned codePoint = DecodeUtf8(text, i + 1, &length);
            if (length > 1) {
                visit(codePoint, true);
                i += length;
                continue;
            }
        }
        visit(AnsiToUnicode(static_cast<unsigned char>(text[i])), false);
    }
}

}  // namespace

std::string InternalFromUtf8(std::string_view utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        size_t length = 0;
        const unsigned codePoint = DecodeUtf8(utf8, i, &length);
        if (length == 0) {
            out += utf8[i++];  // no UTF-8: taken as an ANSI byte
            continue;
        }
        AppendInternal(codePoint, &out);
        i += length;
    }
    return out;
}

std::string InternalFromWide(const WCHAR* text, size_t length) {
    std::string out;
    for (size_t i = 0; i < length; ++i) {
        unsigned codePoint = text[i];
        if (codePoint >= 0xD800 && codePoint < 0xDC00 && i + 1 < length && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000)
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (text[++i] - 0xDC00u);
        AppendInternal(codePoint, &out);
    }
    return out;
}

std::string AnsiFromInternal(std::string_view text) {
    if (text.find(kWideMark) == std::string_view::npos) return std::string(text);
    std::string out;
    // One '?' for each UTF-16 unit a lost character takes, as WideCharToMultiByte gives.
    ForEachInternal(text, [&out](unsigned codePoint, bool wide) {
        if (wide) out += codePoint >= 0x10000 ? "??" : "?";
        else out += static_cast<char>(UnicodeToAnsi(codePoint));
    });
    return out;
}

std::u16string WideFromInternal(std::string_view text) {
    std::u16string out;
    ForEachInternal(text, [&out](unsigned codePoint, bool) {
        if (codePoint >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(codePoint);
        }
    });
    return out;
}

std::string Utf8FromWide(const WCHAR* text, size_t length) {
    std::string out;
    ForEachInternal(InternalFromWide(text, length), [&out](unsigned codePoint, bool) { AppendUtf8(codePoint, &out); });
    return out;
}

std::u16string WideFromUtf8(std::string_view text) {
    // Bytes after a lead byte; 0 for an ASCII byte, a continuation byte or one no sequence starts with.
    // (0xC0 and 0xC1 could only start an overlong form, 0xF5 and above a code point past U+10FFFF.)
    auto following = [](unsigned char c) { return c < 0xC2 ? 0u : c < 0xE0 ? 1u : c < 0xF0 ? 2u : c < 0xF5 ? 3u : 0u; };
    static const unsigned char kMask[4] = {0x7F, 0x1F, 0x0F, 0x07};
    std::u16string out;
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[i++]);
        if (lead < 0x80) {
            out += static_cast<char16_t>(lead);
            continue;
        }
        // Broken sequences as Wine decodes them (ntdll's decode_utf8_char): a sequence cut by the
        // end of the text is one U+FFFD for all that is left; otherwise the bytes taken until the
        // sequence goes wrong (an overlong form, a surrogate, past U+10FFFF) are one U+FFFD.
        const unsigned length = following(lead);
        unsigned value = lead & kMask[length];
        if (i + length > text.size()) {
            out += u'\uFFFD';
            break;
        }
        bool valid = length > 0;
        for (unsigned k = 0; k < length && valid; ++k) {
            const unsigned next = static_cast<unsigned char>(text[i]) ^ 0x80u;
            if (next >= 0x40) {
                valid = false;
                break;
            }
            value = (value << 6) | next;
            const unsigned left = length - k - 1;  // continuation bytes still to come
            if (left == 1 && value >= (0x110000 >> 6)) {  // past U+10FFFF: this byte is not taken
                valid = false;
                break;
            }
            ++i;
            if (left == 2 && value < 0x10) valid = false;                      // overlong 4-byte form
            if (left == 1 && value < 0x20) valid = false;                      // overlong 3-byte form
            if (left == 1 && value >= (0xD800 >> 6) && value <= (0xDFFF >> 6)) valid = false;  // a surrogate
            if (left == 0 && value < 0x80) valid = false;                      // overlong 2-byte form
        }
        if (!valid) {
            out += u'\uFFFD';
        } else if (value >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((value - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(value);
        }
    }
    return out;
}

size_t WideLength(const WCHAR* text) {
    size_t n = 0;
    if (text != nullptr)
        while (text[n] != 0) ++n;
    return n;
}

}  // namespace internal
}  // namespace sim

using sim::internal::PlannedFailure;

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceLength, LPWSTR destination,
                               int destinationLength) {
    long long planned = 0;
    if (PlannedFailure("MultiByteToWideChar", &planned)) return static_cast<int>(planned);
    (void)flags;  // a single-byte code page has no invalid sequence to flag
    const bool ansi = codePage == CP_ACP || codePage == 1252;
    const bool oem = codePage == CP_OEMCP || codePage == 437;
    if ((!ansi && !oem && codePage != CP_UTF8) || source == nullptr || sourceLength == 0 || sourceLength < -1 || destinationLength < 0 ||
        (destination == nullptr && destinationLength > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // A length of -1 takes the text with its terminator, which the count then includes.
    const size_t count = sourceLength == -1 ? strlen(source) + 1 : static_cast<size_t>(sourceLength);
    std::u16string wide;
    if (codePage == CP_UTF8) {
        wide = sim::internal::WideFromUtf8(std::string_view(source, count));
    } else {
        for (size_t i = 0; i < count; ++i) {
            const unsigned char c = static_cast<unsigned char>(source[i]);
            wide += static_cast<char16_t>(ansi ? sim::internal::AnsiToUnicode(c) : sim::internal::OemToUnicode(c));
        }
    }
    if (destinationLength == 0) return static_cast<int>(wide.size());
    if (wide.size() > static_cast<size_t>(destinationLength)) {
        // What fits is written before the call fails (as under Wine).
        memcpy(destination, wide.data(), static_cast<size_t>(destinationLength) * sizeof(WCHAR));
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    memcpy(destination, wide.data(), wide.size() * sizeof(WCHAR));
    return static_cast<int>(wide.size());
}

// The ANSI code page and UTF-8: a character the ANSI code page lacks becomes '?' (the
// default character; another one is not simulated), and usedDefault says so.
int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceLength, LPSTR destination,
                               int destinationLength, LPCSTR defaultChar, LPBOOL usedDefault) {
    long long planned = 0;
    if (PlannedFailure("WideCharToMultiByte", &planned)) return static_cast<int>(planned);
    (void)flags;
    const bool ansi = codePage == CP_ACP || codePage == 1252;
    if ((!ansi && codePage != CP_UTF8) || source == nullptr || sourceLength == 0 || sourceLength < -1 ||
        destinationLength < 0 || (destination == nullptr && destinationLength > 0) ||
        (codePage == CP_UTF8 && (defaultChar != nullptr || usedDefault != nullptr))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (defaultChar != nullptr) sim::internal::AddFailure("WideCharToMultiByte: only the default '?' is simulated");
    const size_t count =
        sourceLength == -1 ? sim::internal::WideLength(source) + 1 : static_cast<size_t>(sourceLength);
    std::string out;
    if (codePage == CP_UTF8) {
        out = sim::internal::Utf8FromWide(source, count);
    } else {
        const std::string internal = sim::internal::InternalFromWide(source, count);
        out = sim::internal::AnsiFromInternal(internal);
        if (usedDefault != nullptr) *usedDefault = internal.find(sim::internal::kWideMark) != std::string::npos;
    }
    if (destinationLength == 0) return static_cast<int>(out.size());
    if (out.size() > static_cast<size_t>(destinationLength)) {
        // The characters that fit whole are written before the call fails (as under Wine).
        size_t fits = static_cast<size_t>(destinationLength);
        if (codePage == CP_UTF8)
            while (fits > 0 && (static_cast<unsigned char>(out[fits]) & 0xC0) == 0x80) --fits;
        memcpy(destination, out.data(), fits);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    memcpy(destination, out.data(), out.size());
    return static_cast<int>(out.size());
}

int WINAPI lstrcmpiA(LPCSTR a, LPCSTR b) {
    long long planned = 0;
    if (PlannedFailure("lstrcmpiA", &planned)) return static_cast<int>(planned);
    if (a == nullptr || b == nullptr) return a == b ? 0 : (a == nullptr ? -1 : 1);
    // Byte order after folding the case of code page 1252; Windows sorts by the locale,
    // which agrees for letters, digits and the signs of paths.
    for (size_t i = 0;; ++i) {
        const unsigned char x = sim::internal::FoldAnsi(static_cast<unsigned char>(a[i]));
        const unsigned char y = sim::internal::FoldAnsi(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
        if (x == 0) return 0;
    }
}
