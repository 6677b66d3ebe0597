// The simulated kernel: version, module, key state, the file system with 8.3 aliases, code pages, the environment.
//
// Choices where Windows leaves room or the simulation must pick one:
// - The current folder is D:\ (the disc's root, where AutoPlay starts the launcher);
//   relative paths resolve against it. OpenFile looks for a bare name in the folder of
//   the module, then in the current folder, as SearchPath does first.
// - Folders and files have no 8.3 alias unless a test gives one (sim::SetShortName), as
//   on a volume without short names: GetShortPathNameA then keeps the long component.
// - ANSI is code page 1252 and OEM code page 437, the only code pages MultiByteToWideChar
//   knows; a wide character that ANSI lacks becomes '?'.
// - Every drive letter exists, as an empty root until a test adds files to it.
// - GetFileAttributesA, an ANSI call, refuses paths of MAX_PATH (260) characters or more.
// - A folder of the host loaded as a drive (sim::AddHostFolder) keeps its files on the host:
//   their bytes are read when a profile read needs them, so a change shows at the next read.
#include "sim_kernel.h"

#include <ctype.h>
#include <dirent.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <map>
#include <memory>
#include <set>
#include <vector>

namespace sim {
namespace internal {
namespace {

struct Node {
    std::string name;   // the long name as the test wrote it
    std::string alias;  // the 8.3 alias, "" for none
    bool folder = false;
    std::string content;
    std::string hostPath;  // a file loaded from the host: its bytes live there
    std::map<std::string, std::unique_ptr<Node>> children;  // by folded long name
};

struct KernelState {
    DWORD version = kWindowsNT4;
    std::string modulePath = "D:\\AUTOPLAY.EXE";
    std::set<int> keysDown;
    bool registerClassExAvailable = true;
    std::map<std::string, std::unique_ptr<Node>> drives;                      // "D:" -> its root
    std::map<std::string, std::pair<std::string, std::string>> environment;  // folded name -> name, value
};

KernelState Kernel;

// Counts every change to the file system's shape, never reset: a lookup remembered at one
// count still holds while the count is the same.
unsigned long long FileSystemChanges = 0;

void ResetKernel() {
    Kernel = KernelState();
    ++FileSystemChanges;
}
const ResetHook kernelReset(ResetKernel);

// Fake module handles: never dereferenced, only compared.
HMODULE const kThisModule = reinterpret_cast<HMODULE>(static_cast<ULONG_PTR>(0x00400000));
HMODULE const kUser32 = reinterpret_cast<HMODULE>(static_cast<ULONG_PTR>(0x7E410000));
HMODULE const kKernel32 = reinterpret_cast<HMODULE>(static_cast<ULONG_PTR>(0x7C800000));

constexpr DWORD kErrorInvalidName = 123;
constexpr DWORD kErrorBadPathname = 161;
constexpr DWORD kErrorInvalidData = 13;
constexpr DWORD kErrorFilenameExcedRange = 206;
constexpr DWORD kErrorModNotFound = 126;
constexpr DWORD kErrorProcNotFound = 127;
constexpr size_t kMaxPath = 260;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

struct ParsedPath {
    ParsedPath() = default;
    ParsedPath(const ParsedPath&) = delete;  // the components view this object's own text
    ParsedPath& operator=(const ParsedPath&) = delete;
    std::string drive;  // "D:"
    std::string text;   // the path after its drive, made absolute
    std::vector<std::string_view> components;
    bool trailingSeparator = false;
};

// GetFullPathNameA's rules: both separators, "." and ".." resolved, repeated separators
// collapsed, trailing dots and spaces of a component dropped.
bool ParsePath(const std::string& path, ParsedPath* parsed) {
    if (path.empty()) return false;
    if (path.size() >= 2 && path[1] == ':' && isalpha(static_cast<unsigned char>(path[0]))) {
        parsed->drive.assign(1, static_cast<char>(toupper(static_cast<unsigned char>(path[0]))));
        parsed->drive += ':';
        parsed->text.assign(path, 2, std::string::npos);  // the current folder of every drive is its root
    } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        return false;  // UNC names are not simulated
    } else if (IsSeparator(path[0])) {
        parsed->drive.assign(kCurrentFolder, 2);
        parsed->text = path;
    } else {
        parsed->drive.assign(kCurrentFolder, 2);
        parsed->text = kCurrentFolder + 2;
        parsed->text += path;
    }
    const std::string_view rest = parsed->text;
    parsed->trailingSeparator = !rest.empty() && IsSeparator(rest.back());
    parsed->components.clear();
    // Each run of characters between separators is a component; empty ones are dropped.
    for (size_t start = 0; start <= rest.size();) {
        size_t end = start;
        while (end < rest.size() && !IsSeparator(rest[end])) ++end;
        std::string_view part = rest.substr(start, end - start);
        start = end + 1;
        if (part == ".") continue;
        if (part == "..") {
            if (!parsed->components.empty()) parsed->components.pop_back();
            continue;
        }
        while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.remove_suffix(1);
        if (!part.empty()) parsed->components.emplace_back(part);
    }
    if (parsed->components.empty()) parsed->trailingSeparator = false;
    return true;
}

// The folded name of a lookup, in a buffer kept for it: every path lookup folds each of
// its components, and a new string each time made the file system the costliest part of a run.
const std::string& FoldedInBuffer(std::string_view name) {
    static std::string key;
    key.assign(name);
    for (char& c : key) c = static_cast<char>(FoldAnsi(static_cast<unsigned char>(c)));
    return key;
}

Node* FindChild(Node* folder, std::string_view name) {
    if (folder == nullptr || !folder->folder) return nullptr;
    auto it = folder->children.find(FoldedInBuffer(name));
    if (it != folder->children.end()) return it->second.get();
    for (auto& child : folder->children)
        if (!child.second->alias.empty() && EqualNoCase(child.second->alias, name)) return child.second.get();
    return nullptr;
}

// Every drive letter is there, empty until a test adds something to it: a start from
// a disc always has its drive, and a missing file on it is "not found", not "no path".
Node* FindDrive(const std::string& drive) {
    std::unique_ptr<Node>& root = Kernel.drives[FoldedInBuffer(drive)];
    if (!root) {
        root.reset(new Node);
        root->name = drive;
        root->folder = true;
    }
    return root.get();
}

Node* FindNode(const ParsedPath& parsed) {
    Node* node = FindDrive(parsed.drive);
    for (const std::string_view component : parsed.components) {
        node = FindChild(node, component);
        if (node == nullptr) return nullptr;
    }
    return node;
}

// Creates the path's folders as needed; the last component becomes a file or folder.
Node* MakeNode(const char* path, bool folder) {
    ++FileSystemChanges;
    // Kept between calls (none is nested): a path's components cost no new allocation.
    static ParsedPath parsed;
    if (path == nullptr || !ParsePath(path, &parsed)) {
        AddFailure(std::string("cannot add the path \"") + (path ? path : "<null>") + "\"");
        return nullptr;
    }
    Node* node = FindDrive(parsed.drive);
    for (size_t i = 0; i < parsed.components.size(); ++i) {
        const bool last = i + 1 == parsed.components.size();
        const bool wantFolder = !last || folder;
        Node* child = FindChild(node, parsed.components[i]);
        if (child == nullptr) {
            std::unique_ptr<Node>& slot = node->children[FoldKey(std::string(parsed.components[i]))];
            slot.reset(new Node);
            slot->name = parsed.components[i];
            slot->folder = wantFolder;
            child = slot.get();
        } else if (child->folder != wantFolder) {
            AddFailure(std::string("\"") + path + "\": " + child->name + " is already a " +
                       (child->folder ? "folder" : "file"));
            return nullptr;
        }
        node = child;
    }
    if (!node->folder && folder) return nullptr;
    return node;
}

// drive, a backslash, and the components (the first `existing` of them by their nodes' long names).
void Join(const std::string& drive, const std::vector<std::string_view>& components, const std::vector<Node*>& existing,
          std::string* text) {
    size_t length = drive.size() + 1;
    for (const std::string_view component : components) length += component.size() + 1;
    for (const Node* node : existing) length += node->name.size();
    text->clear();
    text->reserve(length);
    *text += drive;
    *text += '\\';
    for (size_t i = 0; i < components.size(); ++i) {
        if (i > 0) *text += '\\';
        if (i < existing.size())
            *text += existing[i]->name;
        else
            *text += components[i];
    }
}

// A name made of UTF-8 sequences, some of them multibyte: how a Linux host spells a
// non-ASCII name. A name in the ANSI code page (a Windows host) is never valid UTF-8 but
// in contrived cases, and stays as it is.
bool IsMultibyteUtf8(const std::string& name) {
    bool multibyte = false;
    for (size_t i = 0; i < name.size();) {
        const unsigned char lead = static_cast<unsigned char>(name[i]);
        const size_t length = lead < 0x80 ? 1 : lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
        if (length == 0 || i + length > name.size()) return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(name[i + k]) & 0xC0) != 0x80) return false;
        multibyte = multibyte || length > 1;
        i += length;
    }
    return multibyte;
}

