// The simulated file system: drives, folders and files with 8.3 aliases, host folders as drives, and the file calls.
//
// Choices where Windows leaves room or the simulation must pick one:
// - The current folder is D:\ (the disc's root, where AutoPlay starts the launcher) until
//   SetCurrentDirectoryW names another; relative paths resolve against it. OpenFile looks for a bare name in the folder of
//   the module, then in the current folder, as SearchPath does first.
// - Folders and files have no 8.3 alias unless a test gives one (sim::SetShortName), as
//   on a volume without short names: GetShortPathNameA then keeps the long component.
// - Every drive letter exists, as an empty root until a test adds files to it.
// - GetFileAttributesA, an ANSI call, refuses paths of MAX_PATH (260) characters or more.
// - A folder of the host loaded as a drive (sim::AddHostFolder) keeps its files on the host:
//   their bytes are read when a profile read needs them, so a change shows at the next read.
#include <ctype.h>
#include <dirent.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <map>
#include <memory>
#include <vector>

#include "sim_kernel.h"

namespace sim {
namespace internal {

unsigned long long FileSystemChanges = 0;

namespace {

struct Node;
using Children = std::map<std::string, std::unique_ptr<Node>>;

struct Node {
    std::string name;   // the long name as the test wrote it
    std::string alias;  // the 8.3 alias, "" for none
    bool folder = false;
    std::string content;
    std::string hostPath;  // a file loaded from the host: its bytes live there
    Children children;     // by folded long name
};

struct FileSystemState {
    Children drives;  // "D:" -> its root, made when first looked up
    std::string current = "D:\\";  // the current folder, ending in a backslash
    // Entries a reset took out of the folders, each with its node, emptied: new files and
    // folders are made of them, so a run that adds no more than an earlier one allocates
    // nothing for its files (the map entry, the node and the names were new each time).
    std::vector<Children::node_type> spare;
};

FileSystemState FileSystem;

constexpr DWORD kErrorInvalidName = 123;
constexpr DWORD kErrorDirectory = 267;
constexpr DWORD kErrorBadPathname = 161;
constexpr DWORD kErrorInvalidData = 13;
constexpr DWORD kErrorFilenameExcedRange = 206;
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
bool ParsePath(std::string_view path, ParsedPath* parsed) {
    if (path.empty()) return false;
    if (path.size() >= 2 && path[1] == ':' && isalpha(static_cast<unsigned char>(path[0]))) {
        parsed->drive.assign(1, static_cast<char>(toupper(static_cast<unsigned char>(path[0]))));
        parsed->drive += ':';
        parsed->text.assign(path.substr(2));  // the current folder of every drive is its root
    } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        return false;  // UNC names are not simulated
    } else if (IsSeparator(path[0])) {
        parsed->drive.assign(CurrentFolder(), 2);
        parsed->text = path;
    } else {
        parsed->drive.assign(CurrentFolder(), 2);
        parsed->text = CurrentFolder() + 2;
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
Node* FindDrive(std::string_view drive) {
    std::unique_ptr<Node>& root = FileSystem.drives[FoldedInBuffer(drive)];
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

// A new entry of folder, which has none of this name: a spare one when there is one.
Node* NewChild(Node* folder, std::string_view name, bool isFolder) {
    std::vector<Children::node_type>& spare = FileSystem.spare;
    Node* child;
    if (spare.empty()) {
        std::unique_ptr<Node>& slot = folder->children[FoldedInBuffer(name)];
        slot.reset(new Node);
        child = slot.get();
    } else {
        Children::node_type entry = std::move(spare.back());
        spare.pop_back();
        entry.key() = FoldedInBuffer(name);
        child = entry.mapped().get();
        folder->children.insert(std::move(entry));
    }
    child->name = name;
    child->folder = isFolder;
    return child;
}

// Takes every entry below folder out into the spares, each node emptied.
void Dismantle(Node* folder) {
    Children& children = folder->children;
    while (!children.empty()) {
        Children::node_type entry = children.extract(children.begin());
        Node& node = *entry.mapped();
        Dismantle(&node);
        KeepOnHeap(entry.key());
        KeepOnHeap(node.name);
        node.name.clear();
        node.alias.clear();
        node.folder = false;
        // The content goes: it is handed over whole by AddFile, and an entry holding an
        // earlier run's content for a file of two bytes would only look like a leak.
        node.content.clear();
        node.content.shrink_to_fit();
        node.hostPath.clear();
        FileSystem.spare.push_back(std::move(entry));
    }
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
            child = NewChild(node, parsed.components[i], wantFolder);
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
        if (i < existing.size()) *text += existing[i]->name;
        else *text += components[i];
    }
}

// A name made of UTF-8 sequences, some of them multibyte: how a Linux host spells a
// non-ASCII name. A name in the ANSI code page (a Windows host) is never valid UTF-8 but
// in contrived cases, and stays as it is.
bool IsMultibyteUtf8(const std::string& name) {
    bool multibyte = false;
    for (size_t i = 0; i < name.size();) {
        const unsigned char lead = static_cast<unsigned char>(name[i]);
        const size_t length = lead < 0x80                   ? 1
                              : lead >= 0xF0 && lead < 0xF5 ? 4
                              : lead >= 0xE0                ? 3
                              : lead >= 0xC2                ? 2
                                                            : 0;
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
        // A character outside the ANSI code page keeps its Unicode form, as NTFS and the CD
        // file systems name it: the ANSI calls see '?' and find nothing by that name.
        const std::string name = IsMultibyteUtf8(hostName) ? InternalFromUtf8(hostName) : hostName;
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
        if (isFolder) loaded = LoadHostFolder(slot.get(), path) && loaded;
        else slot->hostPath = path;
    }
    return loaded;
}

}  // namespace

const char* CurrentFolder() { return FileSystem.current.c_str(); }

void ResetFileSystem() {
    FileSystem.current = "D:\\";
    // The drives' roots stay, emptied: every drive exists anyway (made when first looked
    // up), and each run would otherwise make the same two or three again.
    for (auto& drive : FileSystem.drives) {
        Dismantle(drive.second.get());
        drive.second->alias.clear();
        drive.second->content.clear();
        drive.second->hostPath.clear();
    }
    ++FileSystemChanges;
}

bool LookUpPath(const std::string& path, FileLookup* result) {
    static ParsedPath parsed;  // kept between lookups (none is nested), as in MakeNode
    if (!ParsePath(path, &parsed)) {
        // Nothing found: a lookup kept by its caller for the next call holds no stale result.
        result->kind = NodeKind::Missing;
        result->fullPath.clear();
        result->longPath.clear();
        result->trailingSeparator = false;
        result->content = nullptr;
        result->hostPath.clear();
        return false;
    }
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

}  // namespace internal

void AddFolder(const char* path) { internal::MakeNode(path, true); }

bool AddHostFolder(const char* windowsFolder, const char* hostFolder) {
    internal::Node* folder = internal::MakeNode(windowsFolder, true);
    if (folder == nullptr || hostFolder == nullptr) return false;
    return internal::LoadHostFolder(folder, hostFolder);
}

void AddFile(const char* path, std::string content) {
    internal::Node* node = internal::MakeNode(path, false);
    if (node != nullptr) node->content = std::move(content);
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
    static internal::FileLookup found;  // kept between calls, as in OpenFile
    return path != nullptr && internal::LookUpPath(path, &found) && found.kind == internal::NodeKind::File &&
           !found.trailingSeparator;
}

bool FileContent(const char* path, std::string* bytes) {
    static internal::FileLookup found;  // kept between calls, as in OpenFile
    return path != nullptr && internal::LookUpPath(path, &found) && internal::FileBytes(found, bytes);
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
    static internal::FileLookup found;  // kept between calls, as in OpenFile
    if (path == nullptr || !internal::LookUpPath(path, &found)) return path != nullptr ? path : "";
    return found.longPath;
}

}  // namespace sim

using sim::internal::PlannedFailure;

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
    // Kept between calls (none is nested): the launcher tests a file's existence several
    // times a run, and each lookup's paths were new strings.
    static std::string text, candidate, full;
    static sim::internal::FileLookup found;
    text = path;
    if (text.find_first_of("\\/:") == std::string::npos) {
        // A bare name: the module's folder first, then the current folder.
        const std::string& modulePath = sim::internal::Process.modulePath;
        const size_t slash = modulePath.find_last_of('\\');
        if (slash == std::string::npos) candidate = sim::internal::CurrentFolder();
        else candidate.assign(modulePath, 0, slash + 1);
        candidate += text;
        if (!sim::internal::LookUpPath(candidate, &found) || found.kind != NodeKind::File) {
            candidate = sim::internal::CurrentFolder();
            candidate += text;
            sim::internal::LookUpPath(candidate, &found);
        }
    } else if (!sim::internal::LookUpPath(text, &found)) {
        return fail(ERROR_FILE_NOT_FOUND);
    }
    // The full path must fit OFSTRUCT.szPathName with its terminator, or the call fails
    // whether the file exists or not.
    full = found.fullPath;
    if (found.trailingSeparator) full += '\\';
    // The drive letter stays as written (seen under Wine: "c:\\..." is not upper-cased).
    if (text.size() >= 2 && text[1] == ':' && !full.empty() &&
        toupper(static_cast<unsigned char>(full[0])) == toupper(static_cast<unsigned char>(text[0])))
        full[0] = text[0];
    if (full.size() >= OFS_MAXPATHNAME) return fail(sim::internal::kErrorInvalidData);
    // The file is found by its full path in Unicode, then opened by that path in ANSI: where a
    // folder is named outside the code page (reached through a relative path), the ANSI path
    // has '?' in it and the open fails as for an invalid name (seen under Wine).
    const bool lost = full.find(sim::internal::kWideMark) != std::string::npos;
    if (lost) full = sim::internal::AnsiFromInternal(full);
    memcpy(info->szPathName, full.c_str(), full.size() + 1);
    info->fFixedDisk = toupper(static_cast<unsigned char>(full[0])) == 'C' ? 1 : 0;
    if (lost && (found.kind == NodeKind::File || found.kind == NodeKind::Folder) && !found.trailingSeparator)
        return fail(ERROR_INVALID_NAME);
    if (found.kind == NodeKind::Folder) return fail(ERROR_ACCESS_DENIED);
    if (found.kind != NodeKind::File || found.trailingSeparator) return fail(ERROR_FILE_NOT_FOUND);
    return 1;  // OF_EXIST: TRUE, not a handle; the file is closed again
}

DWORD WINAPI GetFileAttributesA(LPCSTR path) {
    using sim::internal::NodeKind;
    long long planned = 0;
    if (PlannedFailure("GetFileAttributesA", &planned)) return static_cast<DWORD>(planned);
    static sim::internal::FileLookup found;  // kept between calls, as in OpenFile
    if (path == nullptr || path[0] == '\0' || !sim::internal::LookUpPath(path, &found)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    if (strlen(path) >= sim::internal::kMaxPath) {
        SetLastError(sim::internal::kErrorFilenameExcedRange);
        return INVALID_FILE_ATTRIBUTES;
    }
    switch (found.kind) {
        case NodeKind::Folder:
            return FILE_ATTRIBUTE_DIRECTORY;
        case NodeKind::File:
            if (!found.trailingSeparator) return FILE_ATTRIBUTE_ARCHIVE;
            SetLastError(ERROR_INVALID_NAME);
            return INVALID_FILE_ATTRIBUTES;
        case NodeKind::Missing:
            SetLastError(ERROR_FILE_NOT_FOUND);
            return INVALID_FILE_ATTRIBUTES;
        case NodeKind::MissingFolder:
            SetLastError(ERROR_PATH_NOT_FOUND);
            return INVALID_FILE_ATTRIBUTES;
    }
    return INVALID_FILE_ATTRIBUTES;
}

namespace {

// The short form of a path in the simulation's text, walked as written: the prefix and the
// separators stay, a relative path stays relative, and each existing component becomes its
// alias when it has one. 0 and *out untouched on failure (the error is set).
bool ShortPathOf(std::string_view text, std::string* out) {
    using namespace sim::internal;
    if (text.empty()) {
        SetLastError(kErrorBadPathname);
        return false;
    }
    // The buffers are kept between calls, as in OpenFile.
    static std::string built;
    static std::vector<Node*> folders;  // the folders walked through, for ".."
    built.clear();
    folders.clear();
    size_t i = 0;
    if (text.size() >= 2 && text[1] == ':' && isalpha(static_cast<unsigned char>(text[0]))) {
        built.assign(text.substr(0, 2));
        i = 2;
        folders.push_back(FindDrive(text.substr(0, 2)));
    } else if (text.size() >= 2 && IsSeparator(text[0]) && IsSeparator(text[1])) {
        SetLastError(ERROR_FILE_NOT_FOUND);  // UNC names are not simulated
        return false;
    } else {
        static ParsedPath current;
        ParsePath(CurrentFolder(), &current);
        folders.push_back(FindNode(current));
    }
    if (folders.back() == nullptr) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    // A wildcard is no character of a name: a path with one (the ANSI form of a name outside
    // the code page has '?') is refused as invalid wherever it is, not looked for (seen under Wine).
    if (text.find_first_of("?*", i) != std::string_view::npos) {
        SetLastError(kErrorInvalidName);
        return false;
    }
    while (i < text.size()) {
        if (IsSeparator(text[i])) {
            built += text[i++];
            continue;
        }
        size_t end = i;
        while (end < text.size() && !IsSeparator(text[end])) ++end;
        const std::string_view component = text.substr(i, end - i);
        i = end;
        if (component == ".") {
        } else if (component == "..") {
            if (folders.size() > 1) folders.pop_back();
        } else {
            Node* child = FindChild(folders.back(), component);
            if (child == nullptr) {
                SetLastError(ERROR_FILE_NOT_FOUND);
                return false;
            }
            folders.push_back(child);
            if (child->alias.empty()) built += component;
            else built += child->alias;
            continue;
        }
        built += component;
    }
    *out = built;
    return true;
}

}  // namespace

DWORD WINAPI GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size) {
    long long planned = 0;
    if (PlannedFailure("GetShortPathNameA", &planned)) return static_cast<DWORD>(planned);
    if (longPath == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    static std::string out;
    if (!ShortPathOf(longPath, &out)) return 0;
    const DWORD length = static_cast<DWORD>(out.size());
    if (shortPath == nullptr || size <= length) return length + 1;  // the size needed, buffer untouched
    memcpy(shortPath, out.c_str(), out.size() + 1);
    return length;
}

// As the A form, in UTF-16; the result may be written over the source (Windows allows it).
DWORD WINAPI GetShortPathNameW(LPCWSTR longPath, LPWSTR shortPath, DWORD size) {
    long long planned = 0;
    if (PlannedFailure("GetShortPathNameW", &planned)) return static_cast<DWORD>(planned);
    if (sim::internal::UnicodeCallOn95()) return 0;
    if (longPath == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    static std::string out;
    if (!ShortPathOf(sim::internal::InternalFromWide(longPath, sim::internal::WideLength(longPath)), &out)) return 0;
    const std::u16string wide = sim::internal::WideFromInternal(out);
    const DWORD length = static_cast<DWORD>(wide.size());
    if (shortPath == nullptr || size <= length) return length + 1;
    memcpy(shortPath, wide.c_str(), (wide.size() + 1) * sizeof(WCHAR));
    return length;
}

BOOL WINAPI SetCurrentDirectoryW(LPCWSTR path) {
    using namespace sim::internal;
    long long planned = 0;
    if (PlannedFailure("SetCurrentDirectoryW", &planned)) return static_cast<BOOL>(planned);
    if (UnicodeCallOn95()) return FALSE;
    static FileLookup found;  // kept between calls, as in OpenFile
    if (path == nullptr || !LookUpPath(InternalFromWide(path, WideLength(path)), &found) ||
        found.kind != NodeKind::Folder) {
        SetLastError(found.kind == NodeKind::File ? kErrorDirectory : ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    // The folder as the caller wrote it, made full, with a trailing backslash.
    FileSystem.current = found.fullPath;
    if (FileSystem.current.back() != '\\') FileSystem.current += '\\';
    AddTrace({"SetCurrentDirectoryW ", FileSystem.current});
    return TRUE;
}
