// Pressing the image with xorriso beside the output, and reading it back with xorriso: its Joliet names, as
// Windows finds the files, and its plain ISO 9660 names, as a system that reads no Joliet finds them.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <set>

#include "disc_autorun.h"
#include "disc_image.h"
#include "disc_text.h"
#include "platform/windows_api.h"

extern char** environ;

namespace {

constexpr size_t kVolumeNameLimit = 32;  // ISO 9660's volume identifier

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string BaseName(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The name of a file in folder that equals name ignoring letter case, or "".
std::string FindInFolder(const std::string& folder, const std::string& name) {
    std::string found;
    if (DIR* listing = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(listing))
            if (Upper(entry->d_name) == Upper(name)) found = entry->d_name;
        closedir(listing);
    }
    return found;
}

// A UTF-8 name (the image's Joliet names as xorriso lists them) in the ANSI code page of the
// simulated Windows, '?' for a character it lacks, as the launcher's ANSI calls see the disc.
std::string AnsiName(const std::string& utf8) {
    static std::map<unsigned, char> ansi;
    if (ansi.empty())
        for (int byte = 1; byte < 256; ++byte) {
            const char c = static_cast<char>(byte);
            WCHAR wide = 0;
            if (MultiByteToWideChar(CP_ACP, 0, &c, 1, &wide, 1) == 1) ansi[wide] = c;
        }
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        const size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        unsigned codePoint = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (size_t k = 1; k < length && i + k < utf8.size(); ++k)
            codePoint = (codePoint << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        const auto found = ansi.find(codePoint);
        out += found == ansi.end() || (lead >= 0x80 && lead < 0xC0) ? '?' : found->second;
        i += length;
    }
    return out;
}

// Runs xorriso with args, its standard output to outputFile and its messages to logFile;
// true when it ran and succeeded.
bool RunXorriso(const std::vector<std::string>& args, const std::string& outputFile, const std::string& logFile,
                std::string* err) {
    std::vector<char*> argv;
    std::vector<std::string> all = {"xorriso", "-no_rc"};
    all.insert(all.end(), args.begin(), args.end());
    for (std::string& a : all) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t child;
    const int spawned = posix_spawnp(&child, "xorriso", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        *err += "image: cannot run xorriso (" + std::string(strerror(spawned)) + "); scripts/deps installs it\n";
        return false;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    *err += "image: xorriso failed:\n" + ReadFile(logFile);
    return false;
}

// The paths of a listing of xorriso's -find: each line one path, quoted as for a shell
// ('it'"'"'s.txt'). Relative to the root, with backslashes; plain ISO 9660 names without their
// version (";1") and without the dot of a name that has no extension.
std::vector<std::string> ListedPaths(const std::string& listing, bool joliet) {
    std::vector<std::string> paths;
    size_t start = 0;
    while (start < listing.size()) {
        size_t end = listing.find('\n', start);
        if (end == std::string::npos) end = listing.size();
        const std::string line = listing.substr(start, end - start);
        start = end + 1;
        if (line.empty() || (line[0] != '\'' && line[0] != '"')) continue;
        std::string path;
        for (size_t i = 0; i < line.size();) {
            const char quote = line[i];
            const size_t close = line.find(quote, i + 1);
            if ((quote != '\'' && quote != '"') || close == std::string::npos) break;
            path += line.substr(i + 1, close - i - 1);
            i = close + 1;
        }
        if (path.empty() || path[0] != '/') continue;
        path.erase(0, 1);
        if (!joliet) {
            const size_t version = path.rfind(';');
            if (version != std::string::npos) path.erase(version);
            if (!path.empty() && path.back() == '.') path.pop_back();  // "README." has no extension
        }
        for (char& c : path)
            if (c == '/') c = '\\';
        paths.push_back(joliet ? AnsiName(path) : path);
    }
    return paths;
}

bool SameName(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

// Characters from the start that two names share, letter case ignored.
size_t SharedStart(const std::string& a, const std::string& b) {
    size_t n = 0;
    while (n < a.size() && n < b.size() && Upper(a.substr(n, 1)) == Upper(b.substr(n, 1))) ++n;
    return n;
}

// The image's files by folder, looked up as Windows looks a path up: component by component,
// letter case ignored.
class Tree {
public:
    explicit Tree(const std::vector<std::string>& files) {
        for (const std::string& file : files) {
            files_.insert(file);
            std::string parent;
            size_t from = 0;
            for (size_t slash = file.find('\\'); ; slash = file.find('\\', from)) {
                const std::string name = file.substr(from, slash == std::string::npos ? std::string::npos : slash - from);
                std::vector<std::string>& names = children_[parent];
                if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
                parent += (parent.empty() ? "" : "\\") + name;
                if (slash == std::string::npos) break;
                from = slash + 1;
            }
        }
    }

    // True with the image's spelling when path is a file of the image; else false, with the
    // path the image most likely holds in its place ("" when none).
    bool Resolve(const std::string& path, std::string* spelling) const {
        std::vector<std::string> parts;
        size_t from = 0;
        for (size_t slash = path.find('\\'); ; slash = path.find('\\', from)) {
            parts.push_back(path.substr(from, slash == std::string::npos ? std::string::npos : slash - from));
            if (slash == std::string::npos) break;
            from = slash + 1;
        }
        std::string current;
        size_t matched = 0;
        for (; matched < parts.size(); ++matched) {
            const std::string name = Child(current, parts[matched], false);
            if (name.empty()) break;
            current += (current.empty() ? "" : "\\") + name;
        }
        if (matched == parts.size() && files_.count(current) != 0) {
            *spelling = current;
            return true;
        }
        // A name the image cut, or mangled: the entry that starts alike, at each level below.
        for (; matched < parts.size(); ++matched) {
            const std::string name = Child(current, parts[matched], true);
            if (name.empty()) {
                current.clear();
                break;
            }
            current += (current.empty() ? "" : "\\") + name;
        }
        *spelling = files_.count(current) != 0 ? current : std::string();
        return false;
    }

private:
    std::string Child(const std::string& folder, const std::string& name, bool alike) const {
        const auto found = children_.find(folder);
        if (found == children_.end()) return std::string();
        std::string best;
        size_t bestShared = 0;
        for (const std::string& child : found->second) {
            if (!alike) {
                if (SameName(child, name)) return child;
                continue;
            }
            const size_t shared = SharedStart(child, name);
            if (shared > bestShared && (2 * shared >= name.size() || EditDistance(child, name) <= 3)) {
                best = child;
                bestShared = shared;
            }
        }
        return best;
    }

    std::set<std::string> files_;
    std::map<std::string, std::vector<std::string>> children_;  // folder ("" the root) -> its entries
};

std::string Quoted(const std::string& text) { return "\"" + OneLine(text) + "\""; }

// "RunProgram32 (Windows 95/98) ", "the launcher " ...: who asks for the file.
std::string Naming(const DiscFile& file) {
    if (file.key == "(launcher)") return "the launcher ";
    if (file.key == "(settings file)") return "the settings file ";
    if (file.key == "(icon)") return "AUTORUN.INF's icon ";
    if (file.key == "(open)" || file.key == "(shellexecute)")
        return "AUTORUN.INF's " + file.key.substr(1, file.key.size() - 2) + "= ";
    return file.key + " (" + file.family + ") ";
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The disc's file (relative to folder) that is target under another name, or "".
std::string FindSameFile(const std::string& folder, const struct stat& target, const std::string& prefix = "") {
    std::string found;
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr) return found;
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "/" + name;
        struct stat link, info;
        if (lstat(path.c_str(), &link) != 0 || stat(path.c_str(), &info) != 0) continue;
        if (SameFile(info, target)) found = prefix + name;
        else if (S_ISDIR(link.st_mode)) found = FindSameFile(path, target, prefix + name + "/");
        if (!found.empty()) break;
    }
    closedir(listing);
    return found;
}

// The image being pressed, a file beside the output; removed unless it was put in place.
struct PendingImage {
    std::string path;
    explicit PendingImage(const std::string& output) {
        std::string pattern = output + ".pressing-XXXXXX";
        const int descriptor = mkstemp(&pattern[0]);
        if (descriptor < 0) return;
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(descriptor, 0666 & ~mask);  // as any file the user writes, not mkstemp's 0600
        close(descriptor);
        path = pattern;
    }
    ~PendingImage() {
        if (!path.empty()) remove(path.c_str());
    }
};

struct TemporaryFolder {
    std::string path;
    std::vector<std::string> files;
    TemporaryFolder() {
        const char* base = getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr && base[0] != '\0' ? base : "/tmp") + "/tavio-disc-XXXXXX";
        if (mkdtemp(&pattern[0]) != nullptr) path = pattern;
    }
    std::string File(const std::string& name) {
        files.push_back(path + "/" + name);
        return files.back();
    }
    ~TemporaryFolder() {
        for (const std::string& file : files) remove(file.c_str());
        if (!path.empty()) rmdir(path.c_str());
    }
};

}  // namespace

