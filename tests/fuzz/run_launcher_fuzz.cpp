// Fuzz target: the whole run, RunLauncher, from arbitrary settings-file bytes and registry values.
//
// Input: four flag bytes, then the fields settings file, own module path and open command
// (each ended by a zero byte), then the install-location value's data (the rest, zeros
// and all). The disc's files, the registry value and the associations are laid out where
// the settings file says the launcher will look, so the fuzzer reaches every path.
#include <string.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "fuzz_support.h"
#include "launch/launch_control.h"
#include "launch/run_launcher.h"
#include "location/install_location.h"
#include "settings/settings_file.h"
#include "window/launcher_window.h"

namespace {

enum MachineFlags : uint8_t {
    // Bits 0 and 1: the version of Windows.
    SettingsInSubfolder = 1 << 2,
    InstallerThere = 1 << 3,
    DiscProgramThere = 1 << 4,
    InstalledProgramThere = 1 << 5,
    AssociationThere = 1 << 6,
    ShellScripted = 1 << 7,
};

const DWORD Versions[] = {sim::kWindowsNT4, sim::kWindows95, sim::kWindows98, sim::kWindows10};
// Bits 0 to 2 of the second byte: the value's type; 7 leaves the value out.
const DWORD ValueTypes[] = {REG_SZ, REG_EXPAND_SZ, REG_SZ, REG_DWORD, REG_BINARY, REG_MULTI_SZ, REG_EXPAND_SZ};

const int ExitCodes[] = {0, 1, 2, 3, 4, 6, 7, 9, 21, 23};
const char Viewer[] = "C:\\Program Files\\V\\v.exe";

// A setting as the launcher will read it, through the same profile-file reader, into *value.
void Setting(const std::string& iniPath, const char* key, const char* fallback, std::string* value) {
    static char buffer[4096];
    GetPrivateProfileStringA("Tavio32 Settings", key, "<<<Not a valid setting!>>>", buffer, sizeof buffer,
                             iniPath.c_str());
    const char* text = lstrcmpiA(buffer, "<<<Not a valid setting!>>>") == 0 ? fallback : buffer;
    value->assign(text, strnlen(text, 359));  // the slot's capacity
}

// The input's texts and the paths laid out from them, kept from one input to the next:
// their buffers are reused, where new strings cost an allocation each for every input.
struct Texts {
    std::string modulePath, openCommand, valueData, folder, iniPath;
    std::string root, key, valueName, installer, program, installed;
    std::string location, cleaned, path;
};

bool IsProgramPath(const std::string& path) {
    if (path.size() < 4) return true;
    const std::string tail = path.substr(path.size() - 4);
    return lstrcmpiA(tail.c_str(), ".exe") == 0 || lstrcmpiA(tail.c_str(), ".com") == 0 ||
           lstrcmpiA(tail.c_str(), ".dll") == 0;
}

bool Known(int exitCode) {
    for (int code : ExitCodes)
        if (code == exitCode) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const uint8_t machine = input.Byte();
    const uint8_t registry = input.Byte();
    const uint8_t answers = input.Byte();
    const uint8_t shell = input.Byte();
    std::string ini = input.Field();  // handed over to the settings file
    static Texts texts;
    input.Field(&texts.modulePath);
    input.Field(&texts.openCommand);
    input.Rest(&texts.valueData);
    std::string& modulePath = texts.modulePath;
    const std::string& openCommand = texts.openCommand;
    std::string& valueData = texts.valueData;
    // A file path of these two parts, in a buffer kept for it.
    auto pathOf = [](const std::string& first, const std::string& second) {
        texts.path = first;
        texts.path += second;
        return texts.path.c_str();
    };

    const MachineForOneInput freshMachine;
    // Two minutes of virtual time: every wait of up to 110 s must end by itself. A longer
    // one takes the same path tick after tick, and cost a thousand ticks a run to follow.
    sim::SetTimeCap(2 * 60 * 1000);
    const DWORD version = Versions[machine & 3];
    const bool family95 = (version & 0x80000000u) != 0;
    sim::SetVersion(version);
    if (modulePath.empty()) modulePath = "D:\\AUTOPLAY.EXE";
    sim::SetModulePath(modulePath.c_str());
    sim::AddFile(modulePath.c_str(), "MZ");

    // The settings file where the launcher derives it: the own folder, the name with ".INI".
    const size_t slash = modulePath.find_last_of('\\');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string& folder = texts.folder.assign(modulePath, 0, nameStart);
    const std::string_view name = std::string_view(modulePath).substr(nameStart);
    std::string& iniPath = texts.iniPath;
    iniPath = folder;
    if (machine & SettingsInSubfolder) iniPath += "SETTINGS\\";
    iniPath += name.substr(0, name.find_last_of('.'));
    iniPath += ".INI";
    sim::AddFile(iniPath.c_str(), std::move(ini));

    const std::string& root = texts.root;
    const std::string& key = texts.key;
    std::string& valueName = texts.valueName;
    const std::string& installer = texts.installer;
    const std::string& program = texts.program;
    const std::string& installed = texts.installed;
    Setting(iniPath, "RunLocationRoot", "HKEY_CLASSES_ROOT", &texts.root);
    Setting(iniPath, "RunLocationKey", "Software\\Fendral\\Install Locations", &texts.key);
    Setting(iniPath, "RunLocationValue", "Test Tavio CD", &valueName);
    if (lstrcmpiA(valueName.c_str(), "(Default)") == 0) valueName.clear();
    Setting(iniPath, family95 ? "InstallProgram32" : "InstallProgramNT", "SETUP32\\SETUP.EXE", &texts.installer);
    Setting(iniPath, family95 ? "RunProgram32" : "RunProgramNT", "RUN32.EXE", &texts.program);
    Setting(iniPath, family95 ? "InstalledProgram32" : "InstalledProgramNT", "", &texts.installed);

    if ((registry & 7) != 7) {
        HKEY rootKey = HKEY_CLASSES_ROOT;
        if (lstrcmpiA(root.c_str(), "HKEY_CURRENT_USER") == 0) rootKey = HKEY_CURRENT_USER;
        if (lstrcmpiA(root.c_str(), "HKEY_LOCAL_MACHINE") == 0) rootKey = HKEY_LOCAL_MACHINE;
        if (lstrcmpiA(root.c_str(), "HKEY_USERS") == 0) rootKey = HKEY_USERS;
        if (registry & 0x08) valueData += '\0';  // else stored without its terminator
        sim::SetRegistryValue(rootKey, key.c_str(), valueName.c_str(), ValueTypes[registry & 7], valueData.data(),
                              static_cast<DWORD>(valueData.size()));
    }
    if (registry & 0x10) sim::SetEnvironmentVariable("ProgramFiles", "C:\\Program Files");

    if (machine & InstallerThere) sim::AddFile(pathOf(folder, installer), "MZ");
    if (machine & DiscProgramThere) sim::AddFile(pathOf(folder, program), "MZ");
    if (machine & InstalledProgramThere) {
        // In the folder the value names, as written and as cleaned into a folder.
        std::string& location = texts.location;
        location.assign(valueData, 0, std::min(valueData.find('\0'), static_cast<size_t>(1215)));
        std::string& cleaned = texts.cleaned;
        cleaned = location;
        CleanInstallFolder(&cleaned[0]);
        cleaned.resize(strlen(cleaned.c_str()));
        for (std::string* place : {&location, &cleaned}) {
            if (place->empty() || place->back() != '\\') *place += '\\';
            sim::AddFile(pathOf(*place, program), "MZ");
            if (!installed.empty()) sim::AddFile(pathOf(*place, installed), "MZ");
        }
    }
    if (machine & AssociationThere) {
        const size_t extensionDot = program.find_last_of('.');
        const std::string& extension = extensionDot == std::string::npos
                                           ? texts.path.assign(".TXT")
                                           : texts.path.assign(program, extensionDot, std::string::npos);
        sim::AddAssociation(extension.c_str(), "docfile",
                            openCommand.empty() ? "\"C:\\Program Files\\V\\v.exe\" \"%1\"" : openCommand.c_str());
        if (shell & 0x40) sim::AddFile(Viewer, "MZ");
    }
    if (machine & ShellScripted) sim::SetShellExecuteResult(shell % 41);
    if (registry & 0x20) sim::AddOtherProcessWindow("Fendral Tavio Launcher Class", "Tavio Launcher", false);

    // Two bits of the answers byte per box: OK, Cancel (where offered), the close box, OK.
    int boxes = 0;
    sim::SetMessageBoxScript([answers, &boxes](const sim::MessageBoxCall& box, int& answer) {
        const int choice = (answers >> (2 * (boxes++ % 4))) & 3;
        FUZZ_CHECK(sim::OpenHandleCount() == 0, "a box opened while the start-up guard was held");
        const bool cancelOffered = (box.type & 0xF) == MB_OKCANCEL;
        answer = choice == 1 && cancelOffered ? IDCANCEL : choice == 2 ? sim::kCloseBox : IDOK;
    });

    const size_t failuresBefore = sim::Failures().size();
    const int exitCode = RunLauncher(reinterpret_cast<HINSTANCE>(0x400000), nullptr, nullptr, SW_SHOWNORMAL);

    // A wait without a limit (or longer than the cap) may run into the cap: only that is allowed.
    const LONG timeOut = Settings.WindowTimeOut;
    const bool endlessWaitAllowed = (timeOut < 1 || timeOut > 110) && WindowWait.ActiveWaitTarget != NoWait;
    const std::vector<std::string>& failures = sim::Failures();
    const bool hitCap = failures.size() == failuresBefore + 1 && failures.back().find("cap") != std::string::npos;
    if (!(endlessWaitAllowed && hitCap)) {
        CheckNoWritesNoNewFailures(failuresBefore);
        FUZZ_CHECK(Known(exitCode), "exit code " + std::to_string(exitCode));
        FUZZ_CHECK(WindowWait.LauncherWindow == nullptr, "the run ended with its window alive");
    }
    FUZZ_CHECK(sim::WriteCount() == 0, "the launcher wrote to the registry or a file");
    // Only a launcher that ends before its window exists leaves the guard to its ending.
    FUZZ_CHECK(exitCode == 2 || exitCode == 3 || exitCode == 4 || sim::OpenHandleCount() == 0,
               "the run kept its start-up guard");
    CheckRoomsTerminated();
    CheckStartsFit();

    const std::vector<sim::ShellStart>& starts = sim::ShellStarts();
    if (!starts.empty()) {
        const sim::ShellStart& start = starts[0];
        // What was started is a file of this machine, or the program the shell itself named:
        // FindExecutableA gives at most 259 characters of it, and names a document that is
        // its own program (a .bat file) by the document's full path, which may be longer.
        const std::string launchPath = SettingsFile.WorkBuffer.CStr();
        const std::string& file = start.file;
        const bool cutByShell = file.size() == 259 && !IsProgramPath(launchPath);
        // The shell fills the command's placeholders in before it cuts the program out.
        FUZZ_CHECK(sim::FileExistsInSim(file.c_str()) || file == CommandProgram(openCommand).substr(0, 259) ||
                       file == sim::ShellNamedProgram().substr(0, 259) || cutByShell || file == Viewer ||
                       start.result <= 32,
                   "started " + file + ", which no input names");
        // A program is started by its own path, as the decision composed it, or its short form.
        if (IsProgramPath(launchPath))
            FUZZ_CHECK(start.file == launchPath || start.file == ShortForm(launchPath),
                       "launch path " + launchPath + " started as " + start.file);
        if (start.result <= 32) {
            // A failed start is reported once and still ends with 0.
            FUZZ_CHECK(exitCode == 0, "failed start ended with " + std::to_string(exitCode));
            FUZZ_CHECK(!sim::MessageBoxes().empty() &&
                           sim::MessageBoxes().back().text.find("\n\n") != std::string::npos,
                       "failed start of " + start.file + " not reported");
        } else if (!(endlessWaitAllowed && hitCap)) {
            FUZZ_CHECK(exitCode == 0, "started program, then exit code " + std::to_string(exitCode));
        }
    }
    return 0;
}
