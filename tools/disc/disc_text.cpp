// Text helpers of the disc author's kit.
#include "disc_text.h"

#include <stdio.h>

#include <algorithm>
#include <vector>

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

std::string OneLine(const std::string& text) {
    if (text.empty()) return "(empty)";
    size_t first = 0, last = text.size();
    while (first < text.size() && text[first] == ' ') ++first;
    while (last > first && text[last - 1] == ' ') --last;
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n') out += "{LF}";
        else if (c == '\r') out += "{CR}";
        else if (c == '\t') out += "{TAB}";
        else if (c == ' ' && (i < first || i >= last)) out += "{SP}";
        else if (c == '{') out += "{LBRACE}";
        else if (c == '|' || c < 0x20 || c > 0x7E) {
            char hex[8];
            snprintf(hex, sizeof hex, "{x%02X}", c);
            out += hex;
        } else out += static_cast<char>(c);
    }
    return out;
}

std::string Json(const std::string& text) {
    std::string out = "\"";
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '"') out += "\\\"";
        else if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (c < 0x20 || c > 0x7E) {
            char escape[8];
            snprintf(escape, sizeof escape, "\\u%04X", c);
            out += escape;
        } else out += ch;
    }
    return out + "\"";
}

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