// Adds the host folder's files and folders below folder, recursively.
bool LoadHostFolder(Node* folder, const std::string& host) {
    DIR* listing = opendir(host.c_str());
    if (listing == nullptr) {
        AddFailure("cannot read the host folder \"" + host + "\"");
        return false;
    }
    std::vector<std::string> names;
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(listing);
    bool loaded = true;
    for (const std::string& hostName : names) {
        const std::string path = host + "/" + hostName;
        struct stat info;
        if (stat(path.c_str(), &info) != 0) continue;  // a dangling link: nothing Windows would see
        const bool isFolder = S_ISDIR(info.st_mode);
        if (!isFolder && !S_ISREG(info.st_mode)) continue;
        const std::string name = IsMultibyteUtf8(hostName) ? Utf8ToAnsi(hostName) : hostName;
        std::unique_ptr<Node>& slot = folder->children[FoldKey(name)];
        if (slot) {
            // Two host names that differ only in letter case are one name on Windows.
            AddFailure("\"" + path + "\" and \"" + slot->name + "\" are one name on Windows; the second is left out");
            loaded = false;
            continue;
        }
        slot.reset(new Node);
        slot->name = name;
        slot->folder = isFolder;
        if (isFolder)
            loaded = LoadHostFolder(slot.get(), path) && loaded;
        else
            slot->hostPath = path;
    }
    return loaded;
}

