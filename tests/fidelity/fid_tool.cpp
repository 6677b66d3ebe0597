// The fidelity suite's generator (seeded cases for every area) and comparer (host results against Wine's).
//
//   fid_tool gen SEED PROFILE_CASES OTHER_CASES   writes a case file to standard output
//   fid_tool compare CASEFILE HOST_OUT WINE_OUT   prints "<area>: N agreed, N differed" per
//                                                 area with each difference; exit 1 when a
//                                                 difference is not an expected one
// The generator uses its own integer mixing, not <random>'s distributions, so that a seed
// gives the same cases with any standard library.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fid_text.h"

namespace {

using fid::Escape;
using fid::Null;
using fid::Str;
using fid::Text;
using fid::Token;

// ---- Randomness ----

struct Random {
    unsigned long long state;
    unsigned long long Next() {  // splitmix64
        unsigned long long z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t Below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(Next() % n); }
    bool Percent(int p) { return static_cast<int>(Below(100)) < p; }
    template <typename T>
    const T& Pick(const std::vector<T>& items) {
        return items[Below(items.size())];
    }
    size_t Between(size_t low, size_t high) { return low + Below(high - low + 1); }
};

std::string Num(long long n) { return std::to_string(n); }

// The name with its letters' case changed at random (at least one letter changed when it has any).
std::string OtherCase(Random& r, const std::string& name) {
    std::string out = name;
    bool changed = false;
    for (char& c : out) {
        if (((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) && r.Percent(50)) {
            c ^= 0x20;
            changed = true;
        }
    }
    if (!changed)
        for (char& c : out)
            if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
                c ^= 0x20;
                break;
            }
    return out;
}

std::string Blanks(Random& r) {
    static const std::vector<std::string> kinds = {"", "", "", " ", "\t", "  ", " \t ", "\t\t"};
    return r.Pick(kinds);
}

std::string Letters(Random& r, size_t length, const char* alphabet = "abcdefghijklmnopqrstuvwxyz0123456789") {
    const size_t n = strlen(alphabet);
    std::string out;
    for (size_t i = 0; i < length; ++i) out += alphabet[r.Below(n)];
    return out;
}

// Long text without the bytes that matter to the parsers.
std::string Filler(Random& r, size_t length) { return Letters(r, length, "abcdefghij KLMNOP.-_0123456789"); }

// ---- Profile files ----

struct WrittenKey {
    std::string section;  // as written, trimmed
    std::string key;
    std::string value;    // trimmed, as a reader should see it before quotes go
};

std::string ProfileValue(Random& r, bool utf8) {
    static const std::vector<std::string> words = {
        "abc", "C:\\Setup\\SETUP.EXE", "a b", "x=y", "a;b", "\"q\"", "'q'", "\"open", "close'", "\"mixed'", "\"\"",
        "''", "\"", "'", "a\tb", "\"two words\"", "'a\"b'", "\" padded \"", "1", "-12", "99999999999", "%TEMP%\\x",
        "\"a\"b\"", "=", "[x]", "; not a comment"};
    std::string value;
    const size_t parts = r.Between(0, 3);
    for (size_t i = 0; i < parts; ++i) {
        if (i) value += r.Percent(70) ? " " : "\t";
        value += r.Pick(words);
    }
    if (r.Percent(8)) value += utf8 ? "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC" : "\xE9t\xE9 \x80";
    if (r.Percent(4)) value = r.Pick(std::vector<std::string>{"\"" + value + "\"", "'" + value + "'"});
    return value;
}

std::string SectionLine(Random& r, const std::string& name) {
    switch (r.Below(8)) {
        case 0: return "[" + Blanks(r) + name + Blanks(r) + "]";
        case 1: return Blanks(r) + "[" + name + "]" + Blanks(r);
        case 2: return "[" + name + "] junk";
        case 3: return "[" + name + "]x]";
        default: return "[" + name + "]";
    }
}

struct ProfileFile {
    std::string bytes;
    std::vector<WrittenKey> keys;
    std::vector<std::string> sections;
};

ProfileFile MakeProfile(Random& r) {
    static const std::vector<std::string> sectionNames = {"Setup", "setup", "Run", "A B", "Disc 1", "x", "Tavio",
                                                          "Options", "main", "[odd"};
    static const std::vector<std::string> keyNames = {"Key", "key", "Program", "Auto Run", "k", "Name2", "Value",
                                                      "Setup", "x y", "Title"};
    ProfileFile file;
    const bool bom = r.Percent(10);
    const int ending = static_cast<int>(r.Below(4));  // CRLF, LF, CR, mixed
    const size_t lines = r.Between(1, 14);
    std::string current;  // "" before the first section
    auto eol = [&r, ending]() {
        static const std::vector<std::string> all = {"\r\n", "\n", "\r", "\n\r", "\r\r\n"};
        return ending < 3 ? all[static_cast<size_t>(ending)] : r.Pick(all);
    };
    if (bom) file.bytes += "\xEF\xBB\xBF";
    for (size_t i = 0; i < lines; ++i) {
        std::string line;
        const size_t kind = r.Below(100);
        if (kind < 18) {
            current = r.Pick(sectionNames);
            if (r.Percent(15)) current = OtherCase(r, current);
            if (r.Percent(5)) {
                line = "[" + current;  // no closing bracket: a key line
            } else {
                line = SectionLine(r, current);
                file.sections.push_back(current);
            }
        } else if (kind < 64) {
            const std::string key = r.Percent(12) ? OtherCase(r, r.Pick(keyNames)) : r.Pick(keyNames);
            const std::string value = ProfileValue(r, bom);
            line = Blanks(r) + key + Blanks(r) + "=" + Blanks(r) + value + Blanks(r);
            file.keys.push_back(WrittenKey{current, key, value});
        } else if (kind < 70) {
            line = Blanks(r) + ";" + r.Pick(keyNames) + "=" + ProfileValue(r, bom);
        } else if (kind < 77) {
            const std::string key = r.Pick(keyNames);
            line = Blanks(r) + key + Blanks(r);  // a key without '='
            file.keys.push_back(WrittenKey{current, key, ""});
        } else if (kind < 83) {
            line = Blanks(r);
        } else if (kind < 88) {
            const std::string key = r.Pick(keyNames);
            const size_t length = r.Percent(50) ? r.Between(4085, 4100) : r.Between(200, 1700);
            const std::string value = Filler(r, length);
            line = key + "=" + value;
            file.keys.push_back(WrittenKey{current, key, value});
        } else if (kind < 94) {
            const std::string key = r.Pick(keyNames);
            line = key + Blanks(r) + "=" + Blanks(r);  // an empty value
            file.keys.push_back(WrittenKey{current, key, ""});
        } else if (kind < 97) {
            const std::string key = r.Pick(keyNames);
            const std::string value = ProfileValue(r, bom);
            line = key + "=" + value + " \x1A";  // DOS end of file mark, trimmed like a blank
            file.keys.push_back(WrittenKey{current, key, value});
        } else {
            line = Blanks(r) + "=" + ProfileValue(r, bom);  // a key without a name
        }
        file.bytes += line;
        if (i + 1 < lines || r.Percent(80)) file.bytes += eol();
    }
    if (r.Percent(3)) file.bytes += "\x1A";
    return file;
}

// The length a reader should return for a value, quotes gone: sizes are chosen around it.
size_t ShownLength(const std::string& value) {
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        return value.size() - 2;
    return value.size();
}

std::string ProfileCase(Random& r, int id) {
    const ProfileFile file = MakeProfile(r);
    static const std::vector<std::string> absentSections = {"Nope", "Setup2", "Set up", "Run "};
    static const std::vector<std::string> absentKeys = {"Missing", "Key2", "Prog", "Auto  Run"};
    std::string path = "C:\\fid\\p\\" + Num(id) + ".ini";
    Text section, key, fallback;
    size_t expected = 0;
    const WrittenKey* target = file.keys.empty() ? nullptr : &r.Pick(file.keys);
    const size_t sectionKind = r.Below(100);
    if (sectionKind < 70 && target != nullptr) {
        section = Str(target->section);
    } else if (sectionKind < 80 && !file.sections.empty()) {
        section = Str(r.Pick(file.sections));
    } else if (sectionKind < 88) {
        section = Str(r.Pick(absentSections));
    } else if (sectionKind < 93) {
        section = Str("");
    } else if (sectionKind < 97) {
        section = Null();  // the list of sections
    } else {
        section = Str(OtherCase(r, "setup"));
    }
    if (!section.null && r.Percent(20)) section.bytes = OtherCase(r, section.bytes);
    if (!section.null && r.Percent(12)) section.bytes = Blanks(r) + section.bytes + Blanks(r);
    const size_t keyKind = r.Below(100);
    if (keyKind < 70 && target != nullptr) {
        key = Str(target->key);
        expected = ShownLength(target->value);
    } else if (keyKind < 84) {
        key = Str(r.Pick(absentKeys));
    } else if (keyKind < 89) {
        key = Str("");
    } else if (keyKind < 95) {
        key = Null();  // the list of keys
    } else {
        key = Str("program");
    }
    if (!key.null && r.Percent(20)) key.bytes = OtherCase(r, key.bytes);
    if (!key.null && r.Percent(12)) key.bytes = Blanks(r) + key.bytes + Blanks(r);
    static const std::vector<std::string> defaults = {
        "", "def", "def   ", "def\t", "\"quoted\"", "'sq'", "\"dq  \"  ", " lead", " ", "\"", "a\"", "\"\"",
        "two words  ", "'x", "  ", "\"q\"   "};
    const size_t defaultKind = r.Below(100);
    if (defaultKind < 25)
        fallback = Null();
    else if (defaultKind < 30)
        fallback = Str(Filler(r, r.Between(100, 300)));
    else
        fallback = Str(r.Pick(defaults));
    if (expected == 0 && !fallback.null) expected = ShownLength(fallback.bytes);
    size_t size;
    const size_t sizeKind = r.Below(100);
    if (sizeKind < 14)
        size = 1;
    else if (sizeKind < 28)
        size = expected + 1;  // exact fit
    else if (sizeKind < 40)
        size = expected > 0 ? expected : 2;  // one short
    else if (sizeKind < 48)
        size = expected + 2;
    else if (sizeKind < 72)
        size = 4096;
    else if (sizeKind < 74)
        size = 0;
    else
        size = r.Between(2, 40);
    std::string setup = "f " + Token(path) + " " + Token(file.bytes);
    std::string queried = path;
    const size_t fileKind = r.Below(100);
    if (fileKind < 3)
        queried = "C:\\fid\\p\\none" + Num(id) + ".ini";
    else if (fileKind < 5)
        queried = "";
    else if (fileKind < 6)
        queried = "fidnone" + Num(id) + ".ini";  // a bare name: the Windows folder
    else if (fileKind < 9)
        queried = OtherCase(r, path);
    return "profile " + Num(id) + " " + setup + " | " + Token(section) + " " + Token(key) + " " + Token(fallback) +
           " " + Num(static_cast<long long>(size)) + " " + Token(queried);
}

// ---- Registry values and environment expansion ----

std::string RegistryText(Random& r, size_t length) {
    std::string out = Filler(r, length);
    if (length > 4 && r.Percent(15)) out[r.Below(length)] = '\xE9';
    if (length > 6 && r.Percent(10)) out.replace(r.Below(length - 6), 6, "%TEMP%");
    return out;
}

std::string RegistryCase(Random& r, int id) {
    static const std::vector<int> types = {1, 1, 1, 2, 2, 2, 4, 4, 3, 3, 7, 0, 11};
    const int type = r.Pick(types);
    size_t length;
    const size_t lengthKind = r.Below(100);
    if (lengthKind < 35)
        length = r.Between(0, 20);
    else if (lengthKind < 75)
        length = r.Between(1590, 1610);
    else
        length = r.Between(21, 600);
    std::string data;
    if (type == 4) {
        data = r.Percent(80) ? std::string("\x01\x02\x00\x80", 4) : Letters(r, r.Between(0, 8));
    } else if (type == 1 || type == 2 || type == 7) {
        data = RegistryText(r, length);
        if (r.Percent(60)) data += '\0';
        if (type == 7 && r.Percent(70)) data += '\0';
        if (r.Percent(5) && data.size() > 3) data[data.size() / 2] = '\0';
    } else {
        for (size_t i = 0; i < length; ++i) {
            unsigned char c = static_cast<unsigned char>(r.Below(256));
            if (c == 0xCC) c = 0;
            data += static_cast<char>(c);
        }
    }
    const std::string keyPath = "Software\\TavioFidelity\\r" + Num(id);
    const std::string stored = r.Percent(15) ? "" : "v";
    std::string queriedKey = keyPath;
    if (r.Percent(3)) queriedKey += "x";
    std::string queriedName = stored;
    if (r.Percent(5)) queriedName = "nov";
    else if (!stored.empty() && r.Percent(15)) queriedName = "V";
    std::string size;
    const size_t n = data.size();
    const size_t sizeKind = r.Below(100);
    if (sizeKind < 10)
        size = "~";
    else if (sizeKind < 22)
        size = Num(n > 0 ? static_cast<long long>(n) - 1 : 0);
    else if (sizeKind < 42)
        size = Num(static_cast<long long>(n));
    else if (sizeKind < 56)
        size = Num(static_cast<long long>(n) + 1);
    else if (sizeKind < 62)
        size = Num(static_cast<long long>(n) + 2);
    else if (sizeKind < 76)
        size = Num(static_cast<long long>(r.Between(1598, 1602)));
    else if (sizeKind < 80)
        size = "0";
    else if (sizeKind < 90)
        size = "4096";
    else
        size = Num(static_cast<long long>(r.Between(1, 64)));
    return "reg " + Num(id) + " r cu " + Token(keyPath) + " " + Token(stored) + " " + Num(type) + " " + Token(data) +
           " | " + Token(queriedKey) + " " + Token(queriedName) + " " + size;
}

// Text between two '%' of different pieces becomes a variable name: this alphabet can
// form no name the Wine process inherits from its Unix environment ("_", "PWD", ...).
std::string EnvironmentFiller(Random& r, size_t length) { return Letters(r, length, "0123456789KLMNOP .-"); }

std::string EnvironmentCase(Random& r, int id) {
    const std::string base = "FIDV" + Num(id);
    std::vector<std::pair<std::string, std::string>> variables;
    const size_t count = r.Between(0, 3);
    for (size_t i = 0; i < count; ++i) {
        const std::string name = base + static_cast<char>('a' + i);
        std::string value;
        const size_t kind = r.Below(100);
        if (kind < 10)
            value = "";
        else if (kind < 30)
            value = EnvironmentFiller(r, r.Between(1590, 1610));
        else if (kind < 40)
            value = "50%off";
        else
            value = EnvironmentFiller(r, r.Between(1, 30));
        variables.push_back({name, value});
    }
    std::string source, expanded;
    const size_t pieces = r.Between(1, 6);
    for (size_t i = 0; i < pieces; ++i) {
        const size_t kind = r.Below(100);
        std::string piece, result;
        if (kind < 30 && !variables.empty()) {
            const auto& v = r.Pick(variables);
            piece = "%" + (r.Percent(25) ? OtherCase(r, v.first) : v.first) + "%";
            result = v.second;
        } else if (kind < 45) {
            piece = "%FIDU" + Num(id) + "%";  // undefined: stays as written
            result = piece;
        } else if (kind < 52) {
            piece = "%%";
            result = piece;
        } else if (kind < 57) {
            piece = "%";
            result = piece;
        } else if (kind < 62) {
            piece = "%" + base + "a";  // unterminated reference
            result = piece;
        } else if (kind < 72) {
            piece = EnvironmentFiller(r, r.Between(1580, 1610));
            result = piece;
        } else {
            piece = EnvironmentFiller(r, r.Between(0, 12));
            result = piece;
        }
        source += piece;
        expanded += result;
    }
    // Around the expansion's length, which the model above only approximates (a '%' of one
    // piece may pair with the next).
    const size_t needed = expanded.size() + 1;
    size_t size;
    const size_t sizeKind = r.Below(100);
    if (sizeKind < 15)
        size = needed - 1;
    else if (sizeKind < 35)
        size = needed;
    else if (sizeKind < 55)
        size = needed + 1;
    else if (sizeKind < 62)
        size = needed + 2;
    else if (sizeKind < 66)
        size = 0;
    else if (sizeKind < 70)
        size = 1;
    else if (sizeKind < 85)
        size = r.Between(1598, 1602);
    else
        size = 4096;
    std::string setup;
    for (const auto& v : variables) setup += " e " + Token(v.first) + " " + Token(v.second);
    return "env " + Num(id) + setup + " | " + Token(source) + " " + Num(static_cast<long long>(size));
}

// ---- Windows ----

// A scene of windows of this and another process, then queries against it.
void WindowScene(Random& r, int scene, int* id, int queries, std::vector<std::string>* out) {
    const std::string tag = Num(scene);
    const std::vector<std::string> classes = {"TavioFidA" + tag, "TavioFidB" + tag, "TavioFidX" + tag};
    const std::vector<std::string> titles = {"Fid" + tag + " Main", "fid" + tag + " MAIN", "", "Fid" + tag + " Other",
                                             "Fid" + tag + " Main "};
    struct Made {
        char owner;
        std::string className, title;
    };
    std::vector<Made> made;
    std::string line = "scene " + tag;
    const size_t count = r.Between(1, 5);
    for (size_t i = 0; i < count; ++i) {
        const char owner = r.Pick(std::vector<char>{'o', 'o', 'x', 'x', 'c'});
        const std::string className = r.Pick(classes);
        const std::string title = r.Pick(titles);
        line += std::string(" w ") + owner + " " + (r.Percent(60) ? "v" : "h") + " " + Token(className) + " " +
                Token(title);
        made.push_back(Made{owner, className, title});
    }
    out->push_back(line);
    for (int q = 0; q < queries; ++q) {
        const Made& some = made[r.Below(made.size())];
        Text className, title;
        const size_t classKind = r.Below(100);
        if (classKind < 25)
            className = Null();
        else if (classKind < 60)
            className = Str(some.className);
        else if (classKind < 75)
            className = Str(OtherCase(r, some.className));
        else if (classKind < 85)
            className = Str(r.Pick(classes));
        else if (classKind < 93)
            className = Str("TavioFidNone" + tag);  // never registered
        else
            className = Str("");
        const size_t titleKind = r.Below(100);
        if (titleKind < 25)
            title = Null();
        else if (titleKind < 55)
            title = Str(some.title);
        else if (titleKind < 70)
            title = Str(OtherCase(r, some.title));
        else if (titleKind < 80)
            title = Str("");
        else if (titleKind < 88)
            title = Str("Fid" + tag);  // a prefix of the titles only
        else
            title = Str(r.Pick(titles));
        // Without a class, a title that other programs' windows may carry too would find
        // them: such queries name one of this scene's titles instead.
        if (className.null && (title.null || title.bytes.empty() || title.bytes == " "))
            title = Str("Fid" + tag + " Main");
        out->push_back("win " + Num((*id)++) + " " + tag + " " + Token(className) + " " + Token(title));
    }
}

// ---- File associations ----

std::string AssociationCase(Random& r, int id) {
    const std::string folder = "C:\\fid\\x\\" + Num(id);
    const std::string ext = "q" + Letters(r, r.Between(0, 7), "abcdefghijklmnopqrstuvwxyz");  // 1 to 8 characters
    const std::string className = "TavioFid.c" + Num(id);
    std::string setup;
    auto reg = [&setup](const std::string& key, const Text& name, const std::string& value, int type) {
        setup += " r cr " + Token(key) + " " + Token(name) + " " + Num(type) + " " + Token(value);
    };
    const std::string program = r.Percent(50) ? folder + "\\My Prog.exe" : folder + "\\prog.exe";
    if (r.Percent(70)) setup += " f " + Token(program) + " " + Token("MZ");
    std::string command;
    switch (r.Below(6)) {
        case 0: command = "\"" + program + "\" \"%1\""; break;
        case 1: command = program + " %1"; break;
        case 2: command = "\"" + program + "\""; break;
        case 3: command = program; break;
        case 4: command = "  " + program + " /x"; break;
        default: command = "\"" + program + "\" %1 /y"; break;
    }
    const size_t shape = r.Below(100);
    if (shape < 88) reg("." + ext, Str(""), className, 1);
    if (shape >= 88 && shape < 92) reg("." + ext, Str(""), "", 1);  // names no class
    std::string verb = "open";
    if (r.Percent(20)) {
        verb = "go";
        reg(className + "\\shell", Str(""), verb, 1);
    }
    if (!r.Percent(8)) reg(className + "\\shell\\" + verb + "\\command", Str(""), command, r.Percent(10) ? 2 : 1);
    std::string document = folder + "\\doc." + (r.Percent(20) ? OtherCase(r, ext) : ext);
    Text file = Str(document), directory = Null();
    const size_t fileKind = r.Below(100);
    if (fileKind < 75) {
        setup += " f " + Token(document) + " " + Token("data");
    } else if (fileKind < 82) {
        // missing document
    } else if (fileKind < 88) {
        file = Str(folder + "\\tool.exe");
        setup += " f " + Token(file.bytes) + " " + Token("MZ");
    } else if (fileKind < 92) {
        file = Str(folder + "\\noext");
        setup += " f " + Token(file.bytes) + " " + Token("x");
    } else if (fileKind < 96) {
        file = Str("doc." + ext);  // relative, in the given folder
        directory = Str(folder);
        setup += " f " + Token(document) + " " + Token("data");
    } else {
        file = Str(folder);  // a folder
        setup += " d " + Token(folder);
    }
    return "fx " + Num(id) + setup + " | " + Token(file) + " " + Token(directory);
}

// ---- Names outside the ANSI code page: the Unicode calls and code page conversions ----

// A name as an author writes it (UTF-8), with the 8.3 alias Windows gives it on FAT and NTFS:
// none for a name that is a valid 8.3 name in the OEM code page (437 has "ö" and "é"),
// otherwise the first six characters of the name without its blanks and inner dots, each
// character an 8.3 name cannot hold made '_', "~1" and the extension's first three.
struct WideName {
    const char* utf8;
    const char* windowsAlias;  // "" for none
};
const std::vector<WideName> kWideFolders = {
    {"\xE6\x9D\xB1\xE4\xBA\xAC", "__~1"},                                              // 東京
    {"Zubeh\xC3\xB6r", ""},                                                            // Zubehör
    {"caf\xC3\xA9", ""},                                                               // café
    {"\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC", "______~1"},  // Ελληνικά
    {"Tool", ""},
    {"My \xE6\x9D\xB1 Tools", "MY_TOO~1"},  // My 東 Tools
};
const std::vector<WideName> kWideFiles = {
    {"VIEW.EXE", ""},
    {"Prog \xE6\x9D\xB1.exe", "PROG_~1.EXE"},                    // Prog 東.exe
    {"\xF0\x9F\x98\x80x.exe", "_X~1.EXE"},                         // 😀x.exe: two UTF-16 units
    {"Read me \xE6\x9D\xB1\xE4\xBA\xAC.txt", "README~1.TXT"},      // Read me 東京.txt
    {"Zubeh\xC3\xB6r.exe", ""},
};

std::string Marked(const char* utf8) { return fid::MarkedOfUtf8(utf8); }

// The UTF-16 length of a marked text.
size_t Units(const std::string& marked) { return fid::Utf16OfMarked(marked).size(); }

// Its ANSI form's length: one byte, or one '?', per UTF-16 unit.
size_t AnsiLength(const std::string& marked) { return Units(marked); }

size_t Utf8Length(const std::string& marked) {
    size_t n = 0;
    const std::u16string units = fid::Utf16OfMarked(marked);
    for (size_t i = 0; i < units.size(); ++i) {
        const unsigned u = units[i];
        n += u < 0x80 ? 1 : u < 0x800 ? 2 : (u >= 0xD800 && u < 0xDC00) ? (++i, 4) : 3;
    }
    return n;
}

// A buffer size around the needed one.
size_t SizeAround(Random& r, size_t needed) {
    const size_t kind = r.Below(100);
    if (kind < 15) return 0;
    if (kind < 40) return needed;
    if (kind < 60) return needed > 1 ? needed - 1 : 1;
    if (kind < 70) return needed + 1;
    if (kind < 78) return 1;
    return 260;
}

std::string WideCase(Random& r, int id) {
    const std::string folder = "C:\\fid\\w\\" + Num(id);
    const WideName& named = r.Pick(kWideFolders);
    const WideName& file = r.Pick(kWideFiles);
    const std::string dir = folder + "\\" + Marked(named.utf8), path = dir + "\\" + Marked(file.utf8);
    std::string shortPath = folder + "\\" + (named.windowsAlias[0] ? named.windowsAlias : Marked(named.utf8)) + "\\" +
                            (file.windowsAlias[0] ? file.windowsAlias : Marked(file.utf8));
    std::string setup = " f " + Token(path) + " " + Token("MZ");
    if (named.windowsAlias[0]) setup += " a " + Token(dir) + " " + Token(named.windowsAlias);
    if (file.windowsAlias[0]) setup += " a " + Token(path) + " " + Token(file.windowsAlias);
    static const std::vector<std::string> texts = {
        "abc", "", "caf\xC3\xA9", "\xE6\x9D\xB1\xE4\xBA\xAC", "C:\\x\\\xE6\x9D\xB1\\y.exe", "\xF0\x9F\x98\x80",
        "Zubeh\xC3\xB6r \xE2\x82\xAC 5", "\xCE\xA9mega", "a\xE6\x9D\xB1" "b\xCE\xB1" "c"};
    const size_t kind = r.Below(100);
    if (kind < 14) {  // WideCharToMultiByte
        const std::string text = Marked(r.Pick(texts).c_str());
        const bool utf8 = r.Percent(40);
        const bool terminated = r.Percent(60);
        if (!terminated && text.empty()) return WideCase(r, id);
        const size_t needed = (utf8 ? Utf8Length(text) : AnsiLength(text)) + (terminated ? 1 : 0);
        const std::string used = utf8 ? (r.Percent(10) ? "u" : "-") : (r.Percent(70) ? "u" : "-");
        return "wide " + Num(id) + " | w2m " + (utf8 ? "65001 " : "0 ") + Token(text) + (terminated ? " z " : " n ") +
               Num(static_cast<long long>(SizeAround(r, needed))) + " " + used;
    }
    if (kind < 26) {  // MultiByteToWideChar
        const bool utf8 = r.Percent(60);
        std::string bytes;
        size_t needed = 0;
        if (utf8) {
            bytes = r.Pick(texts);
            static const std::vector<std::string> broken = {"\xE6\x9D", "a\x80z", "\xC0\x80", "\xED\xA0\x80x",
                                                            "\xF0\x9F\x98", "\xFF"};
            if (r.Percent(20)) bytes += r.Pick(broken);
            needed = Units(fid::MarkedOfUtf8(bytes));  // a guess where the bytes are broken
        } else {
            bytes = Marked(r.Pick(texts).c_str());
            for (char& c : bytes)
                if (c == fid::kWideMark) c = static_cast<char>(0x80 + r.Below(32));  // 1252's special row
            needed = bytes.size();
        }
        const bool terminated = r.Percent(60);
        if (!terminated && bytes.empty()) return WideCase(r, id);
        return "wide " + Num(id) + " | m2w " + (utf8 ? "65001 " : "0 ") + Token(bytes) + (terminated ? " z " : " n ") +
               Num(static_cast<long long>(SizeAround(r, needed + (terminated ? 1 : 0))));
    }
    if (kind < 40) {  // GetShortPathNameW, and the ANSI call on the same path
        std::string query = path;
        const size_t queryKind = r.Below(100);
        if (queryKind < 15) {
            query = dir;
            shortPath = shortPath.substr(0, shortPath.find_last_of('\\'));
        } else if (queryKind < 25) {
            query = dir + "\\missing.exe";
        } else if (queryKind < 30) {
            query = folder + "\\gone\\" + Marked(file.utf8);
        }
        if (r.Percent(15)) return "wide " + Num(id) + setup + " | shortA " + Token(query);
        const size_t size = query == path || query == dir ? SizeAround(r, Units(shortPath) + 1) : r.Percent(50) ? 260 : 0;
        const bool inPlace = r.Percent(30) && size > 0;
        return "wide " + Num(id) + setup + " | short " + Token(query) + " " + Num(static_cast<long long>(size)) +
               (inPlace ? " i" : " s");
    }
    if (kind < 54) {  // RegQueryValueExW and A on a string holding a name outside the code page
        const std::string keyPath = "Software\\TavioFidelity\\w" + Num(id);
        const bool expand = r.Percent(40);
        std::string text = (expand && r.Percent(70) ? "%FIDW" + Num(id) + "%\\" : "C:\\Program Files\\") +
                           Marked(named.utf8) + (r.Percent(50) ? "\\" + Marked(file.utf8) : "");
        if (r.Percent(10)) text = "";
        const bool wide = r.Percent(60);
        const size_t needed = wide ? (Units(text) + 1) * 2 : AnsiLength(text) + 1;
        std::string size;
        const size_t sizeKind = r.Below(100);
        if (sizeKind < 12) size = "~";
        else if (sizeKind < 20) size = "0";
        else if (sizeKind < 45) size = Num(static_cast<long long>(needed));
        else if (sizeKind < 60) size = Num(static_cast<long long>(needed - 1));
        else if (sizeKind < 72) size = Num(static_cast<long long>(needed > 2 ? needed - 2 : 1));
        else if (sizeKind < 80) size = Num(static_cast<long long>(needed + 1));
        else size = "4096";
        return "wide " + Num(id) + " rw cu " + Token(keyPath) + " =v " + (expand ? "2 " : "1 ") + Token(text) +
               " | reg " + Token(keyPath) + " =v " + (wide ? "W " : "A ") + size;
    }
    if (kind < 64) {  // ExpandEnvironmentStringsW
        const std::string name = "FIDW" + Num(id);
        const std::string value = r.Percent(80) ? "C:\\" + Marked(named.utf8) : Marked(file.utf8);
        std::string source, expanded;
        const size_t pieces = r.Between(1, 3);
        for (size_t i = 0; i < pieces; ++i) {
            const size_t pieceKind = r.Below(3);
            if (pieceKind == 0) {
                source += "%" + name + "%";
                expanded += value;
            } else if (pieceKind == 1) {
                source += "\\" + Marked(file.utf8);
                expanded += "\\" + Marked(file.utf8);
            } else {
                source += "%FIDU" + Num(id) + "%";
                expanded += "%FIDU" + Num(id) + "%";
            }
        }
        return "wide " + Num(id) + " e " + Token(name) + " " + Token(value) + " | env " + Token(source) + " " +
               Num(static_cast<long long>(SizeAround(r, Units(expanded) + 1)));
    }
    if (kind < 76) {  // FindExecutableW and A on a document whose program lies in such a folder
        const std::string ext = "qw" + Letters(r, r.Between(1, 5), "abcdefghijklmnopqrstuvwxyz");
        const std::string className = "TavioFid.w" + Num(id);
        const std::string program = dir + "\\" + Marked(file.utf8);
        std::string fx = r.Percent(75) ? " f " + Token(program) + " " + Token("MZ") : std::string();
        const std::string command = r.Percent(70) ? "\"" + program + "\" \"%1\"" : program + " %1";
        const std::string document = (r.Percent(60) ? folder : dir) + "\\doc." + ext;
        fx += " f " + Token(document) + " " + Token("data") + " rw cr " + Token("." + ext) + " = 1 " +
              Token(className) + " rw cr " + Token(className + "\\shell\\open\\command") + " = " +
              (r.Percent(15) ? "2 " : "1 ") + Token(command);
        return "wide " + Num(id) + fx + " | fx " + Token(document) + " ~ " + (r.Percent(65) ? "W" : "A");
    }
    if (kind < 84) {  // ShellExecuteA of what is not there: a program in a missing folder, a document whose program is
        const std::string ext = "qw" + Letters(r, r.Between(1, 5), "abcdefghijklmnopqrstuvwxyz");
        std::string ansiDir = folder + "\\";
        for (char16_t unit : fid::Utf16OfMarked(Marked(named.utf8))) ansiDir += unit < 0x100 ? static_cast<char>(unit) : '?';
        static const std::vector<std::string> programs = {"gone", "??", "ansi", "here"};
        const std::string where = r.Pick(programs);
        const std::string program = (where == "gone" ? folder + "\\gone" : where == "??" ? folder + "\\??" :
                                     where == "ansi" ? ansiDir : dir) + (where == "here" ? "\\absent.exe" : "\\VIEW.EXE");
        // No program is ever there to start: the folder holds only a text file.
        std::string se = " f " + Token(dir + "\\x.ini") + " " + Token("[s]");
        if (r.Percent(50)) {
            const std::string className = "TavioFid.w" + Num(id);
            const std::string document = folder + "\\doc." + ext;
            se += " f " + Token(document) + " " + Token("data") + " rw cr " + Token("." + ext) + " = 1 " +
                  Token(className) + " rw cr " + Token(className + "\\shell\\open\\command") + " = 1 " +
                  Token("\"" + program + "\" \"%1\"");
            return "wide " + Num(id) + se + " | se " + Token(document) + " " + (r.Percent(50) ? Token(folder) : "~");
        }
        const std::string in = program.substr(0, program.find_last_of('\\'));
        return "wide " + Num(id) + se + " | se " + Token(program) + " " + (r.Percent(50) ? Token(in) : "~");
    }
    if (kind < 92) {  // SetCurrentDirectoryW, then a relative lookup in ANSI
        std::string cd = setup + " f " + Token(dir + "\\x.ini") + " " + Token("[s]\r\nk=v\r\n");
        const size_t targetKind = r.Below(100);
        const std::string target = targetKind < 75 ? dir : targetKind < 85 ? folder + "\\gone" : path;
        static const std::vector<std::string> relatives = {".\\.\\x.ini", ".\\x.ini", "x.ini", ".\\missing.ini",
                                                           "..\\x.ini"};
        return "wide " + Num(id) + cd + " | cd " + Token(target) + " " + Token(r.Pick(relatives));
    }
    if (kind < 95) return "wide " + Num(id) + setup + " | wpp " + Token(r.Percent(70) ? path : dir + "\\none.ini");
    if (kind < 98) {
        static const std::vector<int> deltas = {1, 0, -1, -3};
        return "wide " + Num(id) + " | mod " + Num(r.Pick(deltas));
    }
    const std::string keyPath = "Software\\TavioFidelity\\w" + Num(id);
    return "wide " + Num(id) + " r cu " + Token(keyPath) + " =v 1 " + Token(std::string("one\0", 4)) + " | wow " +
           Token(keyPath) + " =v";
}

// ---- OpenFile ----

std::string OpenFileCase(Random& r, int id) {
    const std::string folder = "C:\\fid\\o\\" + Num(id);
    std::string setup = " f " + Token(folder + "\\Setup.exe") + " " + Token("MZ") + " d " + Token(folder + "\\Sub");
    std::string path;
    const size_t kind = r.Below(100);
    if (kind < 15) {
        path = folder + "\\Setup.exe";
    } else if (kind < 25) {
        path = OtherCase(r, folder + "\\Setup.exe");
    } else if (kind < 32) {
        path = folder + "\\Sub";
    } else if (kind < 38) {
        path = folder + "\\Sub\\";
    } else if (kind < 43) {
        path = folder + "\\Setup.exe\\";
    } else if (kind < 50) {
        path = folder + "\\Missing.exe";
    } else if (kind < 53) {
        path = "";
    } else if (kind < 57) {
        path = folder + "\\Nope\\Setup.exe";
    } else if (kind < 60) {
        path = "C:/fid/o/" + Num(id) + "/Setup.exe";
    } else if (kind < 63) {
        path = folder + "\\Sub\\..\\Setup.exe";
    } else {
        // Around the 128-byte szPathName: a file whose full path has exactly this length.
        const size_t length = r.Between(124, 131);
        const size_t prefix = folder.size() + 1;
        std::string name = Letters(r, length - prefix - 4, "abcdefghijklmnopqrstuvwxyz") + ".txt";
        path = folder + "\\" + name;
        if (r.Percent(80)) setup += " f " + Token(path) + " " + Token("t");
        if (r.Percent(15)) path = OtherCase(r, path);
    }
    return "of " + Num(id) + setup + " | " + Token(path);
}

// ---- Message order ----

std::string MessageCase(Random& r, int id) {
    std::string script = r.Percent(70) ? "v" : "h";
    std::vector<std::string> ops;
    std::vector<int> posted;
    const size_t count = r.Between(0, 6);
    bool quit = false, timer = false;
    for (size_t i = 0; i < count; ++i) {
        const size_t kind = r.Below(100);
        if (kind < 40) {
            const int k = static_cast<int>(r.Below(10));
            ops.push_back("P" + Num(k));
            posted.push_back(k);
        } else if (kind < 52) {
            const int k = static_cast<int>(r.Below(10));
            ops.push_back("N" + Num(k));
            posted.push_back(k);
        } else if (kind < 64) {
            ops.push_back("I");
        } else if (kind < 76 && !timer) {
            ops.push_back("T1," + Num(static_cast<long long>(r.Between(1, 20))));
            timer = true;
        } else if (kind < 90) {
            ops.push_back("Q" + Num(static_cast<long long>(r.Below(6))));
            quit = true;
        }
    }
    std::vector<std::string> reactions;
    const size_t reacting = r.Between(0, 3);
    static const std::vector<std::string> reactionOps = {"P7", "P8", "N9", "I", "Q4", "Q5"};
    for (size_t i = 0; i < reacting; ++i) {
        std::string trigger;
        const size_t kind = r.Below(3);
        if (kind == 0 && !posted.empty())
            trigger = "u" + Num(r.Pick(posted));
        else if (kind == 1 && timer)
            trigger = "t1#" + Num(static_cast<long long>(r.Between(1, 3)));
        else
            trigger = "p#" + Num(static_cast<long long>(r.Between(1, 2)));
        reactions.push_back("@" + trigger + ":" + r.Pick(reactionOps));
    }
    // The run must end: without a quit request of its own, the timer's third tick asks for one.
    // One timer only, so that the order never depends on how two periods interleave in real time.
    if (!quit) {
        if (!timer) ops.push_back("T1," + Num(static_cast<long long>(r.Between(1, 20))));
        reactions.push_back("@t1#3:Q6");
    }
    for (const std::string& op : ops) script += " " + op;
    for (const std::string& reaction : reactions) script += " " + reaction;
    return "msg " + Num(id) + " | " + script;
}

int Generate(unsigned long long seed, int profileCases, int otherCases) {
    Random r{seed};
    printf("# fidelity cases, seed %llu, %d profile cases, %d per other area\n", seed, profileCases, otherCases);
    for (int i = 0; i < profileCases; ++i) {
        printf("%s\n", ProfileCase(r, i).c_str());
        if (i % 50 == 0) {
            const std::string path = "C:\\fid\\p\\flush" + Num(i) + ".ini";
            printf("pflush %d f %s %s | %s\n", i, Token(path).c_str(), Token("[a]\r\nb=c\r\n").c_str(),
                   Token(path).c_str());
        }
    }
    for (int i = 0; i < otherCases; ++i) printf("%s\n", RegistryCase(r, i).c_str());
    for (int i = 0; i < otherCases; ++i) printf("%s\n", EnvironmentCase(r, i).c_str());
    std::vector<std::string> lines;
    int id = 0;
    for (int scene = 0; id < otherCases; ++scene) WindowScene(r, scene, &id, std::min(10, otherCases - id), &lines);
    for (const std::string& line : lines) printf("%s\n", line.c_str());
    for (int i = 0; i < otherCases; ++i) printf("%s\n", AssociationCase(r, i).c_str());
    for (int i = 0; i < otherCases; ++i) printf("%s\n", OpenFileCase(r, i).c_str());
    for (int i = 0; i < otherCases; ++i) printf("%s\n", MessageCase(r, i).c_str());
    // A stream of its own, so that the other areas' cases stay what they were for a seed.
    Random wide{seed ^ 0x5749444531ull};
    for (int i = 0; i < otherCases; ++i) printf("%s\n", WideCase(wide, i).c_str());
    return 0;
}

// ---- Comparison ----

std::map<std::string, std::string> ReadResults(const char* path, std::vector<std::string>* order) {
    std::map<std::string, std::string> results;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
        const std::vector<std::string> t = fid::Split(line);
        if (t.size() < 2 || t[0][0] == '#') continue;
        const std::string key = t[0] + " " + t[1];
        if (order != nullptr && !results.count(key)) order->push_back(key);
        results[key] = line;
    }
    return results;
}

