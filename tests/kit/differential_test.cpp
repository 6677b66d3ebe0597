// The dry run against the real launcher: every scenario of the Wine suite that starts one launcher,
// on both families, goes through try's own options, as an author would give them: its disc laid
// out in a folder, its install record, associations, open windows, answers and the started
// program's window timing as options. The run's boxes, starts and exit code must be what the
// scenario expects of AUTOPLAY.EXE under Wine. A disagreement is a fault of the simulation or
// of the kit, unless Wine itself does otherwise than Windows (listed below).
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "disc_machine.h"
#include "disc_text.h"
#include "disc_tool.h"
#include "location/install_location.h"
#include "scenario.h"
#include "settings/launcher_settings.h"
#include "sim.h"
#include "utf8.h"

namespace {

const std::string kScenarioFolder = std::string(TAVIO_SOURCE_DIR) + "/tests/e2e/scenarios";

// The scenarios try's options cannot express, and why.
const struct {
    const char* name;
    const char* why;
} kInexpressible[] = {
    {"second-instance-during-alert", "a second start while the alert is open: try's boxes are answered at once"},
    {"second-instances-racing-alert", "twenty further starts, while the alert is open"},
    {"second-instances-racing-wait", "twenty further starts: try makes one"},
    {"status-window-reveal", "keys held down (Shift+Ctrl) during the second start"},
    {"status-window-reveal-192dpi", "keys held down during the second start, and the display's DPI"},
    {"two-launchers-together", "two launchers started at the same instant, racing for the start-up guard"},
};

// Runs where Wine does otherwise than Windows, whose rules the kit follows: the kit is right and
// disagrees with the scenario.
const struct {
    const char* name;
    const char* why;
} kWineDiffers[] = {
    {"installed-folder-outside-ascii",
     "Wine gives Zubeh\xC3\xB6r an 8.3 alias (ZUBE~xyz); Windows gives none to a valid 8.3 name of the OEM code page"},
};

bool SameNoCase(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

bool GlobMatch(const char* pattern, const char* text) {
    if (*pattern == '\0') return *text == '\0';
    if (*pattern == '*') return GlobMatch(pattern + 1, text) || (*text && GlobMatch(pattern, text + 1));
    return *text == *pattern && GlobMatch(pattern + 1, text + 1);
}

bool OnDisc(const std::string& path) { return !(path.size() >= 2 && path[1] == ':'); }

// A harness text (ANSI bytes of code page 1252, a character outside it marked) in UTF-8, as an
// author types it on the command line and as the host names files.
std::string Utf8Of(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        size_t length = 0;
        DecodeMarked(text, i, &length);
        if (length > 0) {
            out += text.substr(i + 1, length);
            i += length;
        } else {
            out += static_cast<unsigned char>(text[i]) < 0x80 ? text.substr(i, 1) : AnsiToUtf8(text.substr(i, 1));
        }
    }
    return out;
}

// ---- Wine's 8.3 aliases in the expected log ----

bool IsDosName(const std::string& name) {
    const size_t dot = name.find('.');
    if (dot != name.rfind('.') || dot == 0) return false;
    const std::string base = name.substr(0, dot), extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || extension.size() > 3) return false;
    for (char c : base + extension)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E || strchr(" +,;=[]", c) != nullptr)
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

// Wine's alias of a long name: its first four characters (each one no DOS name allows made
// '_'), '~' up to the fifth place, three characters of a hash, and the first three of its
// extension. The scenarios match the hash with '*', so the one here need not be Wine's.
std::string WineAlias(const std::string& name) {
    const std::vector<std::string> characters = CharactersOf(name);
    size_t dot = std::string::npos;
    for (size_t i = 1; i + 1 < characters.size(); ++i)  // a dot first or last begins no extension
        if (characters[i] == ".") dot = i;
    auto dosCharacter = [](const std::string& c) {
        return c.size() == 1 && IsDosName(c) ? static_cast<char>(toupper(c[0])) : '_';
    };
    std::string alias;
    for (size_t i = 0; i < 4 && i < characters.size() && i != dot; ++i) alias += dosCharacter(characters[i]);
    alias.append(5 - alias.size(), '~');
    alias += "XYZ";
    if (dot != std::string::npos) {
        alias += '.';
        for (size_t i = dot + 1; i < characters.size() && i < dot + 4; ++i) alias += dosCharacter(characters[i]);
    }
    return alias;
}