// Code page 437, 0x80 to 0xFF.
const unsigned short kOem437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

// Code page 1252, 0x80 to 0x9F; the five unassigned bytes map to the C1 controls, as Windows does.
const unsigned short kAnsi1252Special[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

// ---- Code pages ----

unsigned AnsiToUnicode(unsigned char c) {
    if (c >= 0x80 && c < 0xA0) return kAnsi1252Special[c - 0x80];
    return c;
}

unsigned OemToUnicode(unsigned char c) { return c < 0x80 ? c : kOem437High[c - 0x80]; }

int UnicodeToAnsi(unsigned codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) return static_cast<int>(codePoint);
    for (int i = 0; i < 32; ++i)
        if (kAnsi1252Special[i] == codePoint) return 0x80 + i;
    return -1;
}

unsigned char FoldAnsi(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
    switch (c) {
        case 0x9A: return 0x8A;  // š
        case 0x9C: return 0x8C;  // œ
        case 0x9E: return 0x8E;  // ž
        case 0xFF: return 0x9F;  // ÿ
        default: return c;
    }
}

std::string FoldKey(const std::string& text) {
    std::string folded = text;
    for (char& c : folded) c = static_cast<char>(FoldAnsi(static_cast<unsigned char>(c)));
    return folded;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAnsi(static_cast<unsigned char>(a[i])) != FoldAnsi(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

std::string WideToAnsi(const WCHAR* text) {
    std::string out;
    if (text == nullptr) return out;
    for (; *text != 0; ++text) {
        const int c = UnicodeToAnsi(static_cast<unsigned>(*text));
        out += c < 0 ? '?' : static_cast<char>(c);
    }
    return out;
}

std::string Utf8ToAnsi(const std::string& bytes) {
    std::string out;
    for (size_t i = 0; i < bytes.size();) {
        const unsigned char lead = static_cast<unsigned char>(bytes[i]);
        unsigned codePoint = lead;
        size_t length = 1;
        if (lead >= 0xF0) {
            length = 4;
            codePoint = lead & 0x07;
        } else if (lead >= 0xE0) {
            length = 3;
            codePoint = lead & 0x0F;
        } else if (lead >= 0xC0) {
            length = 2;
            codePoint = lead & 0x1F;
        } else if (lead >= 0x80) {
            out += '?';
            ++i;
            continue;
        }
        bool valid = i + length <= bytes.size();
        for (size_t k = 1; valid && k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) valid = false;
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        if (!valid) {
            out += '?';
            ++i;
            continue;
        }
        const int c = UnicodeToAnsi(codePoint);
        out += c < 0 ? '?' : static_cast<char>(c);
        i += length;
    }
    return out;
}

// ---- File system ----

unsigned long long FileSystemChangeCount() { return FileSystemChanges; }

bool LookUpPath(const std::string& path, FileLookup* result) {
    static ParsedPath parsed;  // kept between lookups (none is nested), as in MakeNode
    if (!ParsePath(path, &parsed)) return false;
    static const std::vector<Node*> none;
    Join(parsed.drive, parsed.components, none, &result->fullPath);
    result->trailingSeparator = parsed.trailingSeparator;
    result->content = nullptr;
    result->hostPath.clear();
    Node* node = FindDrive(parsed.drive);
    // The nodes of the components found, in a buffer kept between lookups.
    static std::vector<Node*> found;
    found.clear();
    result->kind = node != nullptr ? NodeKind::Folder : NodeKind::MissingFolder;
    for (size_t i = 0; i < parsed.components.size() && node != nullptr; ++i) {
        Node* child = FindChild(node, parsed.components[i]);
        if (child == nullptr) {
            const bool last = i + 1 == parsed.components.size();
            result->kind = last ? NodeKind::Missing : NodeKind::MissingFolder;
            node = nullptr;
            break;
        }
        found.push_back(child);
        node = child;
    }
    if (node != nullptr) {
        result->kind = node->folder ? NodeKind::Folder : NodeKind::File;
        if (!node->folder) {
            result->content = &node->content;
            result->hostPath = node->hostPath;
        }
    }
    Join(parsed.drive, parsed.components, found, &result->longPath);
    return true;
}

bool FileBytes(const FileLookup& found, std::string* bytes) {
    if (found.kind != NodeKind::File || found.content == nullptr) return false;
    if (found.hostPath.empty()) {
        *bytes = *found.content;
        return true;
    }
    FILE* file = fopen(found.hostPath.c_str(), "rb");
    if (file == nullptr) return false;
    bytes->clear();
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) bytes->append(chunk, got);
    const bool read = ferror(file) == 0;
    fclose(file);
    return read;
}

// ---- Environment ----

std::string ExpandEnvironment(const std::string& text) {
    // RtlExpandEnvironmentStrings: an undefined %NAME% stays with both signs, and a '%'
    // without a closing one is copied with the rest of the text.
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '%') {
            out += text[i++];
            continue;
        }
        const size_t close = text.find('%', i + 1);
        if (close == std::string::npos) {
            out += text.substr(i);
            break;
        }
        auto it = Kernel.environment.find(FoldKey(text.substr(i + 1, close - i - 1)));
        if (close > i + 1 && it != Kernel.environment.end())
            out += it->second.second;
        else
            out += text.substr(i, close - i + 1);
        i = close + 1;
    }
    return out;
}

