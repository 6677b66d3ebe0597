// The simulated shell: FindExecutableA through HKEY_CLASSES_ROOT, ShellExecuteA recorded with a scripted result.
//
// Choices the simulation makes: App Paths are not simulated; a relative file name is
// resolved against the directory argument when that names a folder, else against the
// current folder; a failure planned for FindExecutableA still empties the result buffer,
// as every failure of the real call does; a program named without a folder in an open
// command (rundll32.exe) is taken as found along the search path, which is not simulated;
// a verb with no command (DelegateExecute) runs nothing, as under Wine (Windows would run
// the delegate).
#include <string.h>

#include <vector>

#include "sim_kernel.h"

namespace sim {
namespace internal {
namespace {

struct ShellState {
    std::vector<ShellStart> starts;
    bool scripted = false;
    UINT scriptedResult = 0;
    bool windowPending = false;
    std::string windowClass, windowTitle;
    int windowTicks = 0;
    std::string named;  // the program the last FindExecutable named, placeholders filled
};

ShellState Shell;

}  // namespace

void ResetShell() {
    ShellState fresh;
    KeepBuffer(fresh.starts, Shell.starts);
    Shell = std::move(fresh);
}

namespace {

constexpr UINT kShellSuccess = 33;       // what Wine returns for a successful start
constexpr UINT kNoAssociation = 31;      // SE_ERR_NOASSOC
constexpr UINT kOutOfMemory = 8;         // SE_ERR_OOM, Wine's answer to a null result buffer
constexpr size_t kResultCapacity = 260;  // FindExecutableA's result buffer is MAX_PATH bytes

HINSTANCE ShellResult(long long value) {
    return reinterpret_cast<HINSTANCE>(static_cast<ULONG_PTR>(static_cast<UINT>(value)));
}

bool IsAbsolute(const std::string& path) {
    return (path.size() >= 2 && path[1] == ':') || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

// The file as the shell finds it: relative names in the given folder when it exists.
FileLookup Resolve(const std::string& file, const char* directory) {
    FileLookup found;
    if (!IsAbsolute(file) && directory != nullptr && directory[0] != '\0') {
        FileLookup folder;
        if (LookUpPath(directory, &folder) && folder.kind == NodeKind::Folder) {
            std::string base = folder.fullPath;
            if (base.back() != '\\') base += '\\';
            if (LookUpPath(base + file, &found)) return found;
        }
    }
    if (!LookUpPath(file, &found)) found.kind = NodeKind::Missing;
    return found;
}

// The open command with the document in place of its placeholders, as the shell fills it
// in: %1, %l and %L give the document, %* the parameters (for the first placeholder only,
// when there are none), %% a percent sign, any other sequence stays as written. Without a
// placeholder nothing is added.
std::string FillCommand(const std::string& command, const std::string& document, const std::string& parameters) {
    std::string line;
    bool done = false;
    for (size_t i = 0; i < command.size(); ++i) {
        if (command[i] != '%') {
            line += command[i];
            continue;
        }
        const char c = i + 1 < command.size() ? command[++i] : '\0';
        if (c == '\0' || c == '%') {
            line += '%';
        } else if (c == '*' && !parameters.empty()) {
            line += parameters;
        } else if (c == '1' || (c == '*' && !done) || c == 'l' || c == 'L') {
            line += document;
        } else if (c != '*') {
            // Other sequences (Wine reads some as environment variables) are left as written.
            line += '%';
            line += c;
            continue;
        }
        done = true;
    }
    return line;
}

// The program of a filled-in command: up to the closing quote of a quoted start, otherwise
// up to the first space. Leading blanks are not skipped (Wine's shell32 cuts at the first
// space, so a command starting with one gives an empty program).
std::string ProgramOfCommand(const std::string& command) {
    if (!command.empty() && command[0] == '"') {
        const size_t close = command.find('"', 1);
        return command.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    return command.substr(0, command.find(' '));
}

// A key's default value as the shell reads it (RegQueryValue): a key without one reads as "",
// so a verb whose command key holds only DelegateExecute is found, with no command.
bool ReadClassesString(const std::string& keyPath, std::string* text) {
    DWORD type = REG_NONE;
    std::string data;
    if (!ReadRegistryValue(HKEY_CLASSES_ROOT, keyPath, "", &type, &data)) {
        text->clear();
        return RegistryKeyExists(HKEY_CLASSES_ROOT, keyPath);
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    *text = data.substr(0, data.find('\0'));
    if (type == REG_EXPAND_SZ) *text = ExpandEnvironment(*text);
    return true;
}

// ShellExecuteA of an existing file: a program starts itself (33); a document runs the
// command of its class's default verb (the shell key's value, else "open"), filled in.
UINT OpenDocument(const std::string& file, const std::string& parameters, std::string* line) {
    const std::string name = file.substr(file.find_last_of('\\') + 1);
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos) return kNoAssociation;
    const std::string extension = FoldKey(name.substr(dot));
    if (extension == ".EXE" || extension == ".PIF" || extension == ".BAT" || extension == ".CMD" ||
        extension == ".COM")
        return kShellSuccess;
    std::string className, verb, command;
    if (!ReadClassesString(name.substr(dot), &className) || className.empty()) return kNoAssociation;
    if (!ReadClassesString(className + "\\shell", &verb) || verb.empty()) verb = "open";
    // A verb without a command (a DelegateExecute verb) runs nothing under Wine: 31.
    if (!ReadClassesString(className + "\\shell\\" + verb + "\\command", &command) || command.empty())
        return kNoAssociation;
    *line = FillCommand(command, file, parameters);
    const std::string program = ProgramOfCommand(*line);
    // A bare name (rundll32.exe) is found along the search path, which is not simulated.
    if (program.find('\\') == std::string::npos) return program.empty() ? ERROR_FILE_NOT_FOUND : kShellSuccess;
    FileLookup found;
    return LookUpPath(program, &found) && found.kind == NodeKind::File ? kShellSuccess : ERROR_FILE_NOT_FOUND;
}

// Whether a file the shell starts as a program is an image the simulated Windows can run. A
// .EXE must start with the DOS header's "MZ" (an empty or text file does not); where it is long
// enough to carry a further header, a 64-bit image runs only on 64-bit NT (6.0 and later, here),
// and a 16-bit (NE) or DOS-only one only on 32-bit Windows. CreateProcess refuses the others
// (ERROR_BAD_EXE_FORMAT and kin), which ShellExecute gives back as ERROR_BAD_FORMAT (Wine's
// shell32: SHELL_ExecuteW). Other files are not judged: documents open with their program,
// .BAT and .CMD with the command interpreter.
constexpr UINT kBadFormat = 11;  // ERROR_BAD_FORMAT

bool RunsAsImage(const FileLookup& found) {
    const size_t dot = found.fullPath.find_last_of('.');
    if (dot == std::string::npos || FoldKey(found.fullPath.substr(dot)) != ".EXE") return true;
    std::string bytes;
    if (!FileBytes(found, &bytes) || bytes.compare(0, 2, "MZ") != 0) return false;
    if (bytes.size() < 0x40) return true;  // a stand-in: no header to judge
    auto word = [&bytes](size_t at) {
        return at + 1 < bytes.size()
                   ? static_cast<unsigned>(static_cast<unsigned char>(bytes[at]) |
                                           static_cast<unsigned char>(bytes[at + 1]) << 8)
                   : 0u;
    };
    const size_t header = word(0x3C) | static_cast<size_t>(word(0x3E)) << 16;
    const bool nt = (Process.version & 0x80000000u) == 0;
    const bool wide = nt && (Process.version & 0xFF) >= 6;  // the simulated 64-bit edition
    if (header + 6 <= bytes.size() && bytes.compare(header, 4, std::string("PE\0\0", 4)) == 0) {
        const unsigned machine = word(header + 4);
        return machine == 0x14C || wide;  // i386 everywhere; x64 and ARM64 on 64-bit NT
    }
    return !wide;  // NE or a DOS program
}

}  // namespace
}  // namespace internal

void AddAssociation(const char* extension, const char* className, const char* openCommand) {
    std::string ext = extension ? extension : "";
    if (ext.empty() || ext[0] != '.') ext = "." + ext;
    SetRegistryString(HKEY_CLASSES_ROOT, ext.c_str(), "", className ? className : "");
    SetRegistryString(HKEY_CLASSES_ROOT, (std::string(className ? className : "") + "\\shell\\open\\command").c_str(),
                      "", openCommand ? openCommand : "");
}

const std::vector<ShellStart>& ShellStarts() { return internal::Shell.starts; }

std::string ShellNamedProgram() { return internal::AnsiFromInternal(internal::Shell.named); }

void SetShellExecuteResult(UINT result) {
    internal::Shell.scripted = true;
    internal::Shell.scriptedResult = result;
}

void ClearShellExecuteResult() { internal::Shell.scripted = false; }

void OpenWindowAfterStart(const char* className, const char* title, int afterTicks) {
    internal::Shell.windowPending = true;
    internal::Shell.windowClass = className ? className : "";
    internal::Shell.windowTitle = title ? title : "";
    internal::Shell.windowTicks = afterTicks;
}

}  // namespace sim

using namespace sim::internal;

namespace {

// Both forms of FindExecutable: *named receives the program in the simulation's text, which
// each form gives in its own code (the ANSI one with '?' for a character it lacks).
HINSTANCE FindExecutableIn(LPCSTR file, LPCSTR directory, LPSTR result, const char* function, std::string* named) {
    long long planned = 0;
    const bool failing = PlannedFailure(function, &planned);
    named->clear();
    if (result == nullptr) return ShellResult(failing ? planned : kOutOfMemory);
    result[0] = '\0';  // emptied first; it stays empty on any failure
    if (failing) return ShellResult(planned);
    if (file == nullptr) return ShellResult(ERROR_FILE_NOT_FOUND);
    const FileLookup found = Resolve(file, directory);
    if (found.kind != NodeKind::File && found.kind != NodeKind::Folder) return ShellResult(ERROR_FILE_NOT_FOUND);
    std::string name = found.fullPath.substr(found.fullPath.find_last_of('\\') + 1);
    const size_t dot = name.find_last_of('.');
    if (found.kind == NodeKind::Folder || dot == std::string::npos) return ShellResult(kNoAssociation);
    const std::string extension = FoldKey(name.substr(dot));
    std::string program;
    // The extensions of [windows] programs= name programs: the file is its own executable.
    if (extension == ".EXE" || extension == ".PIF" || extension == ".BAT" || extension == ".CMD" ||
        extension == ".COM") {
        program = found.fullPath;
    } else {
        std::string className, command;
        if (!ReadClassesString(name.substr(dot), &className) || className.empty()) return ShellResult(kNoAssociation);
        // FindExecutable asks for the verb "open" by name, so the class's default verb
        // (its shell key's value) plays no part (Wine's shell32: FindExecutableW). The
        // placeholders are filled in before the program is cut out: "%1" names the document.
        if (!ReadClassesString(className + "\\shell\\open\\command", &command)) return ShellResult(kNoAssociation);
        program = ProgramOfCommand(FillCommand(command, found.fullPath, ""));  // may be empty: still a success
    }
    *named = program;
    Shell.named = program;
    program = AnsiFromInternal(program);
    if (program.size() > kResultCapacity - 1) program.resize(kResultCapacity - 1);
    memcpy(result, program.c_str(), program.size() + 1);
    return ShellResult(kShellSuccess);
}

}  // namespace

HINSTANCE WINAPI FindExecutableA(LPCSTR file, LPCSTR directory, LPSTR result) {
    std::string found;
    return FindExecutableIn(file, directory, result, "FindExecutableA", &found);
}

HINSTANCE WINAPI FindExecutableW(LPCWSTR file, LPCWSTR directory, LPWSTR result) {
    if (UnicodeCallOn95()) return ShellResult(ERROR_FILE_NOT_FOUND);
    const std::string internalFile = InternalFromWide(file, WideLength(file));
    const std::string internalDirectory = InternalFromWide(directory, WideLength(directory));
    char ansi[kResultCapacity];
    std::string found;
    const HINSTANCE outcome = FindExecutableIn(file != nullptr ? internalFile.c_str() : nullptr,
                                               directory != nullptr ? internalDirectory.c_str() : nullptr,
                                               result != nullptr ? ansi : nullptr, "FindExecutableW", &found);
    if (result == nullptr) return outcome;
    std::u16string program = WideFromInternal(found);
    if (program.size() > kResultCapacity - 1) program.resize(kResultCapacity - 1);
    memcpy(result, program.c_str(), (program.size() + 1) * sizeof(WCHAR));
    return outcome;
}

HINSTANCE WINAPI ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT show) {
    long long planned = 0;
    const bool failing = PlannedFailure("ShellExecuteA", &planned);
    sim::ShellStart start{owner == nullptr,
                          verb ? verb : "<null>",
                          file ? file : "",
                          parameters ? parameters : "",
                          directory ? directory : "<null>",
                          show,
                          0,
                          ""};
    AddTrace({"ShellExecuteA ", start.file});
    UINT outcome;
    if (failing) {
        outcome = static_cast<UINT>(planned);
    } else if (Shell.scripted) {
        outcome = Shell.scriptedResult;
    } else {
        const FileLookup found = file ? Resolve(file, directory) : FileLookup();
        if (found.kind == NodeKind::File && !RunsAsImage(found)) outcome = kBadFormat;
        else if (found.kind == NodeKind::File) outcome = OpenDocument(file, start.parameters, &start.command);
        else if (found.kind == NodeKind::Folder) outcome = kShellSuccess;
        // A missing folder too is "file not found": the shell looks for the file, not the path
        // (seen under Wine, for a plain missing folder and for a name with '?').
        else outcome = ERROR_FILE_NOT_FOUND;
    }
    start.result = outcome;
    Shell.starts.push_back(start);
    if (outcome > 32 && Shell.windowPending) {
        Shell.windowPending = false;
        ScheduleWindowAfterTicks(Shell.windowClass, Shell.windowTitle, Shell.windowTicks);
    }
    return ShellResult(outcome);
}
