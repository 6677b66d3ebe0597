// Pressing the image with xorriso, and reading its plain ISO 9660 names back to see what a system without Joliet finds.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "disc_autorun.h"
#include "disc_image.h"
#include "disc_text.h"

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

// The image's files under their plain ISO 9660 names, version numbers dropped, in capitals.
std::set<std::string> PlainNames(const std::string& listing) {
    std::set<std::string> names;
    size_t start = 0;
    while (start < listing.size()) {
        size_t end = listing.find('\n', start);
        if (end == std::string::npos) end = listing.size();
        std::string line = listing.substr(start, end - start);
        start = end + 1;
        if (line.size() < 2 || line.front() != '\'' || line.back() != '\'') continue;
        line = line.substr(1, line.size() - 2);
        const size_t version = line.rfind(';');
        if (version != std::string::npos) line.erase(version);
        if (!line.empty() && line.back() == '.') line.pop_back();  // "README." has no extension
        names.insert(Upper(line));
    }
    return names;
}

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

bool PressImage(const ImageRequest& request, std::string* out, std::string* err) {
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

    std::vector<std::string> args = {
        "-outdev", "stdio:" + request.output, "-volid", label, "-joliet", "on", "-map", folder, "/"};
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

    remove(request.output.c_str());  // xorriso would add a session to an image already there
    const std::string log = temporary.File("xorriso.log");
    const std::string listing = temporary.File("names.txt");
    if (!RunXorriso(args, temporary.File("out.txt"), log, err)) return false;
    struct stat info;
    stat(request.output.c_str(), &info);
    *out += "image: " + request.output + " pressed, " + std::to_string(static_cast<long long>(info.st_size)) +
            " bytes, volume " + label + "\n";

    // What a system that reads only the ISO 9660 names finds.
    if (!RunXorriso({"-read_fs", "ecma119", "-ecma119_map", "unmapped", "-indev", "stdio:" + request.output, "-find",
                     "/", "-type", "f"},
                    listing, log, err))
        return false;
    const std::set<std::string> names = PlainNames(ReadFile(listing));
    int unseen = 0;
    for (const std::string& file : request.namedFiles) {
        std::string path = "/" + Upper(file);
        for (char& c : path)
            if (c == '\\') c = '/';
        if (names.count(path) != 0) continue;
        ++unseen;
        *out += "image: warning: " + OneLine(file) +
                ": not under the image's plain ISO 9660 names: a system that ignores Joliet does not find it\n";
    }
    if (unseen == 0) *out += "image: every file the settings name has a plain ISO 9660 name too\n";
    return true;
}