// A start's log line with each 8.3 alias the kit gave (CD file system or NTFS rules) in place of
// Wine's for the same long name, so that the scenario's wildcard for Wine's hash takes it.
std::string InWineAliases(const std::string& line) {
    std::string out;
    size_t begin = 0;
    for (size_t i = 0; i <= line.size(); ++i) {
        if (i < line.size() && strchr("\\\"| ", line[i]) == nullptr) continue;
        const std::string component = line.substr(begin, i - begin);
        const size_t drive = line.rfind(":\\", begin);
        std::string replaced = component;
        if (component.find('~') != std::string::npos && drive != std::string::npos && drive > 0) {
            const std::string longPath = sim::LongPath(line.substr(drive - 1, i - drive + 1).c_str());
            const std::string longName = longPath.substr(longPath.find_last_of('\\') + 1);
            if (!SameNoCase(longName, component)) replaced = WineAlias(longName);
        }
        out += replaced;
        if (i < line.size()) out += line[i];
        begin = i + 1;
    }
    return out;
}

// ---- The scenario as try's options ----

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

bool Put(const std::string& root, const std::string& windowsPath, const std::string& bytes) {
    std::string host = Utf8Of(windowsPath);
    std::replace(host.begin(), host.end(), '\\', '/');
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(root + "/" + host).parent_path(), error);
    return WriteFile(root + "/" + host, bytes);
}

// What the scenario's machine holds on C:, which only try's install record and associations place.
struct PlacedOnC {
    std::vector<std::string> files, folders;
};