DWORD CurrentVersion() { return Kernel.version; }

}  // namespace internal

// ---- Test-facing control ----

void SetVersion(DWORD version) { internal::Kernel.version = version; }
void SetModulePath(const char* path) { internal::Kernel.modulePath = path ? path : ""; }
void SetKeyDown(int virtualKey, bool down) {
    if (down)
        internal::Kernel.keysDown.insert(virtualKey);
    else
        internal::Kernel.keysDown.erase(virtualKey);
}
void SetRegisterClassExAvailable(bool available) { internal::Kernel.registerClassExAvailable = available; }

void AddFolder(const char* path) { internal::MakeNode(path, true); }

bool AddHostFolder(const char* windowsFolder, const char* hostFolder) {
    internal::Node* folder = internal::MakeNode(windowsFolder, true);
    if (folder == nullptr || hostFolder == nullptr) return false;
    return internal::LoadHostFolder(folder, hostFolder);
}

void AddFile(const char* path, const std::string& content) {
    internal::Node* node = internal::MakeNode(path, false);
    if (node != nullptr) node->content = content;
}

void RemoveFile(const char* path) {
    ++internal::FileSystemChanges;
    internal::ParsedPath parsed;
    if (path == nullptr || !internal::ParsePath(path, &parsed) || parsed.components.empty()) return;
    const std::string name(parsed.components.back());
    parsed.components.pop_back();
    internal::Node* parent = internal::FindNode(parsed);
    internal::Node* node = internal::FindChild(parent, name);
    if (node != nullptr) parent->children.erase(internal::FoldKey(node->name));
}