std::string Field(const std::string& line, const std::string& name) {
    const std::string needle = " " + name + "=";
    const size_t at = line.find(needle);
    if (at == std::string::npos) return std::string();
    const size_t start = at + needle.size();
    const size_t end = line.find(' ', start);
    return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::vector<std::string> Components(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = path.find("\\\\", start);  // an escaped backslash
        parts.push_back(path.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 2;
    }
}

// The Unicode calls on names outside the code page (the area "wide").
std::string ExpectedWideDifference(const std::string& caseLine, const std::string& host, const std::string& wine) {
    const std::vector<std::string> t = fid::Split(caseLine);
    size_t bar = 0;
    while (bar < t.size() && t[bar] != "|") ++bar;
    const std::string op = bar + 1 < t.size() ? t[bar + 1] : "";
    if (op == "short" || op == "shortA") {
        // Wine's file system gives every name that is no 8.3 name in ASCII a hashed alias
        // (ZUBE~Z50, __~~~AET); Windows gives one only to a name that is no valid 8.3 name in the
        // OEM code page ("Zubehör", "café" keep their one name), in the form NAME~1, which the
        // case gives the simulated volume. Both must agree on every other component, and where
        // a buffer was too small for one side's form, on the call's outcome.
        const std::string hostBuffer = Field(host, "buf"), wineBuffer = Field(wine, "buf");
        if (Field(host, "ret") == "0" || Field(wine, "ret") == "0") return std::string();
        const std::string reason = "8.3 aliases: Wine gives every name outside ASCII 8.3 a hashed one, Windows "
                                   "(the simulation) only a name that is no valid 8.3 name in the OEM code page";
        // A buffer left as it was: that side reported the size its form needs, which the other
        // side's form may fit.
        if (hostBuffer.empty() || wineBuffer.empty()) return reason;
        const std::vector<std::string> h = Components(hostBuffer), w = Components(wineBuffer);
        if (h.size() != w.size()) return std::string();
        bool aliased = false;
        for (size_t i = 0; i < h.size(); ++i) {
            if (h[i] == w[i]) continue;
            if (w[i].find('~') == std::string::npos) return std::string();
            aliased = true;
        }
        return aliased ? reason : std::string();
    }
    if (op == "w2m" && bar + 2 < t.size() && t[bar + 2] == "0") {
        // WideCharToMultiByte to the ANSI code page: Wine (as Windows) puts a look-alike letter
        // for some characters 1252 lacks (best fit: Ω becomes O) and then reports no default
        // used; the simulation gives '?' for all of them. The launcher's round trip rejects both.
        const std::string hostBuffer = Field(host, "buf"), wineBuffer = Field(wine, "buf");
        if (Field(host, "ret") != Field(wine, "ret") || Field(host, "err") != Field(wine, "err") ||
            hostBuffer.size() != wineBuffer.size())
            return std::string();
        for (size_t i = 0; i < hostBuffer.size(); ++i)
            if (hostBuffer[i] != wineBuffer[i] && hostBuffer[i] != '?') return std::string();
        return "best fit: Wine maps some characters the ANSI code page lacks to a look-alike, the simulation to '?'";
    }
    if (op == "w2m" && bar + 6 < t.size() && t[bar + 2] == "65001" && t[bar + 6] == "u" && Field(host, "err") == "87")
        return "WideCharToMultiByte(CP_UTF8) with a usedDefault pointer: Windows refuses it (ERROR_INVALID_PARAMETER, "
               "as documented), Wine takes it and reports no default used";
    if (op == "m2w" && Field(host, "ret") == "0" && Field(host, "err") == "122" && Field(wine, "ret") == "1" &&
        Field(host, "buf") == Field(wine, "buf") && bar + 5 < t.size() && t[bar + 5] == "1")
        return "MultiByteToWideChar with room for one unit of a character of two: the simulation fails as for any "
               "buffer too small; Wine writes the first unit and reports 1 (not measured on Windows)";
    if (op == "wpp" && Field(host, "ret") == "1" && Field(wine, "ret") == "0")
        return "WritePrivateProfileStringW(NULL, NULL, NULL, file) returns TRUE on Windows, FALSE under Wine";
    if (op == "mod" && Field(host, "ret") == Field(wine, "ret") && Field(host, "err") == "122" &&
        Field(wine, "err") == "122" && Field(wine, "zero") == "none")
        return "GetModuleFileNameW cut short: Windows Vista and later end the cut path with a zero within the "
               "buffer; Wine leaves it unterminated, as Windows XP did";
    return std::string();
}

// Where Windows and Wine are known to differ the simulation follows Windows; such a
// difference is reported with its reason and does not fail the run.
std::string ExpectedDifference(const std::string& area, const std::string& caseLine, const std::string& host,
                               const std::string& wine) {
    if (area == "pflush" && Field(host, "ret") == "1" && Field(wine, "ret") == "0")
        return "WritePrivateProfileStringA(NULL, NULL, NULL, file) returns TRUE on Windows, FALSE under Wine";
    if (area == "profile") {
        // A list of sections or keys cut short: Windows ends it with two zeros (the last one in
        // the buffer's final byte); Wine's ANSI form writes only the first. Wine's conformance
        // tests (dlls/kernel32/tests/profile.c) expect both zeros and mark the check todo_wine.
        const std::vector<std::string> t = fid::Split(caseLine);
        size_t bar = 0;
        while (bar < t.size() && t[bar] != "|") ++bar;
        if (bar + 4 < t.size() && (t[bar + 1] == "~" || t[bar + 2] == "~")) {
            const long long size = fid::Number(t[bar + 4]);
            const std::string hostRet = Field(host, "ret"), wineRet = Field(wine, "ret");
            if (hostRet == wineRet && fid::Number(hostRet) == size - 2 &&
                Field(host, "buf") == Field(wine, "buf") + "\\x00")
                return "a list cut short ends with two zeros on Windows, one under Wine (todo_wine in Wine's "
                       "profile tests)";
        }
    }
    if (area == "wide") {
        const std::string reason = ExpectedWideDifference(caseLine, host, wine);
        if (!reason.empty()) return reason;
    }
    if (area == "env") {
        // Windows' ANSI form wants a buffer larger than the result with its terminator and
        // otherwise empties it and reports one more; Wine fills a buffer of the exact size.
        const std::vector<std::string> t = fid::Split(caseLine);
        const long long size = t.empty() ? -1 : fid::Number(t.back());
        const long long hostRet = fid::Number(Field(host, "ret")), wineRet = fid::Number(Field(wine, "ret"));
        const std::string hostBuffer = Field(host, "buf");
        if (hostRet == wineRet + 1 && size <= wineRet && (hostBuffer.empty() || hostBuffer == "\\x00"))
            return "ExpandEnvironmentStringsA: Windows needs a buffer above the size with the terminator and "
                   "reports one more; Wine fills an exact buffer";
    }
    return std::string();
}

int Compare(const char* caseFile, const char* hostFile, const char* wineFile) {
    std::vector<std::string> order;
    std::map<std::string, std::string> cases = ReadResults(caseFile, &order);
    std::map<std::string, std::string> host = ReadResults(hostFile, nullptr);
    std::map<std::string, std::string> wine = ReadResults(wineFile, nullptr);
    std::vector<std::string> areas;
    std::map<std::string, int> agreed, differed, expected;
    std::map<std::string, std::vector<std::string>> listed;
    for (const std::string& key : order) {
        const std::string area = key.substr(0, key.find(' '));
        if (!agreed.count(area)) {
            areas.push_back(area);
            agreed[area] = differed[area] = expected[area] = 0;
        }
        const std::string h = host.count(key) ? host[key] : key + " <missing>";
        const std::string w = wine.count(key) ? wine[key] : key + " <missing>";
        if (h == w) {
            ++agreed[area];
            continue;
        }
        const std::string reason = ExpectedDifference(area, cases[key], h, w);
        ++differed[area];
        std::string entry = "  " + key + (reason.empty() ? "" : "  [expected: " + reason + "]") + "\n    host: " +
                            h.substr(key.size() + 1) + "\n    wine: " + w.substr(key.size() + 1) + "\n";
        if (reason.empty()) {
            std::string shown = cases[key];
            if (shown.size() > 400) shown = shown.substr(0, 400) + "...";
            entry += "    case: " + shown + "\n";
        } else {
            ++expected[area];
        }
        listed[area].push_back(entry);
    }
    int unexpected = 0;
    for (const std::string& area : areas) {
        printf("%s: %d agreed, %d differed", area.c_str(), agreed[area], differed[area]);
        if (expected[area] > 0) printf(" (%d expected)", expected[area]);
        printf("\n");
        unexpected += differed[area] - expected[area];
        // The expected ones are alike: a few show the reason.
        int shownExpected = 0;
        for (const std::string& entry : listed[area]) {
            const bool isExpected = entry.find("[expected:") != std::string::npos;
            if (isExpected && ++shownExpected > 3) continue;
            printf("%s", entry.c_str());
        }
        if (shownExpected > 3) printf("  ... and %d more expected differences of the same kind\n", shownExpected - 3);
    }
    printf("%d unexpected differences\n", unexpected);
    return unexpected == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && strcmp(argv[1], "gen") == 0)
        return Generate(strtoull(argv[2], nullptr, 10), atoi(argv[3]), atoi(argv[4]));
    if (argc == 5 && strcmp(argv[1], "compare") == 0) return Compare(argv[2], argv[3], argv[4]);
    fprintf(stderr,
            "usage: fid_tool gen SEED PROFILE_CASES OTHER_CASES\n"
            "       fid_tool compare CASEFILE HOST_OUT WINE_OUT\n");
    return 2;
}
