// StartProgram: classification, the parameter text, associations, short paths, the shell start.
#include "launching/start_program.h"

#include "location/install_location.h"
#include "platform/file_exists.h"
#include "platform/wide_names.h"
#include "platform/windows_api.h"

LaunchAffixesState LaunchAffixes;
LaunchCommandState LaunchCommand;

namespace {

constexpr DWORD ShortPathSize = 512;
const char OpenCommandKey[] = "\\shell\\open\\command";

void SelectAffixes(const SettingText& prefix, const SettingText& suffix) {
    if (!prefix.Empty()) {
        LaunchAffixes.PrefixEnabled = 1;
        LaunchAffixes.PrefixText = &prefix;
    }
    if (!suffix.Empty()) {
        LaunchAffixes.SuffixEnabled = 1;
        LaunchAffixes.SuffixText = &suffix;
    }
}

// GetShortPathNameA of source into ShortPathBuffer; true when the short form counts.
bool ConvertToShortPath(const char* source) {
    FixedText<512>& buffer = LaunchCommand.ShortPathBuffer;
    const DWORD result = GetShortPathNameA(source, buffer.Data(), ShortPathSize);
    buffer.Terminate();
    return ShortPathCounts(result, ShortPathSize);
}

const LaunchResult BadAssociation = 27;  // SE_ERR_ASSOCINCOMPLETE
const LaunchResult NoAssociation = 31;   // SE_ERR_NOASSOC

LaunchResult LowResult(HINSTANCE result) { return static_cast<LaunchResult>(reinterpret_cast<UINT_PTR>(result)); }

// Whether text, length characters (4 or more) long, ends in the 4 characters of extension.
bool EndsWith(const char* text, size_t length, const char* extension) {
    return lstrcmpiA(text + length - 4, extension) == 0;
}

bool ContainsChar(const char* text, char c) {
    for (; *text != '\0'; ++text)
        if (*text == c) return true;
    return false;
}

// HKEY_CLASSES_ROOT\<keyPath><keySuffix>, default value, into RegistryQuery.ResultText.
bool LookUpClassesRoot(const char* keyPath, const char* keySuffix) {
    RegistryQuery.Root = HKEY_CLASSES_ROOT;
    RegistryQuery.ValueName.Clear();
    RegistryQuery.KeyPath.Assign(keyPath);
    RegistryQuery.KeyPath.Append(keySuffix);
    // A key path that did not fit is Cut, and the query takes it as not found.
    return QueryInstallLocation() == 1;
}

// The open command of the document's extension, into ShortPathBuffer; empty if none.
// A command too long for the buffer counts as not found rather than being cut.
void FindOpenCommand() {
    LaunchCommandState& t = LaunchCommand;
    const char* extension = t.DocumentExtension.CStr();
    if (LookUpClassesRoot(extension, OpenCommandKey) && t.ShortPathBuffer.Assign(RegistryQuery.ResultText.CStr()))
        return;
    // The class name is copied out first: the next lookup overwrites the result text.
    FixedText<200> className;
    if (LookUpClassesRoot(extension, "") && className.Assign(RegistryQuery.ResultText.CStr()) &&
        LookUpClassesRoot(className.CStr(), OpenCommandKey) && t.ShortPathBuffer.Assign(RegistryQuery.ResultText.CStr()))
        return;
    t.ShortPathBuffer.Clear();
}

// The program of the open command in ShortPathBuffer when the command hands it nothing but
// the document, else null. Read from its end, only blanks, quotes and the placeholders %1,
// %l, %L and %* may follow a name ending in .exe; a command of placeholders alone makes the
// document its own program (a batch file's "%1" %*), and gives an empty name. Anything else
// (arguments of its own, a rundll32 host, no command) only the shell's own open of the
// document runs as written. The command is cut to the name.
char* PlainCommandProgram() {
    char* text = LaunchCommand.ShortPathBuffer.Data();
    char* end = text + LaunchCommand.ShortPathBuffer.Length();
    while (end > text) {
        const char c = end[-1];
        if (c == ' ' || c == '"') {
            --end;
        } else if (end - text >= 2 && end[-2] == '%' && ((c | 0x20) == 'l' || c == '1' || c == '*')) {
            end -= 2;
        } else {
            break;
        }
    }
    const bool placeholdersOnly = end == text && *text != '\0';
    *end = '\0';
    if (!placeholdersOnly && (end - text < 4 || !EndsWith(text, end - text, ".exe"))) return nullptr;
    while (*text == ' ') ++text;
    if (*text == '"') ++text;
    return text;
}

// FindExecutable for the document into ExecutablePath. On NT the shell is asked in Unicode:
// a program installed in a folder named outside the ANSI code page comes back whole, and is
// taken in its ANSI form (its short form where the name needs one); a program with no ANSI
// form is left empty, as a command naming no program leaves it.
LaunchResult FindDocumentProgram(const char* document, const char* directory) {
    WideNamesState& wide = WideNames;
    char* program = LaunchCommand.ExecutablePath.Data();
    program[0] = '\0';
    if (IsWindows95Family() || MultiByteToWideChar(CP_ACP, 0, document, -1, wide.Text, WideCapacity) == 0 ||
        MultiByteToWideChar(CP_ACP, 0, directory, -1, wide.Other, WideCapacity) == 0)
        return LowResult(FindExecutableA(document, directory, program));
    const LaunchResult found = LowResult(FindExecutableW(wide.Text, wide.Other, wide.Name));
    if (found > 32 && !AnsiNameOf(wide.Name, MAX_PATH * 2, program, LaunchCommand.ExecutablePath.BufferSize()))
        program[0] = '\0';
    return found;
}

// The document in launchPath (4 characters or more) as the parameter after any
// prefix, and the program associated with it as ExecutablePath. Returns FindExecutableA's
// result, or 27 when the open command is not plain: 32 or less when the document is not
// to be started as a parameter, and ExecutablePath is then not to be used.
LaunchResult PrepareDocument(WorkText& launchPath) {
    LaunchCommandState& t = LaunchCommand;
    const size_t length = launchPath.Length();
    // Taken from the long form: a short name's extension may be cut to three letters.
    t.DocumentExtension.Clear();
    for (size_t i = length - 1; i >= 1; --i) {
        if (launchPath[i] == '.') {
            if (length - i < 8) t.DocumentExtension.Assign(launchPath.CStr() + i);
            break;
        }
    }

    // The long form, for the shell's own open: a short name's extension may name another type.
    t.WorkingDirectory.Assign(launchPath.CStr());
    if (ConvertToShortPath(launchPath.CStr())) launchPath.Assign(t.ShortPathBuffer.CStr());
    // The program splits its parameters at blanks: a path holding one (the long form,
    // or a "short" form where the volume keeps no 8.3 names) must be quoted to stay whole.
    if (ContainsChar(launchPath.CStr(), ' ')) {
        t.ParameterText.AppendChar('"');
        t.ParameterText.Append(launchPath.CStr());
        t.ParameterText.AppendChar('"');
    } else {
        t.ParameterText.Append(launchPath.CStr());
    }

    // The directory argument is ShortPathBuffer as the conversion left it: the short
    // form when one was written, otherwise whatever the buffer held before.
    t.ExecutablePath.Clear();
    const LaunchResult found = FindDocumentProgram(launchPath.CStr(), t.ShortPathBuffer.CStr());
    t.ExecutablePath.Terminate();
    if (found <= 32) return found;

    FindOpenCommand();
    char* program = PlainCommandProgram();
    if (program == nullptr) return BadAssociation;
    // A command named outside the ANSI code page came in UTF-8: its program is taken in its
    // ANSI form, or not at all.
    if (RegistryQuery.ResultInUtf8 &&
        !AnsiNameOfUtf8(program, static_cast<int>(t.ShortPathBuffer.BufferSize() - (program - t.ShortPathBuffer.Data()))))
        *program = '\0';
    // An association whose program is gone: the open command's own program may still be there.
    if (!FileExists(t.ExecutablePath.CStr()) && FileExists(program)) t.ExecutablePath.Assign(program);
    // Still no program: the shell finds an empty one for a command that starts with a blank.
    // Started, an empty file name is no program of the disc's choosing.
    if (t.ExecutablePath.Empty()) return NoAssociation;

    if (ConvertToShortPath(t.ExecutablePath.CStr())) t.ExecutablePath.Assign(t.ShortPathBuffer.CStr());
    return found;
}

}  // namespace

