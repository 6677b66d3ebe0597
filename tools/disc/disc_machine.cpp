// The simulated machine a disc is tried on, built from its description on the simulated Windows.
#include "disc_machine.h"

#include <ctype.h>
#include <string.h>

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

bool IsShortNameCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           strchr("!#$%&'()-@^_`{}~", c) != nullptr;
}

// The 8.3 alias Windows gives a long name on the system drive ("Program Files" gets
// PROGRA~1), or "" for a name that is already 8.3.
std::string ShortAlias(const std::string& name) {
    const size_t dot = name.find_last_of('.');
    const std::string base = name.substr(0, dot), extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    bool valid = !base.empty() && base.size() <= 8 && extension.size() <= 3;
    for (char c : base + extension) valid = valid && IsShortNameCharacter(c);
    if (valid) return "";
    auto squeeze = [](const std::string& text, size_t length) {
        std::string out;
        for (char c : text)
            if (c != ' ' && c != '.' && out.size() < length)
                out += IsShortNameCharacter(c) ? static_cast<char>(toupper(static_cast<unsigned char>(c))) : '_';
        return out;
    };
    const std::string alias = squeeze(base, 6) + "~1";
    return extension.empty() ? alias : alias + "." + squeeze(extension, 3);
}

// Gives every long name along a path on C: its alias, as the system drive keeps them.
void AddShortNames(DiscMachine& machine, const std::string& path) {
    if (path.size() < 3 || (path[0] != 'C' && path[0] != 'c') || path[1] != ':') return;
    size_t start = 3;
    while (start < path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        const std::string alias = ShortAlias(path.substr(start, end - start));
        if (!alias.empty()) machine.shortNames.push_back({path.substr(0, end), alias});
        start = end + 1;
    }
}

}  // namespace

std::string LauncherPath(const DiscMachine& machine) { return "D:\\" + machine.launcher; }

bool SetUpMachine(const DiscMachine& machine, std::string* problem, bool* launcherOnDisc) {
    sim::Reset();
    ResetLauncherState();
    sim::SetVersion(machine.windows95 ? sim::kWindows98 : sim::kWindows10);
    for (const auto& variable : kEnvironment) sim::SetEnvironmentVariable(variable.name, variable.value);
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

bool AddInstallation(DiscMachine& machine, const std::string& folder, bool missing, std::string* problem) {
    if (!ReadDiscSettings(machine, problem)) return false;
    // Where the disc's installer writes the record: regedit's "(Default)" names the default value.
    const bool rootNamed = MapRootKey(Settings.RunLocationRoot.CStr());
    const HKEY root = RegistryQuery.Root;
    const std::string valueName =
        lstrcmpiA(Settings.RunLocationValue.CStr(), "(Default)") == 0 ? "" : Settings.RunLocationValue.CStr();
    // The folder as the launcher will make it out of the record.
    FixedText<1216> cleaned;
    cleaned.Assign(folder.c_str());
    if (Settings.ExtractFolder != 0) CleanInstallFolder(cleaned.Data());
    std::string installFolder = cleaned.CStr();
    while (!installFolder.empty() && installFolder.back() == '\\') installFolder.pop_back();
    const SettingText* programs[] = {&Settings.RunProgram32, &Settings.RunProgramNT, &Settings.InstalledProgram32,
                                     &Settings.InstalledProgramNT};
    std::vector<std::string> names;
    for (const SettingText* program : programs)
        if (!program->Empty()) names.push_back(program->CStr());
    const std::string key = Settings.RunLocationKey.CStr();

    if (rootNamed) machine.registry.push_back({root, key, valueName, REG_SZ, folder + '\0'});
    if (IsAbsoluteFolder(installFolder + "\\")) {
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
