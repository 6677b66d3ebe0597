// The kernel side's shared pieces: the process, file system, code pages, registry and environment.
#ifndef TAVIO_PLATFORM_SIM_SIM_KERNEL_H
#define TAVIO_PLATFORM_SIM_SIM_KERNEL_H

#include <array>
#include <set>
#include <string>
#include <string_view>

#include "sim_internal.h"

namespace sim {
namespace internal {

// ---- The process (sim_process.cpp) ----
struct ProcessState {
    DWORD version = kWindowsNT4;                  // what GetVersion reports
    std::string modulePath = "D:\\AUTOPLAY.EXE";  // what GetModuleFileNameA reports
    std::set<int> keysDown;
    bool registerClassExAvailable = true;
    bool moduleNameCutUnterminated = false;  // GetModuleFileNameA as Windows 2000 and XP cut
    bool wow64 = false;                      // a 32-bit process on 64-bit Windows
};
extern ProcessState Process;
// The 95/98 family's Unicode stubs: true (and ERROR_CALL_NOT_IMPLEMENTED set) there.
bool UnicodeCallOn95();

// ---- File system (sim_files.cpp) ----
// The folder a relative path is resolved against (GetFullPathNameA's current folder): D:\ (the
// disc's root, where AutoPlay starts the launcher) until SetCurrentDirectoryW changes it. It
// always ends in a backslash.
const char* CurrentFolder();
// Where the system's own files lie; a profile file named without any backslash is looked up here.
constexpr const char* kWindowsFolder = "C:\\WINDOWS";

// MissingFolder: a component before the last one is missing.
enum class NodeKind { Missing, File, Folder, MissingFolder };
struct FileLookup {
    NodeKind kind = NodeKind::Missing;
    std::string fullPath;  // the full path as written (aliases kept), no trailing backslash but for a root
    std::string longPath;  // with each existing component's long name; equals fullPath where nothing matched
    bool trailingSeparator = false;
    const std::string* content = nullptr;  // a file's bytes, unless they live on the host
    std::string hostPath;                  // a file loaded from a host folder: where its bytes are
};
// Resolves a Windows path (relative ones against CurrentFolder()) the way the file system
// would: case-insensitive, 8.3 aliases accepted for any component. False for an empty or
// malformed path.
bool LookUpPath(const std::string& path, FileLookup* result);
// A file's bytes as they are now; false for no file, or a host file that cannot be read.
bool FileBytes(const FileLookup& found, std::string* bytes);
// Changes with every file or folder added, removed or given an alias, and with each reset;
// never set back, so that a lookup remembered at one count holds while the count is the same.
extern unsigned long long FileSystemChanges;

// ---- Code pages (sim_codepages.cpp) ----
// ANSI is code page 1252, OEM code page 437.
unsigned AnsiToUnicode(unsigned char c);
unsigned OemToUnicode(unsigned char c);
int UnicodeToAnsi(unsigned codePoint);  // -1 when 1252 has no such character
// Case folding of code page 1252 text, as the file system, the registry and lstrcmpiA compare it.
// A table: every lookup folds each character of the names it compares.
extern const std::array<unsigned char, 256> kFoldAnsi;
inline unsigned char FoldAnsi(unsigned char c) { return kFoldAnsi[c]; }
std::string FoldKey(const std::string& text);
// The folded form of a name in one buffer kept for it, valid until the next call: each lookup
// of the files and the registry folds every name it looks for, and a new string each time was
// most of a lookup's cost.
const std::string& FoldedInBuffer(std::string_view name);
bool EqualNoCase(std::string_view a, std::string_view b);
// UTF-16 text of the system's wide calls, narrowed to the ANSI code page ('?' where it has no character).
std::string WideToAnsi(const WCHAR* text);
// UTF-8 bytes (a profile file with a byte-order mark) converted to the ANSI code page.
std::string Utf8ToAnsi(const std::string& bytes);
// The simulation's own texts (names, registry values, the module path) are ANSI bytes, but
// a character the ANSI code page lacks is kWideMark followed by its UTF-8 sequence: the
// ANSI calls give it as '?', the Unicode calls whole. No file name holds the mark (control
// characters are not allowed in names), and the ANSI calls never match it with a '?'.
constexpr char kWideMark = '\x01';
std::string InternalFromUtf8(std::string_view utf8);
std::string InternalFromWide(const WCHAR* text, size_t length);
std::string AnsiFromInternal(std::string_view text);
std::u16string WideFromInternal(std::string_view text);
std::string Utf8FromWide(const WCHAR* text, size_t length);
// UTF-8 bytes as MultiByteToWideChar(CP_UTF8) gives them: a broken sequence becomes U+FFFD.
std::u16string WideFromUtf8(std::string_view text);
size_t WideLength(const WCHAR* text);

// ---- Registry (sim_registry.cpp) ----
// The key a 32-bit process opens on 64-bit Windows: HKEY_LOCAL_MACHINE\Software is seen at
// Software\WOW6432Node but for the keys both views share; KEY_WOW64_64KEY opens the key as named.
// A value's type and bytes, through the simulated registry; false for a missing key or value.
bool ReadRegistryValue(HKEY root, const std::string& keyPath, const std::string& valueName, DWORD* type,
                       std::string* data);
bool RegistryKeyExists(HKEY root, const std::string& keyPath);

// ---- Environment (sim_environment.cpp) ----
std::string ExpandEnvironment(const std::string& text);

}  // namespace internal
}  // namespace sim

#endif
