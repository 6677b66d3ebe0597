// The lint of a disc's settings file, on the launcher's own locating, reading and launch code.
//
// The launcher locates and reads the file on the simulated machine exactly as it would on the
// disc; the simulated profile reader then says which line each entry stands on, so that each
// finding points at the line the launcher takes its value from.
#include "disc_check.h"

#include <algorithm>
#include <array>
#include <map>

#include "disc_text.h"
#include "launching/start_program.h"
#include "location/install_location.h"
#include "platform/file_exists.h"
#include "settings/launcher_settings.h"
#include "settings/messages.h"
#include "settings/settings_file.h"
#include "sim.h"

namespace {

// Names further than this from every known one get no suggestion.
constexpr int kNearestDistance = 3;

// Common short forms of the root names, which the launcher does not take.
const struct {
    const char* shortName;
    const char* rootName;
} kRootShortNames[] = {{"HKCR", "HKEY_CLASSES_ROOT"},
                       {"HKCU", "HKEY_CURRENT_USER"},
                       {"HKLM", "HKEY_LOCAL_MACHINE"},
                       {"HKU", "HKEY_USERS"}};

bool SameName(const std::string& a, const char* b) { return lstrcmpiA(a.c_str(), b) == 0; }

std::string LowerKey(const std::string& key) {
    std::string folded = key;
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

std::string Quoted(const std::string& text) { return "\"" + OneLine(text) + "\""; }

const SettingEntry* FindSetting(const std::string& key) {
    for (int i = 0; i < SettingCount; ++i)
        if (SameName(key, SettingCatalogue[i].Key)) return &SettingCatalogue[i];
    return nullptr;
}

bool IsMessageKey(const std::string& key) {
    for (int i = 0; i < MessageCount; ++i)
        if (SameName(key, MessageCatalogue[i].Key)) return true;
    return false;
}

// The known name nearest to name, or "" when none is near.
template <typename Names>
std::string Nearest(const std::string& name, const Names& names) {
    std::string best;
    int bestDistance = kNearestDistance + 1;
    for (const std::string& candidate : names) {
        const int distance = EditDistance(name, candidate);
        if (distance < bestDistance && distance < static_cast<int>(name.size())) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}

std::vector<std::string> SettingKeys() {
    std::vector<std::string> keys;
    for (int i = 0; i < SettingCount; ++i) keys.push_back(SettingCatalogue[i].Key);
    return keys;
}

std::vector<std::string> MessageKeys() {
    std::vector<std::string> keys;
    for (int i = 0; i < MessageCount; ++i) keys.push_back(MessageCatalogue[i].Key);
    return keys;
}

// Blanks, a sign and digits, and nothing else: a number as the author meant it.
bool WrittenAsNumber(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const size_t digits = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    return i > digits && i == text.size();
}

// The written number equals the value read, so nothing was lost to the 32-bit range.
bool SameNumber(const std::string& text, LONG value) {
    const char* p = text.c_str();
    while (*p == ' ' || *p == '\t') ++p;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    while (*p == '0' && p[1] != '\0') ++p;
    const long long read = value;
    const std::string magnitude = std::to_string(read < 0 ? -read : read);
    return magnitude == p && (negative == (read < 0) || read == 0);
}

bool LooksLikeIgnoreMarker(const std::string& value) {
    if (IsIgnoreMarker(value.c_str())) return false;
    std::string letters;
    for (char c : value)
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) letters += static_cast<char>(c | 0x20);
    return letters == "ignore" || letters == "ignored" || EditDistance(value, IgnoreMarker) <= 2;
}

class Checker {
public:
    Checker(const DiscMachine& machine, CheckResult* result) : machine_(machine), result_(result) {}

    void Run(bool launcherOnDisc) {
        const std::string launcherShown = Shown(machine_.launcher);
        if (!machine_.discFolder.empty() && !launcherOnDisc)
            Warn(launcherShown, 0, "not in the disc folder: the launcher must lie beside its settings file");
        result_->namedFiles.push_back(machine_.launcher);
        if (!LocateSettingsFile()) {
            NoSettingsFile();
            return;
        }
        const std::string settingsPath = SettingsFile.SettingsFilePath.CStr();
        settingsOnDisc_ = OnDisc(settingsPath);
        settingsShown_ = Shown(settingsOnDisc_);
        result_->settingsFile = settingsShown_;
        result_->namedFiles.push_back(settingsOnDisc_);
        const std::string other =
            std::string(SettingsFile.LauncherDirectory.CStr()) + "SETTINGS\\" + SettingsFile.SettingsFileName.CStr();
        if (lstrcmpiA(other.c_str(), settingsPath.c_str()) != 0 && FileExists(other.c_str()))
            Warn(Shown(OnDisc(other)), 0,
                 "never read: the launcher reads " + settingsShown_ + " first");

        LoadDefaultSettings();
        ReadAllSettings();
        const std::vector<sim::ProfileEntry> entries = sim::ProfileEntries(settingsPath.c_str());
        Walk(entries);
        CheckEncoding(entries);
        CheckNumbers();
        CheckTexts();
        CheckWindows();
        CheckRoot();
        CheckDiscFiles();
        CheckAutorun();
        NoteDiscFiles();
        CheckJolietNames();
        CheckShellOpenedDocuments();
        CheckDocuments();  // last: it starts the programs on the simulated machine
    }

private:
    enum class Section { None, Settings, Errors, Other };

    // A path on the simulated disc ("D:\SETUP32\SETUP.EXE") as the disc folder names it.
    static std::string OnDisc(const std::string& windowsPath) {
        const std::string path = sim::LongPath(windowsPath.c_str());
        return path.compare(0, 3, "D:\\") == 0 ? path.substr(3) : path;
    }

    // A file of the disc (a text of the simulated machine) as the user names it, in UTF-8.
    std::string Shown(const std::string& onDisc) const { return ShownPath(machine_.discFolder, sim::Utf8Of(onDisc)); }

    void Add(const std::string& file, int line, bool error, const std::string& message) {
        result_->diagnostics.push_back({file, line, error, message});
        ++(error ? result_->errors : result_->warnings);
    }
    void Warn(const std::string& file, int line, const std::string& message) { Add(file, line, false, message); }
    // About the settings file, at the line of key (or the whole file when the key is absent).
    void Warn(const char* key, const std::string& message) { Add(settingsShown_, LineOf(key), false, message); }
    void Fail(const char* key, const std::string& message) { Add(settingsShown_, LineOf(key), true, message); }

    int LineOf(const char* key) const {
        auto it = settingLines_.find(LowerKey(key));
        return it == settingLines_.end() ? 0 : it->second;
    }
    // "KEY" when the file gives it, "KEY (built-in)" when the launcher uses its default.
    std::string Named(const char* key) const { return LineOf(key) != 0 ? key : std::string(key) + " (built-in)"; }

    void NoSettingsFile() {
        std::string text;
        if (!sim::MessageBoxes().empty()) text = sim::MessageBoxes().back().text;
        const bool named = SettingsFile.SelfLocated;
        const std::string shown = Shown(SettingsFile.SettingsFileName.CStr());
        // Windows gives the launcher its own name in the ANSI code page: a letter the page lacks
        // comes as '?', and no file is named so.
        const bool lostLetters = std::string(SettingsFile.SettingsFileName.CStr()).find('?') != std::string::npos;
        Add(named ? shown : Shown(machine_.launcher), 0, true,
            !named ? "the launcher cannot start: " + OneLine(text) + " (exit 1)"
            : lostLetters
                ? "no settings file: the launcher's name has letters outside the ANSI code page, so it looks "
                  "for this name, which names no file: the launcher reports it and ends (exit 1); name the "
                  "launcher and its settings file with letters of the code page (AUTOPLAY.EXE, AUTOPLAY.INI)"
                : "no settings file, beside the launcher or in SETTINGS: the launcher reports it and ends (exit 1)");
    }

    void Walk(const std::vector<sim::ProfileEntry>& entries) {
        Section section = Section::None;
        int settingsHeader = 0, errorsHeader = 0;
        std::map<std::string, int> messageLines;
        for (const sim::ProfileEntry& entry : entries) {
            if (entry.section) {
                section = Header(entry, settingsHeader, errorsHeader);
                continue;
            }
            if (entry.name.empty()) continue;  // "=value": no key at all
            if (entry.name[0] == '[') {
                Warn(settingsShown_, entry.line,
                     "a section header without ']': read as a key line, so the keys below stay in the section above");
                continue;
            }
            const SettingEntry* setting = FindSetting(entry.name);
            const bool message = IsMessageKey(entry.name);
            switch (section) {
                case Section::None:
                    Warn(settingsShown_, entry.line,
                         entry.name + ": outside any section: the launcher does not read it");
                    break;
                case Section::Other:
                    break;
                case Section::Settings:
                    if (setting != nullptr) Known(entry, settingLines_);
                    else if (message)
                        Warn(settingsShown_, entry.line,
                             entry.name + ": a text of the error reports: it belongs in [" + ErrorsSection +
                                 "], and here the launcher does not read it");
                    else Unknown(entry, SettingKeys());
                    break;
                case Section::Errors:
                    if (message) Known(entry, messageLines);
                    else if (setting != nullptr)
                        Warn(settingsShown_, entry.line,
                             entry.name + ": a setting: it belongs in [" + SettingsSection +
                                 "], and here the launcher does not read it");
                    else Unknown(entry, MessageKeys());
                    break;
            }
        }
        if (settingsHeader == 0)
            Warn(settingsShown_, 0,
                 std::string("no [") + SettingsSection + "] section: every setting keeps its built-in value");
    }

    Section Header(const sim::ProfileEntry& entry, int& settingsHeader, int& errorsHeader) {
        const bool settings = SameName(entry.name, SettingsSection);
        if (settings || SameName(entry.name, ErrorsSection)) {
            int& first = settings ? settingsHeader : errorsHeader;
            if (first == 0) {
                first = entry.line;
                return settings ? Section::Settings : Section::Errors;
            }
            Warn(settingsShown_, entry.line,
                 "[" + entry.name + "] again: the launcher reads only the one at line " + std::to_string(first) +
                     ", so the keys below are not read");
            return Section::Other;
        }
        const std::string near = Nearest(entry.name, std::vector<std::string>{SettingsSection, ErrorsSection});
        if (!near.empty())
            Warn(settingsShown_, entry.line,
                 "[" + entry.name + "]: unknown section; did you mean [" + near +
                     "]? The launcher does not read the keys below");
        return Section::Other;
    }

    void Known(const sim::ProfileEntry& entry, std::map<std::string, int>& lines) {
        const std::string key = LowerKey(entry.name);
        auto first = lines.find(key);
        if (first != lines.end()) {
            Warn(settingsShown_, entry.line,
                 entry.name + ": given again: the launcher reads the one at line " + std::to_string(first->second));
            return;
        }
        lines[key] = entry.line;
        if (!entry.hasValue)
            Warn(settingsShown_, entry.line,
                 entry.name + ": no '=': the launcher takes the key as absent and keeps its built-in value");
    }

    void Unknown(const sim::ProfileEntry& entry, const std::vector<std::string>& known) {
        const std::string near = Nearest(entry.name, known);
        Warn(settingsShown_, entry.line,
             entry.name + ": unknown key; " +
                 (near.empty() ? "the launcher does not read it" : "did you mean " + near + "?"));
    }

    // A file saved as UTF-8 without a byte-order mark (Notepad's default since Windows 10
    // 1903) is read in the ANSI code page: each letter outside ASCII shows as two or three.
    void CheckEncoding(const std::vector<sim::ProfileEntry>& entries) {
        const std::string bytes = ReadFile(ShownPathOnHost());
        if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 || bytes.compare(0, 2, "\xFF\xFE") == 0) return;
        if (!IsUtf8WithNonAscii(bytes)) return;
        for (const sim::ProfileEntry& entry : entries) {
            if (entry.section || !IsUtf8WithNonAscii(entry.value)) continue;
            Warn(settingsShown_, entry.line,
                 entry.name + ": the file is saved as UTF-8 without a byte-order mark, and Windows reads it in the "
                              "ANSI code page (" + std::to_string(DisplayCodePage()) + "): \"" + entry.value +
                     "\" shows as " + Quoted(entry.value) +
                     "; save the file in the ANSI code page (Notepad: Save As, Encoding ANSI)");
        }
    }

    static bool IsUtf8WithNonAscii(const std::string& text) {
        bool wide = false;
        for (size_t i = 0; i < text.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            if (c < 0x80) continue;
            const size_t more = c >= 0xC2 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2 : c >= 0xF0 && c <= 0xF4 ? 3 : 0;
            if (more == 0 || i + more >= text.size()) return false;
            for (size_t k = 1; k <= more; ++k)
                if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
            i += more;
            wide = true;
        }
        return wide;
    }

    std::string ShownPathOnHost() const {
        std::string path = machine_.discFolder;
        if (!path.empty() && path.back() != '/') path += '/';
        for (char c : settingsOnDisc_) path += c == '\\' ? '/' : c;
        return path;
    }

    void CheckNumbers() {
        for (int i = 0; i < SettingCount; ++i) {
            const SettingEntry& entry = SettingCatalogue[i];
            if (entry.Kind != NumberSetting || LineOf(entry.Key) == 0) continue;
            // The text as the launcher's reader returns it; still the marker when absent.
            SettingText text;
            text.Assign(AbsenceMarker);
            ReadTextSetting(entry.Key, text);
            if (lstrcmpiA(text.CStr(), AbsenceMarker) == 0) continue;
            const LONG value = entry.Number();
            if (!WrittenAsNumber(text.CStr()))
                Warn(entry.Key, std::string(entry.Key) + ": " + Quoted(text.CStr()) +
                                    " is not a number: the launcher reads " + std::to_string(value));
            else if (!SameNumber(text.CStr(), value))
                Warn(entry.Key, std::string(entry.Key) + ": " + Quoted(text.CStr()) +
                                    " is out of the 32-bit range: the launcher reads " + std::to_string(value));
        }
    }

    void CheckTexts() {
        for (int i = 0; i < SettingCount; ++i) {
            const SettingEntry& entry = SettingCatalogue[i];
            if (entry.Kind != TextSetting || entry.Text().Fits()) continue;
            Warn(entry.Key, std::string(entry.Key) + ": longer than " + std::to_string(SettingText::Capacity) +
                                " characters: the launcher cuts it after \"..." +
                                OneLine(entry.Text().CStr() + SettingText::Capacity - 16) + "\"");
        }
    }

    void CheckWindows() {
        const struct {
            const char* key;
            const SettingText& value;
            bool isClass;
        } settings[] = {
            {"Install32WindowClass", Settings.Install32WindowClass, true},
            {"InstallNTWindowClass", Settings.InstallNTWindowClass, true},
            {"Run32WindowClass", Settings.Run32WindowClass, true},
            {"RunNTWindowClass", Settings.RunNTWindowClass, true},
            {"Install32WindowTitle", Settings.Install32WindowTitle, false},
            {"InstallNTWindowTitle", Settings.InstallNTWindowTitle, false},
            {"Run32WindowTitle", Settings.Run32WindowTitle, false},
            {"RunNTWindowTitle", Settings.RunNTWindowTitle, false},
        };
        // Windows keeps class names in its atom table, which takes 1 to 255 characters: the
        // launcher's own class outside that cannot be registered, and every run ends at once.
        const size_t ownClass = Settings.LauncherWindowClass.Length();
        if (ownClass == 0 || ownClass > 255)
            Fail("LauncherWindowClass", std::string("LauncherWindowClass: ") +
                                            (ownClass == 0 ? "empty" : std::to_string(ownClass) + " characters") +
                                            ": Windows takes 1 to 255 characters for a class name, so the launcher "
                                            "cannot make its window and ends at once, showing nothing (exit 3)");
        for (const auto& setting : settings) {
            const std::string value = setting.value.CStr();
            if (setting.isClass && value.empty())
                Warn(setting.key, std::string(setting.key) +
                                      ": empty: no window has an empty class, so after a start the launcher waits out "
                                      "its whole time-out (WindowTimeOut)");
            else if (LooksLikeIgnoreMarker(value))
                Warn(setting.key, std::string(setting.key) + ": " + Quoted(value) + " is not the marker " +
                                      IgnoreMarker +
                                      (setting.isClass ? ": the launcher looks for a window of that class"
                                                       : ": the launcher wants a window of exactly that title"));
        }
    }

    void CheckRoot() {
        if (Settings.InstallNeeded != 1 || MapRootKey(Settings.RunLocationRoot.CStr())) return;
        const std::string root = Settings.RunLocationRoot.CStr();
        std::string near;
        for (const auto& names : kRootShortNames)
            if (SameName(root, names.shortName)) near = names.rootName;
        if (near.empty()) {
            std::vector<std::string> roots;
            for (const auto& names : kRootShortNames) roots.push_back(names.rootName);
            near = Nearest(root, roots);
        }
        Fail("RunLocationRoot", "RunLocationRoot: " + Quoted(root) +
                                    " names no registry root: the launcher reports it and ends (exit 4)" +
                                    (near.empty() ? std::string() : "; did you mean " + near + "?"));
    }

    // Each family's installer, and the program run from the disc, where the launcher looks for them.
    // A document whose usual handler needs the shell's own open (an Internet shortcut's
    // rundll32 host, say) is opened by the shell, which takes no affixes: with one set, the
    // launcher reports the association as incomplete and starts nothing.
    void CheckShellOpenedDocuments() {
        static const char* const shellOpened[] = {".url", ".website", ".appref-ms", ".library-ms", ".search-ms"};
        const struct {
            const char* key;
            const SettingText& value;
            const char* prefixKey;
            const SettingText& prefix;
            const char* suffixKey;
            const SettingText& suffix;
        } documents[] = {
            {"InstallProgram32", Settings.InstallProgram32, "Install32Prefix", Settings.Install32Prefix,
             "Install32Suffix", Settings.Install32Suffix},
            {"InstallProgramNT", Settings.InstallProgramNT, "InstallNTPrefix", Settings.InstallNTPrefix,
             "InstallNTSuffix", Settings.InstallNTSuffix},
            {"RunProgram32", Settings.RunProgram32, "Run32Prefix", Settings.Run32Prefix, "Run32Suffix",
             Settings.Run32Suffix},
            {"RunProgramNT", Settings.RunProgramNT, "RunNTPrefix", Settings.RunNTPrefix, "RunNTSuffix",
             Settings.RunNTSuffix},
        };
        for (const auto& d : documents) {
            const std::string path = d.value.CStr();
            const size_t dot = path.find_last_of('.');
            if (dot == std::string::npos || (d.prefix.Empty() && d.suffix.Empty())) continue;
            for (const char* extension : shellOpened) {
                if (lstrcmpiA(path.c_str() + dot, extension) != 0) continue;
                Warn(d.key, std::string("a ") + extension + " document is opened by the shell itself, which takes no " +
                                "affixes: with " + (d.prefix.Empty() ? d.suffixKey : d.prefixKey) +
                                " set the launcher reports the association as incomplete and starts nothing");
            }
        }
    }

    // The installers and programs the settings may start from the disc, each with whether
    // these settings start it from there (a program runs from the install folder otherwise).
    struct DiscProgram {
        const char* key;
        const SettingText& value;
        const char* family;
        bool installer;
        bool used;
    };
    static std::array<DiscProgram, 4> DiscPrograms() {
        const bool installs = Settings.InstallNeeded == 1;
        const bool runsFromDisc = Settings.RunNeeded != 0 && (!installs || Settings.RunRelative != 0);
        return {{{"InstallProgram32", Settings.InstallProgram32, "Windows 95/98", true, installs},
                 {"InstallProgramNT", Settings.InstallProgramNT, "Windows NT", true, installs},
                 {"RunProgram32", Settings.RunProgram32, "Windows 95/98", false, runsFromDisc},
                 {"RunProgramNT", Settings.RunProgramNT, "Windows NT", false, runsFromDisc}}};
    }

    void CheckDiscFiles() {
        for (const DiscProgram& file : DiscPrograms()) {
            if (!file.used) continue;
            const std::string path = std::string(SettingsFile.LauncherDirectory.CStr()) + file.value.CStr();
            if (FileExists(path.c_str())) {
                result_->namedFiles.push_back(OnDisc(path));
                CheckProgram(file.key, file.family, file.installer, OnDisc(path));
                continue;
            }
            Fail(file.key, Named(file.key) + ": " + Quoted(file.value.CStr()) + " is not on the disc: on " +
                               file.family + " the launcher reports it and ends (exit " + (file.installer ? "4" : "9") +
                               ")");
        }
        std::sort(result_->namedFiles.begin() + 2, result_->namedFiles.end());
        result_->namedFiles.erase(std::unique(result_->namedFiles.begin(), result_->namedFiles.end()),
                                  result_->namedFiles.end());
    }

    // A disc's own AUTORUN.INF: what AutoPlay starts (open=, shellexecute=) and the icon it
    // shows must be on the disc. Windows takes a key's first line in the section.
    void CheckAutorun() {
        const char inf[] = "D:\\AUTORUN.INF";
        if (machine_.discFolder.empty() || !FileExists(inf)) return;
        const std::string shown = Shown(OnDisc(inf));
        for (const AutorunNamed& named : AutorunNamedFiles(inf))
            if (!FileExists(("D:\\" + named.file).c_str()))
                Add(shown, named.line, true,
                    named.key + ": " + Quoted(named.file) + " is not on the disc: " +
                        (named.key == "icon" ? "Windows shows no icon of the disc" : "AutoPlay starts nothing"));
    }

    // What a family's Windows makes of a program on the disc, from its headers: the shell
    // refuses what the system cannot run (11, reported by the launcher).
    void CheckProgram(const char* key, const char* family, bool installer, const std::string& onDisc) {
        const size_t dot = onDisc.find_last_of('.');
        if (machine_.discFolder.empty() || dot == std::string::npos || lstrcmpiA(onDisc.substr(dot).c_str(), ".EXE") != 0)
            return;
        std::string bytes;
        sim::FileContent(("D:\\" + onDisc).c_str(), &bytes);
        const bool nt = family[8] == 'N';
        const std::string refused = std::string(": on ") + family + " the shell refuses it and the launcher reports \"" +
                                    (installer ? "Error running the installer file" : "Error running the file") + "\"";
        if (bytes.empty()) return Fail(key, Named(key) + ": " + Quoted(onDisc) + " is empty" + refused);
        if (bytes.compare(0, 2, "MZ") != 0)
            return Fail(key, Named(key) + ": " + Quoted(onDisc) + " is no Windows program" + refused);
        if (bytes.size() < 0x40) return;  // too short to say more
        auto word = [&bytes](size_t at) {
            return at + 1 < bytes.size() ? static_cast<unsigned>(static_cast<unsigned char>(bytes[at]) |
                                                                 static_cast<unsigned char>(bytes[at + 1]) << 8)
                                         : 0u;
        };
        const size_t header = word(0x3C) | static_cast<size_t>(word(0x3E)) << 16;
        const bool pe = header + 6 <= bytes.size() && bytes.compare(header, 4, std::string("PE\0\0", 4)) == 0;
        if (!pe && nt)
            return Warn(key, Named(key) + ": " + Quoted(onDisc) +
                                 " is a 16-bit (or DOS) program: 64-bit Windows cannot start it, so there the "
                                 "launcher reports \"" + (installer ? "Error running the installer file" : "Error running the file") + "\"");
        if (!pe) return;
        const unsigned machine = word(header + 4);
        if (!nt && (machine == 0x8664 || machine == 0xAA64))
            return Warn(key, Named(key) + ": " + Quoted(onDisc) + " is a 64-bit program" + refused +
                                 " (32-bit Windows NT refuses it too)");
        const SettingText& windowClass =
            installer ? (nt ? Settings.InstallNTWindowClass : Settings.Install32WindowClass)
                      : (nt ? Settings.RunNTWindowClass : Settings.Run32WindowClass);
        const unsigned subsystem = word(header + 24 + 68);
        if (subsystem == 3 && !windowClass.Empty() && !IsIgnoreMarker(windowClass.CStr()))
            Warn(key, Named(key) + ": " + Quoted(onDisc) + " is a console program: the window it opens is a "
                                 "console's, not one of class " + Quoted(windowClass.CStr()) + ", so on " + family +
                                 " the launcher waits for that class until WindowTimeOut");
    }

    // A document whose extension the launcher cannot take cannot be opened through the
    // extension's own open command should its associated program be gone. The launcher's
    // StartProgram says what is a document and what its extension is.
    void CheckDocuments() {
        const struct {
            const char* key;
            const SettingText& value;
            bool use;
        } programs[] = {
            {"InstallProgram32", Settings.InstallProgram32, Settings.InstallNeeded == 1},
            {"InstallProgramNT", Settings.InstallProgramNT, Settings.InstallNeeded == 1},
            {"RunProgram32", Settings.RunProgram32, Settings.RunNeeded != 0},
            {"RunProgramNT", Settings.RunProgramNT, Settings.RunNeeded != 0},
        };
        for (const auto& program : programs) {
            if (!program.use || program.value.Empty()) continue;
            WorkText launchPath;
            launchPath.Assign(SettingsFile.LauncherDirectory.CStr());
            launchPath.Append(program.value.CStr());
            // The shell's lookup in either form (the NT family asks in Unicode) marks a document.
            const int lookups = sim::CallCount("FindExecutableA") + sim::CallCount("FindExecutableW");
            StartProgram(launchPath);
            const bool document = sim::CallCount("FindExecutableA") + sim::CallCount("FindExecutableW") > lookups;
            if (!document || !LaunchCommand.DocumentExtension.Empty()) continue;
            const std::string name = program.value.CStr();
            const size_t slash = name.find_last_of('\\');
            const bool dotted = name.find('.', slash == std::string::npos ? 0 : slash) != std::string::npos;
            Warn(program.key,
                 std::string(program.key) + ": a document " +
                     (dotted ? "whose extension is over 7 characters (dot included)" : "without an extension") +
                     ": should its associated program be gone, the launcher cannot look up the "
                     "extension's open command");
        }
    }

    // ---- the names Windows reads from the pressed disc ----

    // Every file the launcher asks the disc for, spelt as the launcher asks for it.
    void NoteDiscFiles() {
        const std::string launcher = DiscPath(machine_.launcher);
        const size_t slash = launcher.find_last_of('\\');
        const std::string folder = slash == std::string::npos ? std::string() : launcher.substr(0, slash + 1);
        result_->discFiles.push_back({"(launcher)", "both", launcher});
        const std::string settingsPath = SettingsFile.SettingsFilePath.CStr();
        const size_t own = SettingsFile.LauncherDirectory.Length();
        result_->discFiles.push_back({"(settings file)", "both", DiscPath(folder + settingsPath.substr(own))});
        for (const DiscProgram& file : DiscPrograms()) {
            const std::string path = std::string(SettingsFile.LauncherDirectory.CStr()) + file.value.CStr();
            if (file.used && !file.value.Empty() && FileExists(path.c_str()))
                result_->discFiles.push_back({file.key, file.family, DiscPath(folder + file.value.CStr())});
        }
    }

    // A path below the disc's root as Windows resolves it: either slash, "." and ".." taken out.
    static std::vector<std::string> Components(const std::string& path) {
        std::vector<std::string> parts;
        std::string part;
        for (size_t i = 0; i <= path.size(); ++i) {
            if (i < path.size() && path[i] != '\\' && path[i] != '/') {
                part += path[i];
                continue;
            }
            if (part == "..") {
                if (!parts.empty()) parts.pop_back();
            } else if (!part.empty() && part != ".") parts.push_back(part);
            part.clear();
        }
        return parts;
    }
    static std::string DiscPath(const std::string& path) {
        std::string joined;
        for (const std::string& part : Components(path)) joined += (joined.empty() ? "" : "\\") + part;
        return joined;
    }

    // Warns where the image's Joliet tree, which Windows reads, would not hold a file under the
    // name the launcher asks for.
    void CheckJolietNames() {
        for (const DiscFile& file : result_->discFiles) {
            const std::vector<std::string> parts = Components(file.path);
            std::vector<std::string> joliet;
            std::string changed, held;
            for (size_t i = 0; i < parts.size(); ++i) {
                joliet.push_back(JolietName(parts[i], i + 1 < parts.size()));
                held += (i ? "\\" : "") + joliet.back();
                if (changed.empty() && joliet.back() != parts[i]) changed = parts[i];
            }
            std::string message;
            if (!FitsJolietPath(joliet))
                message = "too deep for the image's Joliet names (xorriso leaves out a path over 240 bytes, "
                          "2 a character and 1 a level), so on Windows the disc holds nothing there";
            else if (!changed.empty())
                message = (changed == file.path ? std::string() : Quoted(changed) + " has ") +
                          std::to_string(changed.size()) +
                          " characters, over the 64 of a Joliet name: on Windows the disc holds " + Quoted(held);
            else continue;
            const std::string named = file.key[0] == '(' ? "" : std::string(file.key) + ": ";
            message = named + Quoted(file.path) + ": " + message + ", and the launcher does not find it";
            if (file.key[0] == '(')
                Warn(file.key == "(launcher)" ? Shown(machine_.launcher)
                                              : settingsShown_,
                     0,
                     message);
            else Warn(file.key.c_str(), message);
        }
    }

    const DiscMachine& machine_;
    CheckResult* result_;
    std::string settingsOnDisc_, settingsShown_;
    std::map<std::string, int> settingLines_;  // lower-case key -> line of its first entry in the settings section
};

}  // namespace

