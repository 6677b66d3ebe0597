// Text helpers of the disc author's kit.
#include "disc_text.h"

#include <stdio.h>

#include <algorithm>
#include <vector>

#ifndef _WIN32
#include <iconv.h>
#endif

namespace {

// Code page 1252's characters for 0x80 to 0x9F (0: none); above, it is Latin-1.
const unsigned short k1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

int DisplayPage = 1252;
unsigned PageTable[128];  // the display code page's characters for 0x80 to 0xFF (0: none)

void Fill1252() {
    for (unsigned c = 0x80; c < 0x100; ++c) PageTable[c - 0x80] = c < 0xA0 ? k1252High[c - 0x80] : c;
}

const bool Filled = (Fill1252(), true);

void AppendUtf8(std::string& out, unsigned point) {
    if (point < 0x80) out += static_cast<char>(point);
    else if (point < 0x800) {
        out += static_cast<char>(0xC0 | (point >> 6));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (point >> 12));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

}  // namespace

bool SetDisplayCodePage(int codePage) {
    (void)Filled;
    if (codePage == 1252) {
        Fill1252();
        DisplayPage = codePage;
        return true;
    }
#ifdef _WIN32
    return false;
#else
    const std::string name = "CP" + std::to_string(codePage);
    iconv_t convert = iconv_open("UTF-32LE", name.c_str());
    if (convert == reinterpret_cast<iconv_t>(-1)) return false;
    for (unsigned c = 0x80; c < 0x100; ++c) {
        char in[1] = {static_cast<char>(c)};
        unsigned char out[4] = {0, 0, 0, 0};
        char* from = in;
        char* to = reinterpret_cast<char*>(out);
        size_t inLeft = 1, outLeft = 4;
        const bool done = iconv(convert, &from, &inLeft, &to, &outLeft) != static_cast<size_t>(-1) && outLeft == 0;
        const unsigned point = out[0] | out[1] << 8 | out[2] << 16 | static_cast<unsigned>(out[3]) << 24;
        PageTable[c - 0x80] = done && point < 0x10000 ? point : 0;
        iconv(convert, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(convert);
    DisplayPage = codePage;
    return true;
#endif
}

int DisplayCodePage() { return DisplayPage; }

std::string AnsiToUtf8(const std::string& text) {
    std::string out;
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80) out += ch;
        else AppendUtf8(out, PageTable[c - 0x80] ? PageTable[c - 0x80] : 0xFFFD);
    }
    return out;
}

std::string ReadFile(const std::string& path) {
    std::string bytes;
    if (FILE* file = fopen(path.c_str(), "rb")) {
        char chunk[4096];
        size_t got;
        while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
        fclose(file);
    }
    return bytes;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && written;
}

// The length of the UTF-8 sequence at text[at], 0 for none: the simulation writes a character
// outside the ANSI code page as the byte 0x01 followed by it.
size_t Utf8Length(const std::string& text, size_t at) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    const size_t n = lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 && lead < 0xF0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 0;
    if (n == 0 || at + n > text.size()) return 0;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80) return 0;
    return n;
}

std::string OneLine(const std::string& text) {
    if (text.empty()) return "(empty)";
    size_t first = 0, last = text.size();
    while (first < text.size() && text[first] == ' ') ++first;
    while (last > first && text[last - 1] == ' ') --last;
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        size_t length = 0;
        if (c == 0x01 && i + 1 < text.size() && (length = Utf8Length(text, i + 1)) > 0) {
            // A character outside the ANSI code page, as a Unicode call gives it: shown whole.
            out += text.substr(i + 1, length);
            i += length;
        } else if (c == '\n') out += "{LF}";
        else if (c == '\r') out += "{CR}";
        else if (c == '\t') out += "{TAB}";
        else if (c == ' ' && (i < first || i >= last)) out += "{SP}";
        else if (c == '{') out += "{LBRACE}";
        else if (c >= 0x80 && PageTable[c - 0x80] != 0 && PageTable[c - 0x80] != 0xA0) AppendUtf8(out, PageTable[c - 0x80]);
        else if (c == '|' || c < 0x20 || c > 0x7E) {
            char hex[8];
            snprintf(hex, sizeof hex, "{x%02X}", c);
            out += hex;
        } else out += static_cast<char>(c);
    }
    return out;
}

// utf8: bytes above 0x7F are UTF-8 and pass as they are; else they are code-page text.
static std::string JsonOf(const std::string& text, bool utf8) {
    std::string out = "\"";
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (utf8 && c >= 0x80) out += ch;
        else if (c == '"') out += "\\\"";
        else if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (c < 0x20 || c > 0x7E) {
            char escape[8];
            snprintf(escape, sizeof escape, "\\u%04X", c >= 0x80 && PageTable[c - 0x80] != 0 ? PageTable[c - 0x80] : c);
            out += escape;
        } else out += ch;
    }
    return out + "\"";
}

std::string Json(const std::string& text) { return JsonOf(text, false); }
std::string JsonUtf8(const std::string& text) { return JsonOf(text, true); }

int EditDistance(const std::string& a, const std::string& b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    std::vector<int> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = static_cast<int>(j);
    for (size_t i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = static_cast<int>(i);
        for (size_t j = 1; j <= b.size(); ++j) {
            const int above = row[j];
            const int replace = diagonal + (lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1);
            row[j] = std::min(replace, std::min(above, row[j - 1]) + 1);
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string AutorunFile(const std::string& key, const std::string& value) {
    std::string file = value;
    file.erase(0, std::min(file.find_first_not_of(' '), file.size()));
    if (EditDistance(key, "icon") == 0) file.erase(std::min(file.find(','), file.size()));
    else if (!file.empty() && file[0] == '"') file = file.substr(1, file.find('"', 1) - 1);
    else file.erase(std::min(file.find(' '), file.size()));
    for (char& c : file)
        if (c == '/') c = '\\';
    file.erase(0, std::min(file.find_first_not_of("\\ "), file.size()));
    file.erase(file.find_last_not_of(' ') + 1);
    return file.find(':') == std::string::npos ? file : std::string();
}

std::string ShownPath(const std::string& discFolder, const std::string& onDisc) {
    const bool backslashes = discFolder.find('\\') != std::string::npos && discFolder.find('/') == std::string::npos;
    const char separator = backslashes ? '\\' : '/';
    std::string folder = discFolder;
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
    std::string path = onDisc;
    for (char& c : path)
        if (c == '\\') c = separator;
    if (folder.empty() || folder == ".") return path;
    return folder + (folder.back() == separator ? "" : std::string(1, separator)) + path;
}
