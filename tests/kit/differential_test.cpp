// The dry run against the real launcher: every scenario of the Wine suite that starts one launcher,
// on both families, is run through try's machine with the scenario's disc, registry, open windows
// and answers. Its boxes, its starts and its exit code must be what the scenario expects of
// AUTOPLAY.EXE under Wine. A disagreement is a fault of the simulation or of the kit.
#include <dirent.h>
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "disc_try.h"
#include "scenario.h"
#include "sim.h"
#include "utf8.h"

namespace {

const std::string kScenarioFolder = std::string(TAVIO_SOURCE_DIR) + "/tests/e2e/scenarios";

bool GlobMatch(const char* pattern, const char* text) {
    if (*pattern == '\0') return *text == '\0';
    if (*pattern == '*') return GlobMatch(pattern + 1, text) || (*text && GlobMatch(pattern, text + 1));
    return *text == *pattern && GlobMatch(pattern + 1, text + 1);
}

bool SameNoCase(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

// A scenario's path: with a drive as written, else on the disc.
std::string WindowsPath(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' ? path : "D:\\" + path;
}

bool IsDosName(const std::string& name) {
    const size_t dot = name.find('.');
    if (dot != name.rfind('.') || dot == 0) return false;
    const std::string base = name.substr(0, dot), extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || extension.size() > 3) return false;
    // Letters outside ASCII have no place in a DOS name either, nor has a control character
    // (the mark of a character outside the code page).
    for (char c : base + extension)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E ||
            strchr(" +,;=[]", c) != nullptr)
            return false;
    return true;
}

// A name's characters: one byte each, or a character outside the code page with its mark.
std::vector<std::string> CharactersOf(const std::string& name) {
    std::vector<std::string> characters;
    for (size_t i = 0; i < name.size(); ++i) {
        size_t length = 0;
        DecodeMarked(name, i, &length);
        characters.push_back(name.substr(i, length + 1));
        i += length;
    }
    return characters;
}

// Wine gives every name that is no DOS name an alias of its first four characters (each one
// no DOS name allows made '_'), '~' up to the fifth place, three characters of a hash, and the
// first three of its extension. The scenarios match those aliases with wildcards ("PROG~*"),
// so the hash here need not be Wine's own.
std::string WineAlias(const std::string& name) {
    const std::vector<std::string> characters = CharactersOf(name);
    size_t dot = std::string::npos;
    for (size_t i = 1; i + 1 < characters.size(); ++i)  // a dot first or last begins no extension
        if (characters[i] == ".") dot = i;
    unsigned hash = 0xBEEF;
    for (char c : name) hash = ((hash << 3) ^ (hash >> 5) ^ static_cast<unsigned char>(tolower(c))) & 0xFFFF;
    const char kHashCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";
    auto dosCharacter = [](const std::string& c) {
        return c.size() == 1 && IsDosName(c) ? static_cast<char>(toupper(c[0])) : '_';
    };
    std::string alias;
    for (size_t i = 0; i < 4 && i < characters.size() && i != dot; ++i) alias += dosCharacter(characters[i]);
    alias.append(5 - alias.size(), '~');
    alias += kHashCharacters[(hash >> 10) & 31];
    alias += kHashCharacters[(hash >> 5) & 31];
    alias += kHashCharacters[hash & 31];
    if (dot != std::string::npos) {
        alias += '.';
        for (size_t i = dot + 1; i < characters.size() && i < dot + 4; ++i) alias += dosCharacter(characters[i]);
    }
    return alias;
}

void AddWineAliases(DiscMachine& machine, const std::string& path) {
    for (size_t start = 3; start < path.size();) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        const std::string name = path.substr(start, end - start);
        if (!IsDosName(name)) machine.shortNames.push_back({path.substr(0, end), WineAlias(name)});
        start = end + 1;
    }
}