bool PressImage(const ImageRequest& request, ImageResult* result, std::string* out, std::string* err) {
    *result = ImageResult();
    std::string folder = request.discFolder;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    std::string label = request.label;
    if (label.empty()) {
        char resolved[PATH_MAX];
        label = Upper(BaseName(realpath(folder.c_str(), resolved) != nullptr ? resolved : folder));
    }
    if (label.size() > kVolumeNameLimit) {
        *err += "image: the label \"" + label + "\" is longer than " + std::to_string(kVolumeNameLimit) +
                " characters; give a shorter one with --label\n";
        return false;
    }
    TemporaryFolder temporary;
    if (temporary.path.empty()) {
        *err += "image: cannot make a temporary folder\n";
        return false;
    }

    // Aside, in the output's folder, so that the rename over the output cannot cross file systems.
    PendingImage pending(request.output);
    if (pending.path.empty()) {
        *err += "image: cannot make a file beside " + request.output + ": " + strerror(errno) + "\n";
        return false;
    }
    // Host names are UTF-8, as the simulated disc reads them, whatever the locale says.
    std::vector<std::string> args = {"-local_charset", "UTF-8", "-outdev", "stdio:" + pending.path, "-volid", label,
                                     "-joliet", "on", "-map", folder, "/"};
    std::string iconName;
    if (!request.icon.empty()) {
        iconName = BaseName(request.icon);
        const std::string onDisc = FindInFolder(folder, iconName);
        char a[PATH_MAX], b[PATH_MAX];
        const bool same = !onDisc.empty() && realpath((folder + "/" + onDisc).c_str(), a) != nullptr &&
                          realpath(request.icon.c_str(), b) != nullptr && strcmp(a, b) == 0;
        if (!onDisc.empty() && !same) {
            *err += "image: the disc already has a file " + onDisc + "; rename the icon\n";
            return false;
        }
        struct stat info;
        if (stat(request.icon.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            *err += "image: no icon file " + request.icon + "\n";
            return false;
        }
        if (!same) args.insert(args.end(), {"-map", request.icon, "/" + iconName});
    }
    const std::string autorun = FindInFolder(folder, "AUTORUN.INF");
    if (autorun.empty()) {
        const std::string inf = AutorunInf(request.launcher, iconName.empty() ? request.launcher : iconName, label);
        const std::string infFile = temporary.File("AUTORUN.INF");
        if (!WriteFile(infFile, inf)) {
            *err += "image: cannot write " + infFile + "\n";
            return false;
        }
        args.insert(args.end(), {"-map", infFile, "/AUTORUN.INF"});
        *out += "image: AUTORUN.INF written: open=" + request.launcher +
                ", icon=" + (iconName.empty() ? request.launcher : iconName) + ", label=" + label + "\n";
    } else {
        *out += "image: the disc's own " + autorun + " is kept\n";
    }
    args.push_back("-commit");

    const std::string log = temporary.File("xorriso.log");
    if (!RunXorriso(args, temporary.File("out.txt"), log, err)) return false;
    struct stat info;
    stat(pending.path.c_str(), &info);
    result->bytes = static_cast<long long>(info.st_size);
    result->label = label;

    // The image as Windows reads it (Joliet), and as a system without Joliet does (plain ISO 9660).
    const std::string jolietListing = temporary.File("joliet.txt"), plainListing = temporary.File("plain.txt");
    if (!RunXorriso({"-local_charset", "UTF-8", "-read_fs", "norock", "-indev", "stdio:" + pending.path, "-find", "/",
                     "-type", "f"},
                    jolietListing, log, err) ||
        !RunXorriso({"-read_fs", "ecma119", "-ecma119_map", "unmapped", "-indev", "stdio:" + pending.path, "-find", "/",
                     "-type", "f"},
                    plainListing, log, err))
        return false;
    const Tree joliet(ListedPaths(ReadFile(jolietListing), true));
    std::set<std::string> plain;
    for (std::string path : ListedPaths(ReadFile(plainListing), false)) plain.insert(Upper(path));

    std::vector<DiscFile> files = request.namedFiles;
    // The icon AUTORUN.INF names, and what the disc's own AUTORUN.INF starts (the one written
    // starts the launcher, looked up above).
    if (autorun.empty())
        files.push_back({"(icon)", "both", AutorunFile("icon", iconName.empty() ? request.launcher : iconName)});
    else
        for (const AutorunNamed& named : AutorunNamedFiles(("D:\\" + autorun).c_str()))
            files.push_back({"(" + named.key + ")", "both", named.file});
    std::set<std::string> warned;
    for (const DiscFile& file : files) {
        ReadBack back;
        back.file = file;
        back.found = joliet.Resolve(file.path, &back.joliet);
        back.plain = plain.count(Upper(file.path)) != 0;
        result->files.push_back(back);
        if (!back.found) {
            ++result->errors;
            *err += "image: error: " + Naming(file) + Quoted(file.path) +
                    ": not in the image's Joliet tree, which Windows reads; the disc holds " +
                    (back.joliet.empty() ? "nothing there" : Quoted(back.joliet) + " there") + "\n";
        } else if (!back.plain && warned.insert(Upper(file.path)).second) {
            ++result->warnings;
            *out += "image: warning: " + OneLine(file.path) +
                    ": no plain ISO 9660 name: a system that reads no Joliet (DOS, some players) does not find it\n";
        }
    }
    if (result->errors > 0) {
        *err += "image: not pressed: " + std::to_string(result->errors) +
                (result->errors == 1 ? " file does not resolve" : " files do not resolve") +
                " in the image as Windows reads it\n";
        return false;
    }
    if (rename(pending.path.c_str(), request.output.c_str()) != 0) {
        *err += "image: cannot put the image at " + request.output + ": " + strerror(errno) + "\n";
        return false;
    }
    pending.path.clear();
    result->pressed = true;
    *out += "image: " + request.output + " pressed, " + std::to_string(result->bytes) + " bytes, volume " + label +
            "; every file the launcher asks for is in its Joliet tree, as Windows reads it\n";
    if (result->warnings == 0) *out += "image: every file the launcher asks for has a plain ISO 9660 name too\n";
    return true;
}

std::string RefuseOutput(const ImageRequest& request) {
    const std::string& output = request.output;
    struct stat target;
    const bool exists = stat(output.c_str(), &target) == 0;
    if (exists && S_ISDIR(target.st_mode)) return "image: " + output + " is a folder: name the image file to write";
    std::string resolved;
    char buffer[PATH_MAX];
    if (exists && realpath(output.c_str(), buffer) != nullptr) resolved = buffer;
    else {
        const size_t slash = output.find_last_of('/');
        const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : output.substr(0, slash);
        if (realpath(parent.c_str(), buffer) == nullptr) return "image: no folder " + parent + " to write the image in";
        resolved = std::string(buffer) + "/" + output.substr(slash + 1);
    }
    if (realpath(request.discFolder.c_str(), buffer) != nullptr) {
        const std::string disc = buffer;
        if (resolved == disc || resolved.compare(0, disc.size() + 1, disc + "/") == 0)
            return "image: " + output + " is inside the disc folder " + request.discFolder +
                   ": the image would replace or join the disc's files; write it outside";
    }
    if (!exists) return std::string();
    // The same file under another name (a link): writing the image would destroy an input.
    struct stat icon;
    if (!request.icon.empty() && stat(request.icon.c_str(), &icon) == 0 && SameFile(icon, target))
        return "image: " + output + " is the icon file " + request.icon + ": write the image elsewhere";
    const std::string input = FindSameFile(request.discFolder, target);
    if (!input.empty())
        return "image: " + output + " is the disc's own file " + input + ": write the image elsewhere";
    return std::string();
}