bool FileExistsInSim(const char* path) {
    internal::FileLookup found;
    return path != nullptr && internal::LookUpPath(path, &found) && found.kind == internal::NodeKind::File &&
           !found.trailingSeparator;
}

void SetShortName(const char* longPath, const char* alias) {
    internal::ParsedPath parsed;
    internal::Node* node = nullptr;
    if (longPath != nullptr && internal::ParsePath(longPath, &parsed) && !parsed.components.empty())
        node = internal::FindNode(parsed);
    if (node == nullptr) {
        internal::AddFailure(std::string("SetShortName: no such file or folder \"") + (longPath ? longPath : "<null>") +
                             "\"");
        return;
    }
    node->alias = alias ? alias : "";
    ++internal::FileSystemChanges;
}

std::string LongPath(const char* path) {
    internal::FileLookup found;
    if (path == nullptr || !internal::LookUpPath(path, &found)) return path != nullptr ? path : "";
    return found.longPath;
}

void SetEnvironmentVariable(const char* name, const char* value) {
    if (name == nullptr) return;
    if (value == nullptr)
        internal::Kernel.environment.erase(internal::FoldKey(name));
    else
        internal::Kernel.environment[internal::FoldKey(name)] = {name, value};
}

}  // namespace sim

using sim::internal::Kernel;
using sim::internal::PlannedFailure;

// ---- Version, module, key state ----

DWORD WINAPI GetVersion() {
    long long planned = 0;
    if (PlannedFailure("GetVersion", &planned)) return static_cast<DWORD>(planned);
    return Kernel.version;
}

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
    long long planned = 0;
    if (PlannedFailure("GetModuleFileNameA", &planned)) return static_cast<DWORD>(planned);
    // Any handle but the system modules' stands for this process: tests pass whatever
    // instance handle they like to the entry point.
    std::string path = Kernel.modulePath;
    if (module == sim::internal::kUser32) path = "C:\\WINDOWS\\SYSTEM32\\USER32.DLL";
    if (module == sim::internal::kKernel32) path = "C:\\WINDOWS\\SYSTEM32\\KERNEL32.DLL";
    if (buffer == nullptr || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (path.size() < size) {
        memcpy(buffer, path.c_str(), path.size() + 1);
        return static_cast<DWORD>(path.size());
    }
    // Too small: cut to size - 1 characters and terminated (XP and later), the size returned.
    memcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR name) {
    long long planned = 0;
    if (PlannedFailure("GetModuleHandleA", &planned))
        return reinterpret_cast<HMODULE>(static_cast<ULONG_PTR>(planned));
    if (name == nullptr) return sim::internal::kThisModule;
    const std::string module = sim::internal::FoldKey(name);
    if (module == "USER32" || module == "USER32.DLL") return sim::internal::kUser32;
    if (module == "KERNEL32" || module == "KERNEL32.DLL") return sim::internal::kKernel32;
    SetLastError(sim::internal::kErrorModNotFound);
    return nullptr;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name) {
    long long planned = 0;
    if (PlannedFailure("GetProcAddress", &planned))
        return reinterpret_cast<FARPROC>(static_cast<ULONG_PTR>(planned));
    // Export names match exactly, letter case included; a small value is an ordinal.
    if (module == sim::internal::kUser32 && reinterpret_cast<ULONG_PTR>(name) > 0xFFFF &&
        strcmp(name, "RegisterClassExA") == 0 && Kernel.registerClassExAvailable)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&RegisterClassExA));
    SetLastError(sim::internal::kErrorProcNotFound);
    return nullptr;
}

SHORT WINAPI GetAsyncKeyState(int key) {
    long long planned = 0;
    if (PlannedFailure("GetAsyncKeyState", &planned)) return static_cast<SHORT>(planned);
    const std::set<int>& down = Kernel.keysDown;
    bool held = down.count(key) != 0;
    // The generic shift and control keys report either of the left and right keys.
    if (key == VK_SHIFT) held = held || down.count(0xA0) || down.count(0xA1);
    if (key == VK_CONTROL) held = held || down.count(0xA2) || down.count(0xA3);
    return held ? static_cast<SHORT>(0x8000) : 0;
}

// ---- Files and paths ----

