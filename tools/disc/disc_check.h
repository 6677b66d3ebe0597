// The lint of a disc's settings file: what the launcher's own reader makes of it, and what that will do.
#ifndef TAVIO_TOOLS_DISC_DISC_CHECK_H
#define TAVIO_TOOLS_DISC_DISC_CHECK_H

#include <string>
#include <vector>

#include "disc_machine.h"

struct Diagnostic {
    std::string file;  // as shown to the user: the disc folder joined with the file's place on the disc
    int line;          // 0: the file as a whole
    bool error;        // else a warning
    std::string message;
};

// A file the launcher asks the disc for, as the settings spell it: the name Windows must find in
// the pressed image's Joliet tree.
struct DiscFile {
    std::string key;     // the settings key, or "(launcher)", "(settings file)"
    std::string family;  // "Windows 95/98", "Windows NT" or "both"
    std::string path;    // relative to the disc's root, backslashes, "." and ".." resolved
};

struct CheckResult {
    std::string settingsFile;             // shown as the diagnostics show it; empty when there is none
    std::vector<Diagnostic> diagnostics;  // in file order, each file's own diagnostics first
    int errors = 0, warnings = 0;
    // The files the disc must hold under the names the launcher asks for, relative to D:\ :
    // the launcher, its settings file, and every installer and program it looks for on the disc.
    std::vector<std::string> namedFiles;
    // The same files as the launcher spells them, one per key and family.
    std::vector<DiscFile> discFiles;
};

// The name xorriso gives a file or folder of the disc in the image's Joliet tree.
std::string JolietName(const std::string& name, bool folder);
// Whether xorriso keeps a path of these Joliet names (folders, then the file) in the Joliet tree.
bool FitsJolietPath(const std::vector<std::string>& jolietNames);

// Checks the settings file the launcher on the machine's disc would read. False with the
// reason when the disc cannot be loaded.
bool CheckDisc(const DiscMachine& machine, CheckResult* result, std::string* problem);

// The files an AUTORUN.INF on the simulated machine names for AutoPlay: KEY (open,
// shellexecute, icon), its line and the file (see AutorunFile); each key's first line in the
// [autorun] section, as Windows takes it.
struct AutorunNamed {
    std::string key;
    int line;
    std::string file;
};
std::vector<AutorunNamed> AutorunNamedFiles(const char* infPath);

#endif