void SelectInstall32Affixes() { SelectAffixes(Settings.Install32Prefix, Settings.Install32Suffix); }
void SelectInstallNTAffixes() { SelectAffixes(Settings.InstallNTPrefix, Settings.InstallNTSuffix); }
void SelectRun32Affixes() { SelectAffixes(Settings.Run32Prefix, Settings.Run32Suffix); }
void SelectRunNTAffixes() { SelectAffixes(Settings.RunNTPrefix, Settings.RunNTSuffix); }

LaunchResult StartProgram(WorkText& launchPath) {
    LaunchCommandState& t = LaunchCommand;
    const LaunchAffixesState& affixes = LaunchAffixes;

    t.ParameterText.Clear();
    if (affixes.PrefixEnabled && affixes.PrefixText != nullptr) {
        t.ParameterText.Append(affixes.PrefixText->CStr());
        t.ParameterText.AppendChar(' ');
    }

    const size_t length = launchPath.Length();
    const char* path = launchPath.CStr();
    const bool program =
        length < 4 || EndsWith(path, length, ".exe") || EndsWith(path, length, ".com") || EndsWith(path, length, ".dll");
    if (program) {
        if (ConvertToShortPath(launchPath.CStr())) {
            t.ExecutablePath.Assign(t.ShortPathBuffer.CStr());
        } else if (!t.ExecutablePath.Assign(launchPath.CStr())) {
            return 0;  // a cut path would start another program
        }
    } else {
        const LaunchResult found = PrepareDocument(launchPath);
        if (found <= 32) {
            // Affixes reach the program only on a command line of the launcher's making.
            if (affixes.PrefixEnabled || affixes.SuffixEnabled) return found;
            // Opened as a double click opens it: the document itself, in its own folder.
            if (!t.WorkingDirectory.Fits()) return 0;
            t.ExecutablePath.Assign(t.WorkingDirectory.CStr());
            t.ParameterText.Clear();
        }
    }

    if (affixes.SuffixEnabled && affixes.SuffixText != nullptr) {
        t.ParameterText.AppendChar(' ');
        t.ParameterText.Append(affixes.SuffixText->CStr());
    }
    if (!t.ParameterText.Fits()) return 0;  // a cut document path would open another file

    // The program's folder, without its closing backslash. A program named without any
    // folder (found along the search path) has none: its own name is no folder to start
    // in, so none is given and the shell's default applies.
    bool inFolder = false;
    t.WorkingDirectory.Assign(t.ExecutablePath.CStr());
    for (size_t i = t.WorkingDirectory.Length(); i > 0 && !inFolder; --i) {
        if (t.WorkingDirectory[i - 1] == '\\') {
            t.WorkingDirectory.Truncate(i - 1);
            inFolder = true;
        }
    }
    if (!inFolder) t.WorkingDirectory.Clear();

    return LowResult(ShellExecuteA(nullptr, nullptr, t.ExecutablePath.CStr(), t.ParameterText.CStr(),
                                   inFolder ? t.WorkingDirectory.CStr() : nullptr, SW_SHOWNORMAL));
}
