// The simulated machine a disc is tried on: the disc as D:, the install record, open windows, the user's answers.
#ifndef TAVIO_TOOLS_DISC_DISC_MACHINE_H
#define TAVIO_TOOLS_DISC_DISC_MACHINE_H

#include <string>
#include <vector>

#include "platform/windows_api.h"

struct MachineFile {
    std::string path;  // a Windows path
    std::string content;
};

struct MachineRegistryValue {
    HKEY root;
    std::string key;
    std::string valueName;  // "" for the key's default value
    DWORD type;
    std::string data;  // the bytes stored, terminator included
};

struct MachineAlias {
    std::string path;   // an existing file or folder
    std::string alias;  // its 8.3 name
};

struct MachineWindow {
    std::string className;
    std::string title;
};

// Everything the launcher's run can see. The launcher lies on the disc at D:\<launcher>.
struct DiscMachine {
    std::string discFolder;                 // a host folder loaded as D:\, or empty
    std::string launcher = "AUTOPLAY.EXE";  // relative to D:\ (backslashes)
    bool windows95 = false;                 // the 95/98 family, else NT
    bool machine64 = false;                 // NT: 64-bit Windows, the launcher a 32-bit process on it
    std::vector<std::string> folders;       // further Windows folders
    std::vector<MachineFile> files;         // further files (the launcher needs no bytes)
    std::vector<MachineAlias> shortNames;   // given once the files exist
    std::vector<MachineRegistryValue> registry;
    std::vector<MachineWindow> windows;  // top-level windows of other programs, open from the start
    std::vector<int> answers;            // IDOK, IDCANCEL or sim::kCloseBox per box in turn; then IDOK
    std::vector<std::pair<std::string, std::string>> environment;  // set after the usual variables
    long windowAfterMs = 0;  // when the started program's window opens, after the wait begins; -1 never
    long secondStartMs = -1;  // a second start of the launcher, this long after the first; -1 none
};

// A new simulated Windows and launcher state holding the machine; false with the reason when
// the disc folder cannot be read. launcherOnDisc tells whether the disc held the launcher
// (where it did not, a stand-in takes its place).
bool SetUpMachine(const DiscMachine& machine, std::string* problem, bool* launcherOnDisc = nullptr);

// The machine's D:\<launcher>.
std::string LauncherPath(const DiscMachine& machine);

// Sets up the machine and reads the settings with the launcher's own reader (Settings then
// holds what the launcher would use); false when the launcher finds no settings file.
bool ReadDiscSettings(const DiscMachine& machine, std::string* problem);

// The installed copy the disc's installer would leave: the install record where the settings
// put it (RunLocationRoot, RunLocationKey, RunLocationValue, as REG_SZ) holding folder, and in
// the folder every program the settings may look for there, unless missing.
// The record is of type (REG_SZ or REG_EXPAND_SZ), and holds its text as written; beside it
// in the key, further REG_SZ values (name, text).
// On a 64-bit machine the record lies in the 32-bit view, where a 32-bit installer writes it,
// or with in64BitView where a 64-bit installer writes it. Texts are the simulation's own
// (sim::Utf8 for a name outside the ANSI code page).
bool AddInstallation(DiscMachine& machine, const std::string& folder, bool missing, std::string* problem,
                     DWORD type = REG_SZ,
                     const std::vector<std::pair<std::string, std::string>>& beside = {}, bool in64BitView = false);

// An association of a document extension (".htm") with a program's path, or with an open
// command as written when it holds a placeholder ("rundll32.exe ieframe.dll,OpenURL %l");
// a program with a folder is put in place.
void AddAssociation(DiscMachine& machine, const std::string& extension, const std::string& command);

#endif