std::vector<AutorunNamed> AutorunNamedFiles(const char* infPath) {
    std::vector<AutorunNamed> named;
    bool inAutorun = false;
    for (const sim::ProfileEntry& entry : sim::ProfileEntries(infPath)) {
        if (entry.section) {
            inAutorun = SameName(entry.name, "autorun");
            continue;
        }
        const std::string key = LowerKey(entry.name);
        if (!inAutorun || (key != "open" && key != "shellexecute" && key != "icon") ||
            std::any_of(named.begin(), named.end(), [&key](const AutorunNamed& n) { return n.key == key; }))
            continue;
        named.push_back({key, entry.line, AutorunFile(key, entry.value)});
    }
    named.erase(std::remove_if(named.begin(), named.end(), [](const AutorunNamed& n) { return n.file.empty(); }),
                named.end());
    return named;
}

bool CheckDisc(const DiscMachine& machine, CheckResult* result, std::string* problem) {
    *result = CheckResult();
    bool launcherOnDisc = false;
    if (!SetUpMachine(machine, problem, &launcherOnDisc)) return false;
    Checker(machine, result).Run(launcherOnDisc);
    // Per file, the file's own findings first, then by line; findings on one line keep their order.
    std::stable_sort(result->diagnostics.begin(), result->diagnostics.end(),
                     [](const Diagnostic& a, const Diagnostic& b) { return a.line < b.line; });
    std::stable_sort(result->diagnostics.begin(), result->diagnostics.end(),
                     [&](const Diagnostic& a, const Diagnostic& b) {
                         return (a.file == result->settingsFile) < (b.file == result->settingsFile);
                     });
    return true;
}

// xorriso (1.5.4, measured) keeps a Joliet name to 64 characters; a file's extension keeps up
// to 3 and its dot is not counted, so "61 characters.EXE" stays whole.
std::string JolietName(const std::string& name, bool folder) {
    constexpr size_t kLimit = 64;
    const size_t dot = name.rfind('.');
    if (folder || dot == std::string::npos || dot + 1 == name.size())
        return name.size() <= kLimit ? name : name.substr(0, kLimit);
    const size_t stem = dot, extension = name.size() - dot - 1;
    if (stem + extension <= kLimit) return name;
    const size_t keptExtension = extension <= 3 ? extension : stem < kLimit - 3 ? kLimit - stem : 3;
    return name.substr(0, kLimit - keptExtension) + "." + name.substr(dot + 1, keptExtension);
}

// xorriso leaves out of the Joliet tree a path over 240 bytes, counting 2 for each character
// (UTF-16) and 1 for each level, plus 1.
bool FitsJolietPath(const std::vector<std::string>& jolietNames) {
    size_t bytes = 1;
    for (const std::string& name : jolietNames) bytes += 2 * name.size() + 1;
    return bytes <= 240;
}