HFILE WINAPI OpenFile(LPCSTR path, LPOFSTRUCT info, UINT style) {
    using sim::internal::NodeKind;
    long long planned = 0;
    if (PlannedFailure("OpenFile", &planned)) return static_cast<HFILE>(planned);
    if (info == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return HFILE_ERROR;
    }
    memset(info, 0, sizeof(*info));
    info->cBytes = sizeof(OFSTRUCT);
    auto fail = [info](DWORD error) {
        info->nErrCode = static_cast<WORD>(error);
        SetLastError(error);
        return HFILE_ERROR;
    };
    if ((style & OF_EXIST) == 0) {
        sim::internal::AddFailure("OpenFile: only OF_EXIST is simulated");
        return fail(ERROR_INVALID_PARAMETER);
    }
    if (path == nullptr || path[0] == '\0') return fail(ERROR_FILE_NOT_FOUND);
    const std::string text = path;
    sim::internal::FileLookup found;
    if (text.find_first_of("\\/:") == std::string::npos) {
        // A bare name: the module's folder first, then the current folder.
        std::string moduleFolder = Kernel.modulePath;
        const size_t slash = moduleFolder.find_last_of('\\');
        moduleFolder = slash == std::string::npos ? std::string(sim::internal::kCurrentFolder)
                                                  : moduleFolder.substr(0, slash + 1);
        if (!sim::internal::LookUpPath(moduleFolder + text, &found) || found.kind != NodeKind::File)
            sim::internal::LookUpPath(std::string(sim::internal::kCurrentFolder) + text, &found);
    } else if (!sim::internal::LookUpPath(text, &found)) {
        return fail(ERROR_FILE_NOT_FOUND);
    }
    // The full path must fit OFSTRUCT.szPathName with its terminator, or the call fails
    // whether the file exists or not.
    std::string full = found.fullPath;
    if (found.trailingSeparator) full += '\\';
    // The drive letter stays as written (seen under Wine: "c:\\..." is not upper-cased).
    if (text.size() >= 2 && text[1] == ':' && !full.empty() && toupper(static_cast<unsigned char>(full[0])) ==
                                                                    toupper(static_cast<unsigned char>(text[0])))
        full[0] = text[0];
    if (full.size() >= OFS_MAXPATHNAME) return fail(sim::internal::kErrorInvalidData);
    memcpy(info->szPathName, full.c_str(), full.size() + 1);
    info->fFixedDisk = toupper(static_cast<unsigned char>(full[0])) == 'C' ? 1 : 0;
    if (found.kind == NodeKind::Folder) return fail(ERROR_ACCESS_DENIED);
    if (found.kind != NodeKind::File || found.trailingSeparator) return fail(ERROR_FILE_NOT_FOUND);
    return 1;  // OF_EXIST: TRUE, not a handle; the file is closed again
}