bool RegistryRoot(const std::string& name, HKEY* root) {
    const struct {
        const char* shortName;
        const char* longName;
        HKEY root;
    } roots[] = {{"HKCR", "HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
                 {"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                 {"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                 {"HKU", "HKEY_USERS", HKEY_USERS}};
    for (const auto& r : roots)
        if (SameNoCase(name, r.shortName) || SameNoCase(name, r.longName)) return *root = r.root, true;
    return false;
}

// The registry operations as the driver makes them; false for one it cannot read.
bool AddRegistry(DiscMachine& machine, const ScenarioRegistryOp& op) {
    const size_t slash = op.key.find('\\');
    HKEY root;
    if (slash == std::string::npos || !RegistryRoot(op.key.substr(0, slash), &root)) return false;
    const std::string key = op.key.substr(slash + 1);
    if (op.remove) {
        // The registry starts empty: only what this scenario set before can go.
        machine.registry.erase(std::remove_if(machine.registry.begin(), machine.registry.end(),
                                              [&](const MachineRegistryValue& v) {
                                                  return v.root == root && SameNoCase(v.key.substr(0, key.size()), key);
                                              }),
                               machine.registry.end());
        return true;
    }
    std::string data = op.data;
    if (op.type == REG_SZ || op.type == REG_EXPAND_SZ) {
        data.push_back('\0');
    } else if (op.type == REG_DWORD) {
        const unsigned long value = strtoul(op.data.c_str(), nullptr, 0);
        data.clear();
        for (int i = 0; i < 4; ++i) data.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    } else {
        data.clear();
        for (size_t i = 0; i < op.data.size(); i += op.data[i] == ' ' ? 1 : 2)
            if (op.data[i] != ' ') data.push_back(static_cast<char>(strtoul(op.data.substr(i, 2).c_str(), nullptr, 16)));
    }
    machine.registry.push_back({root, key, SameNoCase(op.valueName, "(Default)") ? "" : op.valueName, op.type, data});
    return true;
}

// The scenario's machine, as the driver lays it out under Wine.
bool MachineOf(const Scenario& sc, bool windows95, DiscMachine* machine, std::string* why) {
    machine->windows95 = windows95;
    machine->launcher = sc.launcher;
    AddWineAliases(*machine, WindowsPath(sc.launcher));
    for (const std::string& folder : sc.folders) {
        machine->folders.push_back(WindowsPath(folder));
        AddWineAliases(*machine, WindowsPath(folder));
    }
    for (const ScenarioFile& file : sc.files) {
        machine->files.push_back({WindowsPath(file.path), file.content});
        AddWineAliases(*machine, WindowsPath(file.path));
    }
    for (const ScenarioFake& fake : sc.fakes) {
        machine->files.push_back({WindowsPath(fake.path), "MZ"});
        AddWineAliases(*machine, WindowsPath(fake.path));
        if (fake.prestart && !fake.windowClass.empty()) machine->windows.push_back({fake.windowClass, fake.windowTitle});
    }
    for (const ScenarioRegistryOp& op : sc.registry)
        if (!AddRegistry(*machine, op)) return *why = "registry key " + op.key, false;
    for (const ScenarioBox& box : sc.boxes) {
        if (box.answer == "OK") machine->answers.push_back(IDOK);
        else if (box.answer == "Cancel") machine->answers.push_back(IDCANCEL);
        else if (box.answer == "close") machine->answers.push_back(sim::kCloseBox);
        else return *why = "answer " + box.answer, false;
    }
    return true;
}

// The log line the fake program writes when the shell starts it: its module path, its
// command line (the file quoted, then the parameters) and its current folder.
// For a document the shell opened itself, the command line its association ran, and its program.
std::string LogLine(const DryRunEvent& start) {
    if (!start.command.empty()) {
        const bool quoted = start.command[0] == '"';
        const std::string program = quoted ? start.command.substr(1, start.command.find('"', 1) - 1)
                                            : start.command.substr(0, start.command.find(' '));
        return sim::LongPath(program.c_str()) + "|" + start.command + "|" + start.directory;
    }
    return sim::LongPath(start.program.c_str()) + "|\"" + start.program + "\"" +
           (start.parameters.empty() ? "" : " " + start.parameters) + "|" + start.directory;
}

void Compare(const Scenario& sc, const DryRun& run) {
    EXPECT_TRUE(run.ended);
    EXPECT_TRUE(run.notes.empty()) << run.notes.front();
    EXPECT_EQ(sc.expectedExit, run.exitCode);

    std::vector<const DryRunEvent*> boxes;
    std::vector<std::string> starts;
    for (const DryRunEvent& e : run.events) {
        if (e.kind == DryRunEvent::Alert || e.kind == DryRunEvent::Report) boxes.push_back(&e);
        if (e.kind == DryRunEvent::Start && e.started) starts.push_back(LogLine(e));
    }
    ASSERT_EQ(sc.boxes.size(), boxes.size());
    for (size_t i = 0; i < boxes.size(); ++i) {
        SCOPED_TRACE("box " + std::to_string(i + 1));
        const ScenarioBox& want = sc.boxes[i];
        EXPECT_TRUE(!want.hasCaption || want.caption == boxes[i]->caption) << boxes[i]->caption;
        EXPECT_TRUE(!want.hasText || want.text == boxes[i]->text) << boxes[i]->text;
        EXPECT_TRUE(!want.hasButtons || want.buttons == boxes[i]->buttons) << boxes[i]->buttons.size() << " buttons";
        EXPECT_TRUE(!want.hasDefault || want.defaultButton == boxes[i]->defaultButton) << boxes[i]->defaultButton;
    }

    // The programs the driver started before the launcher wrote the first lines.
    std::vector<std::string> expected = sc.expectedLog;
    for (const ScenarioFake& fake : sc.fakes) {
        if (!fake.prestart) continue;
        ASSERT_FALSE(expected.empty());
        EXPECT_TRUE(SameNoCase(expected.front().substr(0, expected.front().find('|')), WindowsPath(fake.path)));
        expected.erase(expected.begin());
    }
    ASSERT_EQ(expected.size(), starts.size());
    for (size_t i = 0; i < starts.size(); ++i)
        EXPECT_TRUE(GlobMatch(expected[i].c_str(), starts[i].c_str()))
            << "start " << i + 1 << ": expected " << expected[i] << "\n  got " << starts[i];
}

TEST(DifferentialTest, DryRunAgreesWithTheWineSuite) {
    std::vector<std::string> names;
    DIR* folder = opendir(kScenarioFolder.c_str());
    ASSERT_NE(nullptr, folder);
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".scn") == 0) names.push_back(name);
    }
    closedir(folder);
    std::sort(names.begin(), names.end());

    int covered = 0;
    std::vector<std::string> leftOut;
    for (const std::string& name : names) {
        for (const char* family : {"win98", "win10"}) {
            SCOPED_TRACE(name + " [" + family + "]");
            Scenario sc;
            std::string error;
            ASSERT_TRUE(LoadScenario(kScenarioFolder + "/" + name, family, sc, error)) << error;
            // Several launchers at once meet only through real processes' timing.
            if (sc.second.when != ScenarioSecond::Never) {
                if (family[3] == '9') leftOut.push_back(sc.name);
                continue;
            }
            DiscMachine machine;
            ASSERT_TRUE(MachineOf(sc, family[3] == '9', &machine, &error)) << error;
            DryRun run;
            ASSERT_TRUE(TryDisc(machine, &run, &error)) << error;
            Compare(sc, run);
            if (family[3] == '9') ++covered;
        }
    }
    std::string list;
    for (const std::string& name : leftOut) list += " " + name;
    printf("differential: %d scenarios covered on both families; %zu left out (several launchers):%s\n", covered,
           leftOut.size(), list.c_str());
    EXPECT_GE(covered, 20);
}

}  // namespace
