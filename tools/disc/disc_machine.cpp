// The simulated machine a disc is tried on, built from its description on the simulated Windows.
#include "disc_machine.h"

#include <dirent.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>

#include "launcher_state.h"
#include "location/install_location.h"
#include "settings/launcher_settings.h"
#include "settings/settings_file.h"
#include "sim.h"

namespace {

// What every simulated machine has, whatever the family: the variables a REG_EXPAND_SZ
// install record names most often.
const struct {
    const char* name;
    const char* value;
} kEnvironment[] = {
    {"SystemDrive", "C:"},
    {"SystemRoot", "C:\\WINDOWS"},
    {"windir", "C:\\WINDOWS"},
    {"ProgramFiles", "C:\\Program Files"},
    {"CommonProgramFiles", "C:\\Program Files\\Common Files"},
};

bool IsAbsoluteFolder(const std::string& path) {
    return path.size() >= 3 && path[1] == ':' && path[2] == '\\' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

// The letters of code page 1252 above 0x7F that OEM code page 437 also has: a name that
// holds only these and ASCII can be written in the OEM code page, as 8.3 names are.
const char kOemLetters[] =
    "\xC7\xFC\xE9\xE2\xE4\xE0\xE5\xE7\xEA\xEB\xE8\xEF\xEE\xEC\xC4\xC5\xC9\xE6\xC6\xF4\xF6\xF2\xFB"
    "\xF9\xFF\xD6\xDC\xA2\xA3\xA5\x83\xE1\xED\xF3\xFA\xF1\xD1\xAA\xBA\xBF\xAC\xBD\xBC\xA1\xAB\xBB"
    "\xDF\xB1\xF7\xB0\xB7\xB2\xB5\xA0";

// A character an 8.3 name may hold (the dot between name and extension aside).
bool IsShortNameCharacter(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u >= 0x80) return strchr(kOemLetters, c) != nullptr;
    return u > 0x20 && strchr("\"*+,./:;<=>?[\\]|", c) == nullptr;
}

// Whether Windows' file systems leave the name without an alias: a valid 8.3 name in the
// OEM code page, whatever its letter case (see docs/architecture.md, "8.3 aliases").
bool IsShortName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    const size_t dot = name.find('.');
    if (dot != name.rfind('.') || dot == 0) return false;
    const std::string base = name.substr(0, dot), extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (base.size() > 8 || extension.size() > 3 || (dot != std::string::npos && extension.empty())) return false;
    for (char c : base + extension)
        if (!IsShortNameCharacter(c)) return false;
    return true;
}

// Upper case as the OEM code page writes an 8.3 name (ASCII and code page 1252's letters).
char ShortUpper(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') return static_cast<char>(u - 0x20);
    if (u >= 0xE0 && u != 0xF7 && u != 0xFF && strchr(kOemLetters, static_cast<char>(u - 0x20)) != nullptr)
        return static_cast<char>(u - 0x20);
    return c;
}

// The alias a long name gets as the second or later of its folder when number is above 1:
// blanks and dots dropped, characters an 8.3 name cannot hold made '_', upper case, the
// name's first six characters (fewer as the number grows), '~', the number, and the first
// three characters of the extension. CDFS writes the entry's offset in the folder in place of
// the number, so a pressed disc's aliases have other digits.
std::string MakeAlias(const std::string& name, int number) {
    const size_t dot = name.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && dot != 0;
    const std::string base = hasExtension ? name.substr(0, dot) : name;
    const std::string extension = hasExtension ? name.substr(dot + 1) : "";
    // A character outside the ANSI code page (a mark and its UTF-8) is one character, and no
    // OEM code page writes it: '_'.
    auto squeeze = [](const std::string& text, size_t length) {
        std::string out;
        for (size_t i = 0; i < text.size(); ++i) {
            char c = text[i];
            if (c == '\x01') {
                for (++i; i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80;) ++i;
                c = '?';
            }
            if (c != ' ' && c != '.' && out.size() < length) out += IsShortNameCharacter(c) ? ShortUpper(c) : '_';
        }
        return out;
    };
    const std::string tail = "~" + std::to_string(number);
    std::string alias = squeeze(base, 8 - tail.size());
    if (alias.empty()) alias = "_";
    alias += tail;
    const std::string shortExtension = squeeze(extension, 3);
    return shortExtension.empty() ? alias : alias + "." + shortExtension;
}