// The scenario as try's command line over a disc laid out in discFolder; "" or the reason
// try's options cannot say it.
std::string Translate(const Scenario& sc, bool windows95, const std::string& discFolder,
                      std::vector<std::string>* args, PlacedOnC* onC) {
    *args = {"try", discFolder, "--family", windows95 ? "95" : "nt", "--launcher", Utf8Of(sc.launcher)};
    // One second start as the first start's program is started: try's starts take no time.
    if (sc.second.when == ScenarioSecond::AfterStarted && sc.second.number == 1 && sc.second.count == 1 &&
        !sc.second.holdShiftCtrl)
        args->insert(args->end(), {"--second-start", "0"});
    else if (sc.second.when != ScenarioSecond::Never)
        return "several launchers, or keys held down";
    if (sc.dpi != 0) return "the display's DPI";

    // The disc: its files as written, the fake programs as programs, the launcher itself.
    for (const ScenarioFile& file : sc.files) {
        if (OnDisc(file.path)) Put(discFolder, file.path, file.content);
        else onC->files.push_back(file.path);
    }
    std::vector<const ScenarioFake*> windowsOfStarts;
    for (const ScenarioFake& fake : sc.fakes) {
        if (fake.prestart) {
            // Only its window counts: it is open before the launcher starts.
            if (!fake.windowClass.empty())
                args->insert(args->end(), {"--window", fake.windowClass + (fake.windowTitle.empty() ? "" : "|" + fake.windowTitle)});
            continue;
        }
        if (OnDisc(fake.path)) Put(discFolder, fake.path, "MZ");
        else onC->files.push_back(fake.path);
        if (!fake.windowClass.empty()) windowsOfStarts.push_back(&fake);
    }
    for (const std::string& folder : sc.folders) {
        if (OnDisc(folder)) std::filesystem::create_directories(discFolder + "/" + Utf8Of(folder));
        else onC->folders.push_back(folder);
    }
    std::string launcherOnHost = Utf8Of(sc.launcher);
    std::replace(launcherOnHost.begin(), launcherOnHost.end(), '\\', '/');
    if (!std::filesystem::exists(discFolder + "/" + launcherOnHost)) Put(discFolder, sc.launcher, "MZ");

    // The started program's window: when it opens, or never (no window, or not the one awaited).
    if (windowsOfStarts.size() > 1) return "several started programs open windows";
    char seconds[32] = "never";
    if (!windowsOfStarts.empty()) snprintf(seconds, sizeof seconds, "%g", windowsOfStarts[0]->windowDelayMs / 1000.0);
    args->insert(args->end(), {"--window-after", seconds});

    for (const ScenarioBox& box : sc.boxes) {
        const char* answer = box.answer == "OK" ? "ok" : box.answer == "Cancel" ? "cancel" : box.answer == "close" ? "close" : nullptr;
        if (answer == nullptr) return "a box answered " + box.answer;
        args->insert(args->end(), {"--answer", answer});
    }

    // Where the disc's settings put the install record, as the launcher reads them.
    DiscMachine machine;
    machine.discFolder = discFolder;
    machine.launcher = sc.launcher;
    machine.windows95 = windows95;
    bool recordNamed = false;
    HKEY recordRoot = nullptr;
    std::string recordKey, recordValue;
    if (ReadDiscSettings(machine, nullptr) && MapRootKey(Settings.RunLocationRoot.CStr())) {
        recordNamed = true;
        recordRoot = RegistryQuery.Root;
        recordKey = Settings.RunLocationKey.CStr();
        recordValue = SameNoCase(Settings.RunLocationValue.CStr(), "(Default)") ? "" : Settings.RunLocationValue.CStr();
    }

    // The registry: the record and values beside it, and associations.
    const ScenarioRegistryOp* record = nullptr;
    std::vector<const ScenarioRegistryOp*> beside;
    std::vector<std::pair<std::string, std::string>> extensions, commands;  // .ext -> class, class -> command
    for (const ScenarioRegistryOp& op : sc.registry) {
        const size_t slash = op.key.find('\\');
        HKEY root = nullptr;
        if (op.remove || slash == std::string::npos || !RegistryRoot(op.key.substr(0, slash), &root))
            return "registry key " + op.key + " deleted or outside the four roots";
        const std::string key = op.key.substr(slash + 1);
        const std::string value = SameNoCase(op.valueName, "(Default)") ? "" : op.valueName;
        if (recordNamed && root == recordRoot && SameNoCase(key, recordKey)) {
            if (SameNoCase(value, recordValue) && (op.type == REG_SZ || op.type == REG_EXPAND_SZ)) record = &op;
            else if (!SameNoCase(value, recordValue) && op.type == REG_SZ) beside.push_back(&op);
            else return "an install record of registry type " + std::to_string(op.type);
        } else if (root == HKEY_CLASSES_ROOT && key.size() > 1 && key[0] == '.' && value.empty() && op.type == REG_SZ) {
            extensions.push_back({key, op.data});
        } else if (root == HKEY_CLASSES_ROOT && value.empty() && op.type == REG_SZ && key.size() > 19 &&
                   SameNoCase(key.substr(key.size() - 19), "\\shell\\open\\command")) {
            commands.push_back({key.substr(0, key.size() - 19), op.data});
        } else {
            return "registry value " + op.key + "|" + op.valueName + ", neither install record nor association";
        }
    }
    if (!beside.empty() && record == nullptr) return "values beside an install record that is not there";
    if (record != nullptr) {
        args->insert(args->end(), {"--installed", Utf8Of(record->data)});
        if (record->type == REG_EXPAND_SZ) args->insert(args->end(), {"--record-type", "REG_EXPAND_SZ"});
        for (const ScenarioRegistryOp* value : beside)
            args->insert(args->end(), {"--beside", Utf8Of(value->valueName) + "=" + Utf8Of(value->data)});
    }
    std::vector<std::string> associationPrograms;
    for (const auto& extension : extensions) {
        const auto command = std::find_if(commands.begin(), commands.end(),
                                          [&](const auto& c) { return SameNoCase(c.first, extension.second); });
        if (command == commands.end()) return "extension " + extension.first + " whose class has no open command";
        // Without a placeholder try reads the text as a program's path.
        if (command->second.find('%') == std::string::npos) return "an open command without a placeholder";
        args->insert(args->end(), {"--association", extension.first + "=" + Utf8Of(command->second)});
        const std::string& text = command->second;
        associationPrograms.push_back(text[0] == '"' ? text.substr(1, text.find('"', 1) - 1) : text.substr(0, text.find(' ')));
        commands.erase(command);
    }
    if (!commands.empty()) return "an open command of class " + commands[0].first + " with no extension";

    // The install folder's programs are there, or all gone (--missing).
    bool installedPrograms = false;
    for (const std::string& file : onC->files)
        installedPrograms = installedPrograms || std::none_of(associationPrograms.begin(), associationPrograms.end(),
                                                              [&](const std::string& p) { return SameNoCase(p, file); });
    if (record != nullptr && !installedPrograms) args->push_back("--missing");
    if (record == nullptr && installedPrograms) return "programs on C: with no install record naming them";
    return "";
}

