// Fuzz target: StartProgram with arbitrary launch paths, affixes, associations, short forms and refusals.
//
// Input: two flag bytes, then the fields launch path, prefix, suffix, open command,
// 8.3 alias and one more existing file, each ended by a zero byte.
#include <string>

#include "fuzz_support.h"
#include "launching/start_program.h"
#include "platform/windows_api.h"
#include "settings/launcher_settings.h"
#include "settings/settings_file.h"

namespace {

enum Flags : uint8_t {
    LaunchFileExists = 1 << 0,
    GiveAlias = 1 << 1,
    PrefixOn = 1 << 2,
    SuffixOn = 1 << 3,
    Associate = 1 << 4,
    ViewerExists = 1 << 5,
    // Bits 6 and 7: how GetShortPathNameA refuses, from its first call on.
};

// The refusals Windows really gives: nothing, ERROR_INVALID_PARAMETER's 87 in place of a
// length, or the size needed when the buffer is too small (buffer untouched in each case).
const long long ShortPathRefusals[] = {0, 87, 512, 4096};

std::string Extension(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? std::string(".TXT") : path.substr(dot);
}

bool IsProgramPath(const std::string& path) {
    if (path.size() < 4) return true;
    const std::string tail = path.substr(path.size() - 4);
    return lstrcmpiA(tail.c_str(), ".exe") == 0 || lstrcmpiA(tail.c_str(), ".com") == 0 ||
           lstrcmpiA(tail.c_str(), ".dll") == 0;
}

// The program the shell associates with document, "" when it finds none.
std::string Associated(const std::string& document, const std::string& directory) {
    char found[260] = "";
    const UINT_PTR result = reinterpret_cast<UINT_PTR>(FindExecutableA(document.c_str(), directory.c_str(), found));
    return result > 32 ? std::string(found) : std::string();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const uint8_t flags = input.Byte();
    const uint8_t shellFlags = input.Byte();
    const std::string launchText = input.Field();
    const std::string prefix = input.Field();
    const std::string suffix = input.Field();
    const std::string command = input.Field();
    const std::string alias = input.Field();
    const std::string otherFile = input.Field();

    const MachineForOneInput freshMachine;
    const std::string viewer = "C:\\Program Files\\V\\v.exe";
    if (flags & LaunchFileExists) sim::AddFile(launchText.c_str(), "MZ");
    if ((flags & GiveAlias) && !alias.empty() && alias.size() <= 12 && sim::FileExistsInSim(launchText.c_str()))
        sim::SetShortName(launchText.c_str(), alias.c_str());
    if (!otherFile.empty() && PossibleFileName(otherFile)) sim::AddFile(otherFile.c_str(), "MZ");
    if (flags & ViewerExists) sim::AddFile(viewer.c_str(), "MZ");
    if (flags & Associate)
        sim::AddAssociation(Extension(launchText).c_str(), "docfile",
                            command.empty() ? ("\"" + viewer + "\" \"%1\"").c_str() : command.c_str());
    if (shellFlags & 0x40) sim::SetShellExecuteResult(shellFlags % 41);

    Settings.Run32Prefix.Assign((flags & PrefixOn) ? prefix.c_str() : "");
    Settings.Run32Suffix.Assign((flags & SuffixOn) ? suffix.c_str() : "");
    SelectRun32Affixes();
    WorkText& launchPath = SettingsFile.WorkBuffer;
    launchPath.Assign(launchText.c_str());  // cut at 4095, as the decision's buffer would be
    const std::string path = launchPath.CStr();

    // Expectations from the unrefused machine, before any refusal is planned. A short form
    // counts as the launcher counts it: one of exactly 87 characters reads as the
    // ERROR_INVALID_PARAMETER some systems return in place of a length, and the long form
    // is kept (the short one is still what the buffer holds, the shell's directory).
    const std::string shortForm = ShortForm(path);
    const std::string shortPath = ShortPathCounts(static_cast<DWORD>(shortForm.size()), 512) ? shortForm : "";
    // The shell is asked with the document's short form when there is one.
    const std::string asked = shortPath.empty() ? path : shortPath;
    const std::string foundProgram = Associated(asked, shortForm);
    const std::string foundLong = Associated(path, "");
    const std::string programShort = ShortForm(foundProgram);
    const std::string foundShort =
        ShortPathCounts(static_cast<DWORD>(programShort.size()), 512) ? programShort : "";

    const int refusal = flags >> 6;
    if (refusal != 0)
        sim::FailNextCall("GetShortPathNameA", true, ShortPathRefusals[refusal]);
    // The 95/98 family asks the shell in ANSI, NT in Unicode.
    if (shellFlags & 0x80) {
        sim::FailNextCall("FindExecutableA", true, shellFlags % 33);
        sim::FailNextCall("FindExecutableW", true, shellFlags % 33);
    }
    const size_t failuresBefore = sim::Failures().size();

    const LaunchResult result = StartProgram(launchPath);

    CheckRoomsTerminated();
    CheckNoWritesNoNewFailures(failuresBefore);
    CheckStartsFit();
    const std::vector<sim::ShellStart>& starts = sim::ShellStarts();
    if (starts.empty()) {
        FUZZ_CHECK(result <= 32, "success " + std::to_string(result) + " reported with nothing started");
        return 0;
    }
    const sim::ShellStart& start = starts[0];
    FUZZ_CHECK(result == start.result, "the shell's result is not returned unchanged");
    if (IsProgramPath(path)) {
        // A program is started itself, in its long or its short form: never a cut of it.
        FUZZ_CHECK(start.file == path || (refusal == 0 && start.file == shortPath),
                   "program " + path + " started as " + start.file);
        return 0;
    }
    // Or the shell opens the document itself, whole and in its long form, with no parameters
    // (an open command that is more than a program and the document, or none).
    if (start.file == path && start.parameters.empty()) return 0;
    // A document is opened by the program its association names, or by an existing file
    // that the open command names; its own (possibly shortened) path is in the parameters.
    const bool fromShell = (!foundProgram.empty() && start.file == foundProgram) || (!foundLong.empty() && start.file == foundLong) ||
                           (refusal == 0 && !foundShort.empty() && start.file == foundShort);
    const bool fromCommand = sim::FileExistsInSim(start.file.c_str()) &&
                             (Contains(RegistryText(command), start.file) || start.file == viewer);
    // An association the shell reports with an empty program names none: nothing wrong can start.
    FUZZ_CHECK(start.file.empty() || fromShell || fromCommand, "document " + path + " opened by " + start.file);
    FUZZ_CHECK(Contains(start.parameters, launchPath.CStr()),
               "parameters \"" + start.parameters + "\" lack the document " + launchPath.CStr());
    return 0;
}