std::string ParentOf(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

// Gives the last component of path its alias unless it is an 8.3 name, numbered past the
// aliases its folder has already (the machine's, and those given before).
void AddAlias(std::vector<MachineAlias>& names, const std::string& path) {
    const std::string name = path.substr(path.find_last_of('\\') + 1);
    if (IsShortName(name)) return;
    const std::string parent = ParentOf(path);
    for (const MachineAlias& given : names)
        if (lstrcmpiA(given.path.c_str(), path.c_str()) == 0) return;
    for (int number = 1;; ++number) {
        const std::string alias = MakeAlias(name, number);
        bool taken = false;
        for (const MachineAlias& given : names)
            taken = taken || (lstrcmpiA(ParentOf(given.path).c_str(), parent.c_str()) == 0 &&
                              lstrcmpiA(given.alias.c_str(), alias.c_str()) == 0);
        if (!taken) return names.push_back({path, alias});
    }
}

// Gives every long name along a path on C: its alias, as the system drive keeps them.
void AddShortNames(DiscMachine& machine, const std::string& path) {
    if (path.size() < 3 || (path[0] != 'C' && path[0] != 'c') || path[1] != ':') return;
    for (size_t end = path.find('\\', 3);; end = path.find('\\', end + 1)) {
        AddAlias(machine.shortNames, path.substr(0, end));
        if (end == std::string::npos) break;
    }
}

// The disc's long names get aliases as a CD's file system gives them: every name in the
// folder, in name order, that is no 8.3 name.
void AddDiscAliases(const std::string& hostFolder, const std::string& windowsFolder,
                    std::vector<MachineAlias>& names) {
    DIR* folder = opendir(hostFolder.c_str());
    if (folder == nullptr) return;
    std::vector<std::string> entries;
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") entries.push_back(name);
    }
    closedir(folder);
    std::sort(entries.begin(), entries.end());
    for (const std::string& entry : entries) {
        // The name as the simulated disc holds it: a character outside the code page kept whole.
        const std::string name = sim::Utf8(entry.c_str());
        const std::string path = windowsFolder + "\\" + name;
        AddAlias(names, path);
        struct stat info;
        if (stat((hostFolder + "/" + entry).c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            AddDiscAliases(hostFolder + "/" + entry, path, names);
    }
}

}  // namespace

std::string LauncherPath(const DiscMachine& machine) { return "D:\\" + machine.launcher; }

bool SetUpMachine(const DiscMachine& machine, std::string* problem, bool* launcherOnDisc) {
    sim::Reset();
    ResetLauncherState();
    sim::SetVersion(machine.windows95 ? sim::kWindows98 : sim::kWindows10);
    for (const auto& variable : kEnvironment) sim::SetEnvironmentVariable(variable.name, variable.value);
    // A 32-bit process's folders on 64-bit Windows; the author's own variables come after.
    sim::SetMachine64(machine.machine64 && !machine.windows95);
    for (const auto& variable : machine.environment)
        sim::SetEnvironmentVariable(variable.first.c_str(), variable.second.c_str());
    const std::string launcher = LauncherPath(machine);
    sim::SetModulePath(launcher.c_str());
    if (!machine.discFolder.empty() && !sim::AddHostFolder("D:\\", machine.discFolder.c_str())) {
        if (problem != nullptr) *problem = sim::Failures().empty() ? "cannot read the folder" : sim::Failures().back();
        return false;
    }
    // The launcher runs from the disc: it is there even where the folder does not hold it yet.
    const bool onDisc = sim::FileExistsInSim(launcher.c_str());
    if (launcherOnDisc != nullptr) *launcherOnDisc = onDisc;
    if (!onDisc) sim::AddFile(launcher.c_str(), "MZ");
    if (!machine.discFolder.empty()) {
        std::vector<MachineAlias> discNames;
        AddDiscAliases(machine.discFolder, "D:", discNames);
        for (const MachineAlias& name : discNames) sim::SetShortName(name.path.c_str(), name.alias.c_str());
    }
    for (const std::string& folder : machine.folders) sim::AddFolder(folder.c_str());
    for (const MachineFile& file : machine.files) sim::AddFile(file.path.c_str(), file.content);
    for (const MachineAlias& name : machine.shortNames) sim::SetShortName(name.path.c_str(), name.alias.c_str());
    for (const MachineRegistryValue& value : machine.registry)
        sim::SetRegistryValue(value.root, value.key.c_str(), value.valueName.c_str(), value.type, value.data.data(),
                              static_cast<DWORD>(value.data.size()));
    for (const MachineWindow& window : machine.windows)
        sim::AddOtherProcessWindow(window.className.c_str(), window.title.c_str());
    sim::AnswerMessageBoxes(machine.answers);
    // A box with OK alone has no Cancel: a user who wants out closes it.
    sim::SetMessageBoxScript([](const sim::MessageBoxCall& box, int& answer) {
        if ((box.type & 0xF) == MB_OK && answer == IDCANCEL) answer = sim::kCloseBox;
    });
    return true;
}

bool ReadDiscSettings(const DiscMachine& machine, std::string* problem) {
    if (!SetUpMachine(machine, problem)) return false;
    LoadDefaultSettings();
    if (ReadAllSettings()) return true;
    if (problem != nullptr) *problem = "the launcher finds no settings file";
    return false;
}

bool AddInstallation(DiscMachine& machine, const std::string& folder, bool missing, std::string* problem, DWORD type,
                     const std::vector<std::pair<std::string, std::string>>& beside, bool in64BitView) {
    if (!ReadDiscSettings(machine, problem)) return false;
    // Where the disc's installer writes the record: regedit's "(Default)" names the default value.
    const bool rootNamed = MapRootKey(Settings.RunLocationRoot.CStr());
    const HKEY root = RegistryQuery.Root;
    const std::string valueName =
        lstrcmpiA(Settings.RunLocationValue.CStr(), "(Default)") == 0 ? "" : Settings.RunLocationValue.CStr();
    // The folder as the launcher will make it out of the record: a record of the 64-bit view
    // names the 64-bit program folders (%ProgramW6432%, %CommonProgramW6432%).
    const bool view64 = in64BitView && machine.machine64 && !machine.windows95;
    std::string text = folder;
    for (const char* name : {"%ProgramFiles%", "%CommonProgramFiles%"}) {
        const std::string variable = name;
        for (size_t at = 0; view64 && at + variable.size() <= text.size(); ++at)
            if (lstrcmpiA(text.substr(at, variable.size()).c_str(), name) == 0)
                text.replace(at + variable.size() - 6, 5, "W6432");
    }
    FixedText<1216> cleaned;
    cleaned.Assign((type == REG_EXPAND_SZ ? sim::Expanded(text) : text).c_str());
    if (Settings.ExtractFolder != 0) CleanInstallFolder(cleaned.Data());
    std::string installFolder = cleaned.CStr();
    while (!installFolder.empty() && installFolder.back() == '\\') installFolder.pop_back();
    const SettingText* programs[] = {&Settings.RunProgram32, &Settings.RunProgramNT, &Settings.InstalledProgram32,
                                     &Settings.InstalledProgramNT};
    std::vector<std::string> names;
    for (const SettingText* program : programs)
        if (!program->Empty()) names.push_back(program->CStr());
    const std::string key = Settings.RunLocationKey.CStr();

    if (rootNamed) {
        const std::string place = machine.machine64 && !view64 ? sim::Wow64KeyPath(root, key.c_str()) : key;
        machine.registry.push_back({root, place, valueName, type, folder + '\0'});
        for (const auto& value : beside) machine.registry.push_back({root, place, value.first, REG_SZ, value.second + '\0'});
    }
    if (IsAbsoluteFolder(installFolder + "\\")) {
        // 64-bit Windows has both program folders, in this order: PROGRA~1 and PROGRA~2.
        if (machine.machine64 && !machine.windows95)
            for (const char* programs : {"C:\\Program Files", "C:\\Program Files (x86)"}) {
                machine.folders.push_back(programs);
                AddShortNames(machine, programs);
            }
        machine.folders.push_back(installFolder);
        AddShortNames(machine, installFolder);
        if (!missing)
            for (const std::string& name : names) {
                machine.files.push_back({installFolder + "\\" + name, "MZ"});
                AddShortNames(machine, installFolder + "\\" + name);
            }
    }
    return true;
}

void AddAssociation(DiscMachine& machine, const std::string& extension, const std::string& command) {
    const std::string dotted = extension.empty() || extension[0] != '.' ? "." + extension : extension;
    const std::string className = dotted.substr(1) + "file";
    // Without a placeholder the text is a program's path, opened as "PROGRAM" "%1";
    // with one, the open command as written, its program the quoted start or the first word.
    const bool written = command.find('%') != std::string::npos;
    std::string program = command;
    if (written && !command.empty() && command[0] == '"') program = command.substr(1, command.find('"', 1) - 1);
    else if (written) program = command.substr(0, command.find(' '));
    machine.registry.push_back({HKEY_CLASSES_ROOT, dotted, "", REG_SZ, className + '\0'});
    machine.registry.push_back({HKEY_CLASSES_ROOT, className + "\\shell\\open\\command", "", REG_SZ,
                                (written ? command : "\"" + program + "\" \"%1\"") + '\0'});
    // A program named without a folder (rundll32.exe) is found along the search path.
    if (program.find('\\') == std::string::npos) return;
    machine.files.push_back({program, "MZ"});
    AddShortNames(machine, program);
}
