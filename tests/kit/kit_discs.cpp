// The kit tests' discs: each a settings file from the repository and stand-ins for its programs.
#include "kit_discs.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "disc_text.h"

namespace {

// An image whose further header names its kind: "PE\0\0" and a machine, or "NE" (16-bit).
std::string Image(const std::string& signature, unsigned machine = 0) {
    std::string bytes = "MZ" + std::string(0x3A, '\0') + std::string("\x40\0\0\0", 4) + signature;
    bytes += static_cast<char>(machine & 0xFF);
    bytes += static_cast<char>(machine >> 8);
    return bytes + std::string(16, '\0');
}

const struct {
    const char* name;
    const char* settings;  // relative to the source tree; laid out as AUTOPLAY.INI with CR LF line ends
    std::vector<const char*> files;  // stand-ins, each holding "MZ"
    std::vector<std::pair<const char*, std::string>> others = {};  // further files: path, bytes
} kDiscs[] = {
    {"sample", "examples/disc/AUTOPLAY.INI", {"AUTOPLAY.EXE", "SETUP32/SETUP.EXE", "PAYLOAD/SAMPLE.EXE"}},
    {"misspelt", "tests/kit/discs/misspelt.ini", {"AUTOPLAY.EXE", "SETUP32/SETUP.EXE", "SETTINGS/AUTOPLAY.INI"}},
    {"no-installer", "tests/kit/discs/no-installer.ini", {"AUTOPLAY.EXE", "SETUP95/SETUP.EXE"}},
    {"number-yes", "tests/kit/discs/number-yes.ini", {"AUTOPLAY.EXE", "PROGRAM/RUN.EXE"}},
    {"long-names", "tests/kit/discs/long-names.ini", {"AUTOPLAY.EXE", "Sample Program/Run Sample.exe"}},
    {"no-window-class", "tests/kit/discs/no-window-class.ini", {"AUTOPLAY.EXE", "SETUP32/SETUP.EXE"}},
    {"utf8-no-bom", "tests/kit/discs/utf8-no-bom.ini", {"AUTOPLAY.EXE", "SETUP32/SETUP.EXE"}},
    {"installed-elsewhere", "tests/kit/discs/installed-elsewhere.ini", {"AUTOPLAY.EXE", "SETUP/SETUP.EXE"}},
    // A launcher named outside the ANSI code page, beside its settings file of that name.
    {"foreign-launcher", "tests/kit/discs/web-page.ini", {"\xE6\x9D\xB1\xE4\xBA\xAC.EXE", "INDEX.URL"},
     {{"\xE6\x9D\xB1\xE4\xBA\xAC.INI", "[Tavio32 Settings]\r\nInstallNeeded=0\r\n"}}},
    {"web-page", "tests/kit/discs/web-page.ini", {"AUTOPLAY.EXE"},
     {{"INDEX.URL", "[InternetShortcut]\r\nURL=https://example.org/\r\n"}}},
    {"not-a-program", "tests/kit/discs/not-a-program.ini", {"AUTOPLAY.EXE"},
     {{"SETUP32/SETUP.EXE", ""},
      {"SETUPNT/SETUP.EXE", Image("NE")},
      {"BIN/WIDE.EXE", Image(std::string("PE\0\0", 4), 0x8664)},
      {"BIN/X.EXE", "placeholder, not a program\r\n"}}},
};

// Writes bytes to root/path, making its folders.
bool Put(const std::string& root, const std::string& path, const std::string& bytes) {
    for (size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1))
        mkdir((root + "/" + path.substr(0, slash)).c_str(), 0700);
    return WriteFile(root + "/" + path, bytes);
}

std::string Root;

void RemoveDiscs() {
    if (!Root.empty()) system(("rm -rf '" + Root + "'").c_str());
}

}  // namespace

const std::string& TestDiscs() {
    if (!Root.empty()) return Root;
    char pattern[] = "/tmp/tavio-kit-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return Root;
    Root = pattern;
    atexit(RemoveDiscs);
    for (const auto& disc : kDiscs) {
        // A settings file on a disc has Windows line ends.
        std::string settings;
        for (char c : ReadFile(std::string(TAVIO_SOURCE_DIR) + "/" + disc.settings)) {
            if (c == '\n' && (settings.empty() || settings.back() != '\r')) settings += '\r';
            settings += c;
        }
        bool laid = !settings.empty() && Put(Root, std::string(disc.name) + "/AUTOPLAY.INI", settings);
        for (const char* file : disc.files) laid = laid && Put(Root, std::string(disc.name) + "/" + file, "MZ");
        for (const auto& file : disc.others)
            laid = laid && Put(Root, std::string(disc.name) + "/" + file.first, file.second);
        if (!laid) {
            RemoveDiscs();
            Root.clear();
            break;
        }
    }
    return Root;
}