DWORD WINAPI GetFileAttributesA(LPCSTR path) {
    using sim::internal::NodeKind;
    long long planned = 0;
    if (PlannedFailure("GetFileAttributesA", &planned)) return static_cast<DWORD>(planned);
    sim::internal::FileLookup found;
    if (path == nullptr || path[0] == '\0' || !sim::internal::LookUpPath(path, &found)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    if (strlen(path) >= sim::internal::kMaxPath) {
        SetLastError(sim::internal::kErrorFilenameExcedRange);
        return INVALID_FILE_ATTRIBUTES;
    }
    switch (found.kind) {
        case NodeKind::Folder: return FILE_ATTRIBUTE_DIRECTORY;
        case NodeKind::File:
            if (!found.trailingSeparator) return FILE_ATTRIBUTE_ARCHIVE;
            SetLastError(sim::internal::kErrorInvalidName);
            return INVALID_FILE_ATTRIBUTES;
        case NodeKind::Missing: SetLastError(ERROR_FILE_NOT_FOUND); return INVALID_FILE_ATTRIBUTES;
        case NodeKind::MissingFolder: SetLastError(ERROR_PATH_NOT_FOUND); return INVALID_FILE_ATTRIBUTES;
    }
    return INVALID_FILE_ATTRIBUTES;
}

DWORD WINAPI GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size) {
    using namespace sim::internal;
    long long planned = 0;
    if (PlannedFailure("GetShortPathNameA", &planned)) return static_cast<DWORD>(planned);
    if (longPath == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string text = longPath;
    if (text.empty()) {
        SetLastError(kErrorBadPathname);
        return 0;
    }
    // Walk the path as written: the prefix and the separators stay, a relative path stays
    // relative, and each existing component becomes its alias when it has one.
    std::string out;
    size_t i = 0;
    std::vector<Node*> folders;  // the folders walked through, for ".."
    if (text.size() >= 2 && text[1] == ':' && isalpha(static_cast<unsigned char>(text[0]))) {
        out = text.substr(0, 2);
        i = 2;
        folders.push_back(FindDrive(text.substr(0, 2)));
    } else if (text.size() >= 2 && IsSeparator(text[0]) && IsSeparator(text[1])) {
        SetLastError(ERROR_FILE_NOT_FOUND);  // UNC names are not simulated
        return 0;
    } else {
        ParsedPath current;
        ParsePath(kCurrentFolder, &current);
        folders.push_back(FindNode(current));
    }
    if (folders.back() == nullptr) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    while (i < text.size()) {
        if (IsSeparator(text[i])) {
            out += text[i++];
            continue;
        }
        size_t end = i;
        while (end < text.size() && !IsSeparator(text[end])) ++end;
        const std::string component = text.substr(i, end - i);
        i = end;
        if (component == ".") {
        } else if (component == "..") {
            if (folders.size() > 1) folders.pop_back();
        } else {
            Node* child = FindChild(folders.back(), component);
            if (child == nullptr) {
                SetLastError(ERROR_FILE_NOT_FOUND);
                return 0;
            }
            folders.push_back(child);
            out += child->alias.empty() ? component : child->alias;
            continue;
        }
        out += component;
    }
    const DWORD length = static_cast<DWORD>(out.size());
    if (shortPath == nullptr || size <= length) return length + 1;  // the size needed, buffer untouched
    memcpy(shortPath, out.c_str(), out.size() + 1);
    return length;
}

// ---- Environment, code pages, comparison ----

DWORD WINAPI ExpandEnvironmentStringsA(LPCSTR source, LPSTR destination, DWORD size) {
    long long planned = 0;
    if (PlannedFailure("ExpandEnvironmentStringsA", &planned)) return static_cast<DWORD>(planned);
    const std::string expanded = sim::internal::ExpandEnvironment(source ? source : "");
    const DWORD needed = static_cast<DWORD>(expanded.size() + 1);
    // The ANSI form wants a buffer larger than the result with its terminator; otherwise
    // it empties the buffer and over-reports the size by one, as Windows does.
    if (destination != nullptr && size > needed) {
        memcpy(destination, expanded.c_str(), needed);
        return needed;
    }
    if (destination != nullptr && size > 0) destination[0] = '\0';
    return needed + 1;
}

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceLength, LPWSTR destination,
                               int destinationLength) {
    long long planned = 0;
    if (PlannedFailure("MultiByteToWideChar", &planned)) return static_cast<int>(planned);
    (void)flags;  // a single-byte code page has no invalid sequence to flag
    const bool ansi = codePage == CP_ACP || codePage == 1252;
    const bool oem = codePage == CP_OEMCP || codePage == 437;
    if ((!ansi && !oem) || source == nullptr || sourceLength == 0 || sourceLength < -1 || destinationLength < 0 ||
        (destination == nullptr && destinationLength > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // A length of -1 takes the text with its terminator, which the count then includes.
    const size_t count = sourceLength == -1 ? strlen(source) + 1 : static_cast<size_t>(sourceLength);
    if (destinationLength == 0) return static_cast<int>(count);
    if (count > static_cast<size_t>(destinationLength)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    for (size_t i = 0; i < count; ++i) {
        const unsigned char c = static_cast<unsigned char>(source[i]);
        destination[i] = static_cast<WCHAR>(ansi ? sim::internal::AnsiToUnicode(c) : sim::internal::OemToUnicode(c));
    }
    return static_cast<int>(count);
}

int WINAPI lstrcmpiA(LPCSTR a, LPCSTR b) {
    long long planned = 0;
    if (PlannedFailure("lstrcmpiA", &planned)) return static_cast<int>(planned);
    if (a == nullptr || b == nullptr) return a == b ? 0 : (a == nullptr ? -1 : 1);
    // Byte order after folding the case of code page 1252; Windows sorts by the locale,
    // which agrees for letters, digits and the signs of paths.
    for (size_t i = 0;; ++i) {
        const unsigned char x = sim::internal::FoldAnsi(static_cast<unsigned char>(a[i]));
        const unsigned char y = sim::internal::FoldAnsi(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
        if (x == 0) return 0;
    }
}