// After the run: try placed on C: what the scenario's machine holds there, and no program the
// launcher may look for beside them that the scenario lacks. "" or what differs.
std::string PlacedAsScenario(const PlacedOnC& onC, const std::vector<std::string>& programNames) {
    std::vector<std::string> folders = onC.folders;
    for (const std::string& file : onC.files) {
        if (!sim::FileExistsInSim(file.c_str())) return "try places no " + file;
        folders.push_back(file.substr(0, file.find_last_of('\\')));
    }
    for (const std::string& folder : folders) {
        const DWORD attributes = GetFileAttributesA(folder.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return "try makes no folder " + folder;
        for (const std::string& name : programNames) {
            const std::string path = folder + "\\" + name;
            const bool inScenario = std::any_of(onC.files.begin(), onC.files.end(),
                                                [&](const std::string& f) { return SameNoCase(f, path); });
            if (sim::FileExistsInSim(path.c_str()) && !inScenario) return "try places " + path + ", which the scenario lacks";
        }
    }
    return "";
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

// Where the run differs from the scenario's expectations; empty when it agrees.
std::vector<std::string> Differences(const Scenario& sc, const DryRun& run) {
    std::vector<std::string> found;
    if (!run.ended) found.push_back("the launcher never ends");
    for (const std::string& note : run.notes) found.push_back("note: " + note);
    if (run.ended && sc.expectedExit != run.exitCode)
        found.push_back("exit " + std::to_string(run.exitCode) + ", expected " + std::to_string(sc.expectedExit));

    std::vector<const DryRunEvent*> boxes;
    std::vector<std::string> starts;
    for (const DryRunEvent& e : run.events) {
        if (e.kind == DryRunEvent::Alert || e.kind == DryRunEvent::Report) boxes.push_back(&e);
        if (e.kind == DryRunEvent::Start && e.started) starts.push_back(InWineAliases(LogLine(e)));
        // The window awaited must be the one the started program opens.
        if (e.kind == DryRunEvent::Wait && e.found &&
            std::none_of(sc.fakes.begin(), sc.fakes.end(), [&](const ScenarioFake& f) {
                return !f.prestart && SameNoCase(f.windowClass, e.windowClass);
            }))
            found.push_back("waits for " + e.windowClass + ", which no started program opens");
    }
    if (sc.boxes.size() != boxes.size())
        found.push_back(std::to_string(boxes.size()) + " boxes, expected " + std::to_string(sc.boxes.size()));
    for (size_t i = 0; i < boxes.size() && i < sc.boxes.size(); ++i) {
        const ScenarioBox& want = sc.boxes[i];
        const std::string box = "box " + std::to_string(i + 1) + ": ";
        if (want.hasCaption && want.caption != boxes[i]->caption) found.push_back(box + "caption " + boxes[i]->caption);
        if (want.hasText && want.text != boxes[i]->text) found.push_back(box + "text " + Visible(boxes[i]->text));
        if (want.hasButtons && want.buttons != boxes[i]->buttons) found.push_back(box + "other buttons");
        if (want.hasDefault && want.defaultButton != boxes[i]->defaultButton)
            found.push_back(box + "default " + boxes[i]->defaultButton);
    }

    // The second start: it ends with the exit code expected, showing and starting nothing, and
    // tells the first when it defers.
    if ((sc.second.when != ScenarioSecond::Never) != (run.second.size() == 1)) found.push_back("no second start");
    for (const SecondStart& second : run.second) {
        if (!second.run.ended || second.run.exitCode != sc.second.expectedExit)
            found.push_back("second start: exit " + std::to_string(second.run.exitCode) + ", expected " +
                            std::to_string(sc.second.expectedExit));
        if (!second.run.events.empty()) found.push_back("second start: shows or starts something");
        if (sc.second.expectedExit == 2 && !second.toldFirst) found.push_back("second start: the first is not told");
    }

    // The programs the driver started before the launcher wrote the first lines.
    std::vector<std::string> expected = sc.expectedLog;
    for (const ScenarioFake& fake : sc.fakes)
        if (fake.prestart && !expected.empty() && SameNoCase(expected.front().substr(0, expected.front().find('|')), fake.path))
            expected.erase(expected.begin());
    if (expected.size() != starts.size())
        found.push_back(std::to_string(starts.size()) + " starts, expected " + std::to_string(expected.size()));
    for (size_t i = 0; i < starts.size() && i < expected.size(); ++i)
        if (!GlobMatch(expected[i].c_str(), starts[i].c_str()))
            found.push_back("start " + std::to_string(i + 1) + ": " + Visible(starts[i]) + ", expected " + Visible(expected[i]));
    return found;
}

std::string Quoted(const std::vector<std::string>& args) {
    std::string line = "tavio-disc";
    for (const std::string& a : args) line += a.find(' ') == std::string::npos ? " " + a : " '" + a + "'";
    return line;
}

TEST(DifferentialTest, TryAgreesWithTheWineSuite) {
    std::vector<std::string> names;
    DIR* folder = opendir(kScenarioFolder.c_str());
    ASSERT_NE(nullptr, folder);
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".scn") == 0) names.push_back(name);
    }
    closedir(folder);
    std::sort(names.begin(), names.end());

    int runs = 0, agreed = 0;
    std::vector<std::string> inexpressible, wineDiffers;
    for (const std::string& file : names) {
        for (const char* family : {"win98", "win10"}) {
            const bool windows95 = family[3] == '9';
            SCOPED_TRACE(file + " [" + family + "]");
            Scenario sc;
            std::string error;
            ASSERT_TRUE(LoadScenario(kScenarioFolder + "/" + file, family, sc, error)) << error;
            const auto listed = std::find_if(std::begin(kInexpressible), std::end(kInexpressible),
                                             [&](const auto& s) { return sc.name == s.name; });
            const bool differsOnWine = std::any_of(std::begin(kWineDiffers), std::end(kWineDiffers),
                                                   [&](const auto& s) { return sc.name == s.name; });

            char pattern[] = "/tmp/tavio-differential-XXXXXX";
            ASSERT_NE(nullptr, mkdtemp(pattern));
            const std::string disc = pattern;
            std::vector<std::string> args;
            PlacedOnC onC;
            std::string why = Translate(sc, windows95, disc, &args, &onC);
            std::vector<std::string> programNames;
            for (const SettingText* program : {&Settings.RunProgram32, &Settings.RunProgramNT,
                                               &Settings.InstalledProgram32, &Settings.InstalledProgramNT})
                if (!program->Empty()) programNames.push_back(program->CStr());
            DryRun run;
            std::string err;
            if (why.empty()) {
                ASSERT_EQ(0, TryCommand(args, &run, &err)) << Quoted(args) << "\n" << err;
                why = PlacedAsScenario(onC, programNames);
            }
            EXPECT_EQ(listed != std::end(kInexpressible), !why.empty())
                << (why.empty() ? "expressible now: take it off the list" : "not expressible: " + why);
            if (!why.empty()) {
                if (windows95) inexpressible.push_back(sc.name);
            } else {
                ++runs;
                const std::vector<std::string> differences = Differences(sc, run);
                if (differences.empty()) ++agreed;
                std::string all;
                for (const std::string& d : differences) all += "\n  " + d;
                if (differsOnWine) {
                    EXPECT_FALSE(differences.empty()) << "agrees now: take it off the list of Wine's differences";
                    wineDiffers.push_back(sc.name + " [" + family + "]");
                } else {
                    EXPECT_TRUE(differences.empty()) << Quoted(args) << all;
                }
            }
            std::filesystem::remove_all(disc);
        }
    }
    std::string listed, differing;
    for (const std::string& name : inexpressible) listed += " " + name;
    for (const std::string& name : wineDiffers) differing += " " + name;
    printf("differential: try agrees with the Wine suite on %d of %d scenario runs (both families); "
           "%zu scenarios listed as inexpressible:%s; %zu runs where Wine differs from Windows:%s\n",
           agreed, runs, inexpressible.size(), listed.c_str(), wineDiffers.size(), differing.c_str());
    EXPECT_GE(runs, 80);
}

}  // namespace
