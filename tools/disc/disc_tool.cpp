// tavio-disc's command line: the verbs, their options, and their output as lines, a table or JSON.
#include "disc_tool.h"

#include <stdio.h>
#include <stdlib.h>

#include "disc_check.h"
#include "disc_image.h"
#include "disc_text.h"
#include "disc_try.h"
#include "sim.h"
#include "tavio_version.h"

namespace {

enum Status { Done = 0, Found = 1, WrongUse = 2, Unreadable = 3 };

const char kUsage[] =
    "Usage: tavio-disc VERB DISC_FOLDER [options]\n"
    "       tavio-disc --version   the kit's release, which is the launcher's\n"
    "\n"
    "The disc author's kit for Tavio Launcher. It runs the launcher's own settings reader and\n"
    "decision over a simulated Windows, with DISC_FOLDER (the folder to be pressed) as drive D:.\n"
    "\n"
    "Verbs:\n"
    "  check DISC_FOLDER          lint the settings file the launcher would read\n"
    "  try DISC_FOLDER            show what a user would see, on a simulated machine\n"
    "  image DISC_FOLDER OUT.iso  press an ISO 9660 image with Joliet names (with xorriso)\n"
    "  exit-code N                what the launcher's exit code N means\n"
    "\n"
    "Options of every verb:\n"
    "  --launcher NAME  the launcher's name on the disc (default AUTOPLAY.EXE), which gives\n"
    "                   its settings file's name (AUTOPLAY.INI)\n"
    "  --json           (check, try) one JSON object instead of lines\n"
    "  --codepage N     (check, try) show the launcher's texts as a machine whose ANSI code\n"
    "                   page is N shows them (default 1252, Western European)\n"
    "  --help           this text; VERB --help tells a verb's own\n"
    "\n"
    "Exit status: 0 done; 1 check found an error, or no image was pressed; 2 wrong use;\n"
    "3 the disc folder cannot be read.\n";

const char kCheckUsage[] =
    "Usage: tavio-disc check DISC_FOLDER [--launcher NAME] [--codepage N] [--json]\n"
    "\n"
    "Lints the settings file the launcher on DISC_FOLDER would read (beside it, or in its\n"
    "SETTINGS subfolder), read with the launcher's own reader, in compiler-style lines:\n"
    "  DISC_FOLDER/AUTOPLAY.INI:12: warning: RunProgam32: unknown key; did you mean RunProgram32?\n"
    "Warnings: unknown keys and misspelt sections (with the nearest known name); a key given\n"
    "twice (the launcher reads the first); a number setting whose text is no number (\"yes\"\n"
    "reads as 0); a value cut at 359 characters; a window class or title that looks like a\n"
    "misspelt (ignore); an empty window class (the wait always runs to its time-out); a\n"
    "document whose extension the launcher cannot take; a settings file in both places (the\n"
    "one beside the launcher wins); the launcher missing from the folder; a file the launcher\n"
    "asks for whose name the image's Joliet tree, which Windows reads, would cut (over 64\n"
    "characters) or leave out (a path too deep), with what the disc would hold; a settings file\n"
    "saved as UTF-8 without a byte-order mark (what Windows shows instead); a 64-bit program\n"
    "for Windows 95/98, a 16-bit one for Windows NT (64-bit Windows refuses it), a console\n"
    "program where a window is awaited.\n"
    "Errors: no settings file; a RunLocationRoot that names no registry root; an installer or\n"
    "a program to run from the disc missing, empty or no Windows program, for each family; a\n"
    "file the disc's own AUTORUN.INF names that is not on the disc (open=, shellexecute=:\n"
    "AutoPlay starts nothing; icon=).\n"
    "The last line counts them: N errors, N warnings. Exit status 1 when there is an error.\n";

const char kTryUsage[] =
    "Usage: tavio-disc try DISC_FOLDER [--family 95|nt] [--not-installed | --installed FOLDER [--missing]\n"
    "                      [--record-type REG_SZ|REG_EXPAND_SZ] [--beside NAME=TEXT]...] [--env NAME=VALUE]...\n"
    "                      [--machine 32|64 [--record-view 32|64]] [--window-after SECONDS|never]\n"
    "                      [--second-start SECONDS]\n"
    "                      [--answer ok|cancel|close]... [--window CLASS[|TITLE]]...\n"
    "                      [--association .EXT=COMMAND]... [--launcher NAME] [--codepage N] [--json]\n"
    "       tavio-disc try DISC_FOLDER --all [--installed FOLDER] [--window CLASS[|TITLE]]...\n"
    "                      [--association .EXT=COMMAND]... [--launcher NAME] [--json]\n"
    "\n"
    "Runs the launcher's real decision over a simulated Windows that holds DISC_FOLDER as D:\\,\n"
    "and prints what a user would see, in order, one event a line:\n"
    "  alert: CAPTION | TEXT | BUTTONS | default BUTTON\n"
    "  report: CAPTION | TEXT\n"
    "  start: PROGRAM | PARAMETERS | WORKING DIRECTORY[ | refused N][ | the shell runs COMMAND]\n"
    "  wait: CLASS | TITLE | SECONDS s\n"
    "  exit N: MEANING\n"
    "Texts stand on one line, as a machine of the ANSI code page (--codepage, 1252 unless\n"
    "given) shows them: {LF} is a line break, {CR} a carriage return, {SP} a blank at either\n"
    "end, {xHH} the byte HH where the code page shows no character, (empty) no text. A start\n"
    "the shell refuses ends with \"refused N\", N what the shell returned (11: the file is no\n"
    "program this Windows runs). A document the launcher gives the shell to open ends with the\n"
    "command line its association runs.\n"
    "The started program opens the window the launcher waits for at once, unless\n"
    "--window-after says when (or never); the wait line then tells how it ended.\n"
    "\n"
    "  --family 95|nt          Windows 95/98, or Windows NT and later (the default)\n"
    "  --not-installed         no install record (the default)\n"
    "  --installed FOLDER      the install record holds FOLDER (REG_SZ, where RunLocationRoot,\n"
    "                          RunLocationKey and RunLocationValue put it), and FOLDER holds\n"
    "                          the programs the settings name for it\n"
    "                          FOLDER is the record's text as the installer writes it: a\n"
    "                          folder, or with ExtractFolder a program's path or command line\n"
    "  --record-type REG_SZ|REG_EXPAND_SZ  the record's type (REG_SZ unless given); an\n"
    "                          expandable record names variables: %ProgramFiles%\\Tool\n"
    "  --beside NAME=TEXT      with --installed: a further REG_SZ value in the record's key\n"
    "  --machine 32|64         NT: 32-bit Windows (the default), or 64-bit Windows, where the\n"
    "                          launcher runs as a 32-bit program (WOW64)\n"
    "  --record-view 32|64     with --machine 64: the record lies where a 32-bit installer\n"
    "                          writes it (the default: HKEY_LOCAL_MACHINE\\Software is then\n"
    "                          Software\\WOW6432Node), or where a 64-bit installer does\n"
    "  --window-after SECONDS|never  when the started program opens the window the launcher\n"
    "                          waits for (default 0: at once); never: the wait runs to its end\n"
    "  --second-start SECONDS  a second start of the launcher SECONDS after the first (a\n"
    "                          double click, or AutoPlay): while the first runs, the second\n"
    "                          finds its window, tells it and ends (exit 2); after the first\n"
    "                          has ended, it runs on its own, answered as --answer says.\n"
    "                          Its lines begin with \"second\"\n"
    "  --env NAME=VALUE        an environment variable (SystemDrive, SystemRoot, windir,\n"
    "                          ProgramFiles and CommonProgramFiles are set as on C:)\n"
    "  --missing               with --installed: those programs are gone from FOLDER\n"
    "  --answer ok|cancel|close  the answer to the next message box; once the answers run\n"
    "                          out, OK. An OK-only box has no Cancel: cancel closes it.\n"
    "  --window CLASS[|TITLE]  a window of another program, open before the launcher starts\n"
    "  --association .EXT=COMMAND  documents ending in .EXT open with COMMAND: the open command\n"
    "                          as written when it holds a placeholder ('.url=rundll32.exe\n"
    "                          ieframe.dll,OpenURL %l'), else a program's path (\"PROGRAM\" \"%1\");\n"
    "                          a program with a folder is put in place. The simulated machine\n"
    "                          has no other association\n"
    "  --all                   the matrix, one table row per case: both families; not\n"
    "                          installed, installed (in FOLDER, default "
    "C:\\Program Files\\Installed),\n"
    "                          installed with the program missing; every box answered OK,\n"
    "                          then every box answered Cancel\n";

const char kImageUsage[] =
    "Usage: tavio-disc image DISC_FOLDER OUT.iso [--label LABEL] [--icon FILE.ico] [--launcher NAME] [--json]\n"
    "\n"
    "Presses DISC_FOLDER into OUT.iso, an ISO 9660 image with Joliet names, with xorriso.\n"
    "When the folder has no AUTORUN.INF, the image gets one: open= the launcher, icon= FILE.ico\n"
    "(copied to the disc's root) or else the launcher's own icon, label= LABEL. LABEL also\n"
    "names the volume (default: the folder's name). Refuses while check reports an error, and\n"
    "refuses (exit 2) an OUT.iso that is a folder, lies inside DISC_FOLDER, or is one of its files.\n"
    "\n"
    "The image is pressed beside OUT.iso and read back with xorriso: the launcher, its settings\n"
    "file, every installer, program and document the settings run from the disc (for each\n"
    "Windows family), AUTORUN.INF's icon and what a disc's own AUTORUN.INF starts (open=,\n"
    "shellexecute=) must be in its Joliet tree, which Windows reads,\n"
    "under the names the settings spell (letter case aside). A file that is not is an error:\n"
    "its key, its path and what the disc holds instead; the image is dropped (exit 1) and an\n"
    "earlier OUT.iso stays. A file without a plain ISO 9660 name is a warning: a system that\n"
    "reads no Joliet (DOS, some players) does not find it.\n"
    "  --json  the read-back result per file, as one JSON object\n";

const char kDefaultInstallFolder[] = "C:\\Program Files\\Installed";

struct Options {
    std::string verb;
    std::vector<std::string> operands;
    std::string launcher = "AUTOPLAY.EXE";
    bool json = false;
    bool help = false;
    bool windows95 = false;
    bool installed = false, missing = false, notInstalled = false, all = false;
    std::string installFolder;
    long windowAfterMs = 0;
    long secondStartMs = -1;
    DWORD recordType = REG_SZ;
    bool machine64 = false, recordView64 = false;
    std::vector<std::pair<std::string, std::string>> beside, environment;
    std::vector<int> answers;
    std::vector<MachineWindow> windows;
    std::vector<std::pair<std::string, std::string>> associations;
    std::string label, icon;
};

// Parses the arguments after the verb; false with the reason.
bool Parse(const std::vector<std::string>& args, Options* o, std::string* why) {
    o->verb = args.empty() ? "" : args[0];
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string* to) {
            if (i + 1 >= args.size()) {
                *why = a + " needs a value";
                return false;
            }
            *to = args[++i];
            return true;
        };
        std::string v;
        const bool tries = o->verb == "try", images = o->verb == "image";
        if (a == "--help" || a == "-h") o->help = true;
        else if (a == "--json") o->json = true;
        else if (a == "--codepage" && !images) {
            if (!value(&v)) return false;
            char* end = nullptr;
            const long page = strtol(v.c_str(), &end, 10);
            if (v.empty() || *end != '\0' || !SetDisplayCodePage(static_cast<int>(page)))
                return *why = "--codepage " + v + ": not an ANSI code page the kit knows (1252, 1250, 1251, ...)", false;
        }
        else if (a == "--launcher") {
            if (!value(&o->launcher)) return false;
            for (char& c : o->launcher)
                if (c == '/') c = '\\';
        } else if (tries && a == "--family") {
            if (!value(&v)) return false;
            if (v != "95" && v != "nt" && v != "NT") return *why = "--family is 95 or nt", false;
            o->windows95 = v == "95";
        } else if (tries && a == "--not-installed") o->notInstalled = true;
        else if (tries && a == "--installed") {
            if (!value(&o->installFolder)) return false;
            o->installed = true;
        } else if (tries && a == "--missing") o->missing = true;
        else if (tries && a == "--window-after") {
            if (!value(&v)) return false;
            char* end = nullptr;
            const double seconds = strtod(v.c_str(), &end);
            if (v == "never") o->windowAfterMs = -1;
            else if (v.empty() || *end != '\0' || !(seconds >= 0 && seconds <= 20000))
                return *why = "--window-after is SECONDS (0 to 20000) or never", false;
            else o->windowAfterMs = static_cast<long>(seconds * 1000);
        } else if (tries && a == "--second-start") {
            if (!value(&v)) return false;
            char* end = nullptr;
            const double seconds = strtod(v.c_str(), &end);
            if (v.empty() || *end != '\0' || !(seconds >= 0 && seconds <= 20000))
                return *why = "--second-start is SECONDS (0 to 20000)", false;
            o->secondStartMs = static_cast<long>(seconds * 1000);
        } else if (tries && a == "--record-type") {
            if (!value(&v)) return false;
            if (v != "REG_SZ" && v != "REG_EXPAND_SZ") return *why = "--record-type is REG_SZ or REG_EXPAND_SZ", false;
            o->recordType = v == "REG_SZ" ? REG_SZ : REG_EXPAND_SZ;
        } else if (tries && (a == "--machine" || a == "--record-view")) {
            if (!value(&v)) return false;
            if (v != "32" && v != "64") return *why = a + " is 32 or 64", false;
            (a == "--machine" ? o->machine64 : o->recordView64) = v == "64";
        } else if (tries && (a == "--beside" || a == "--env")) {
            if (!value(&v)) return false;
            const size_t equals = v.find('=');
            if (equals == std::string::npos || equals == 0) return *why = a + " is NAME=TEXT", false;
            // Texts of the command line are UTF-8: a name outside the ANSI code page stays whole.
            (a == "--env" ? o->environment : o->beside)
                .push_back({sim::Utf8(v.substr(0, equals).c_str()), sim::Utf8(v.substr(equals + 1).c_str())});
        }
        else if (tries && a == "--all") o->all = true;
        else if (tries && a == "--answer") {
            if (!value(&v)) return false;
            if (v == "ok") o->answers.push_back(IDOK);
            else if (v == "cancel") o->answers.push_back(IDCANCEL);
            else if (v == "close") o->answers.push_back(sim::kCloseBox);
            else return *why = "--answer is ok, cancel or close", false;
        } else if (tries && a == "--window") {
            if (!value(&v)) return false;
            const size_t bar = v.find('|');
            o->windows.push_back({v.substr(0, bar), bar == std::string::npos ? "" : v.substr(bar + 1)});
        } else if (tries && a == "--association") {
            if (!value(&v)) return false;
            const size_t equals = v.find('=');
            if (equals == std::string::npos || equals == 0 || equals + 1 == v.size())
                return *why = "--association is .EXT=COMMAND", false;
            o->associations.push_back({v.substr(0, equals), sim::Utf8(v.substr(equals + 1).c_str())});
        } else if (images && a == "--label") {
            if (!value(&o->label)) return false;
        } else if (images && a == "--icon") {
            if (!value(&o->icon)) return false;
        } else if (!a.empty() && a[0] == '-') return *why = "unknown option " + a, false;
        else o->operands.push_back(a);
    }
    if (o->help) return true;
    const size_t wanted = o->verb == "image" ? 2 : 1;
    if (o->operands.size() != wanted)
        return *why = o->verb + (wanted == 2 ? " takes DISC_FOLDER and OUT.iso" : " takes one DISC_FOLDER"), false;
    if (o->installed && o->notInstalled) return *why = "--installed and --not-installed exclude each other", false;
    if (o->missing && !o->installed) return *why = "--missing goes with --installed", false;
    if (o->recordView64 && !o->machine64) return *why = "--record-view goes with --machine 64", false;
    if ((o->recordType != REG_SZ || !o->beside.empty()) && !o->installed && !o->all)
        return *why = "--record-type and --beside go with --installed", false;
    if (o->all && (o->missing || o->notInstalled || !o->answers.empty() || o->secondStartMs >= 0))
        return *why = "--all makes its own installations and answers", false;
    return true;
}

DiscMachine BaseMachine(const Options& o) {
    DiscMachine machine;
    machine.discFolder = o.operands[0];
    machine.launcher = sim::Utf8(o.launcher.c_str());  // UTF-8, as every text of the command line
    machine.windows = o.windows;
    machine.environment = o.environment;
    machine.machine64 = o.machine64;
    machine.windowAfterMs = o.windowAfterMs;
    machine.secondStartMs = o.secondStartMs;
    for (const auto& association : o.associations) AddAssociation(machine, association.first, association.second);
    return machine;
}

// ---- check ----

int Check(const Options& o, std::string* out, std::string* err) {
    CheckResult result;
    std::string problem;
    if (!CheckDisc(BaseMachine(o), &result, &problem)) {
        *err += "tavio-disc: " + o.operands[0] + ": " + problem + "\n";
        return Unreadable;
    }
    if (o.json) {
        *out += "{\"settings\": " + (result.settingsFile.empty() ? std::string("null") : JsonUtf8(result.settingsFile)) +
                ", \"diagnostics\": [";
        for (size_t i = 0; i < result.diagnostics.size(); ++i) {
            const Diagnostic& d = result.diagnostics[i];
            *out += std::string(i ? ", " : "") + "{\"file\": " + JsonUtf8(d.file) +
                    ", \"line\": " + (d.line ? std::to_string(d.line) : "null") + ", \"severity\": \"" +
                    (d.error ? "error" : "warning") + "\", \"message\": " + JsonUtf8(d.message) + "}";
        }
        *out += "], \"errors\": " + std::to_string(result.errors) +
                ", \"warnings\": " + std::to_string(result.warnings) + "}\n";
    } else {
        for (const Diagnostic& d : result.diagnostics)
            *out += d.file + (d.line ? ":" + std::to_string(d.line) : "") + ": " + (d.error ? "error" : "warning") +
                    ": " + d.message + "\n";
        *out += std::to_string(result.errors) + (result.errors == 1 ? " error, " : " errors, ") +
                std::to_string(result.warnings) + (result.warnings == 1 ? " warning\n" : " warnings\n");
    }
    return result.errors > 0 ? Found : Done;
}

// ---- try ----

std::string Joined(const std::vector<std::string>& items) {
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) text += (i ? ", " : "") + items[i];
    return text;
}

std::string Seconds(long milliseconds) {
    char text[32];
    snprintf(text, sizeof text, "%.1f s", milliseconds / 1000.0);
    return text;
}

std::string WaitSeconds(const DryRunEvent& e) {
    return e.seconds < 0 ? std::string("no limit") : std::to_string(e.seconds) + " s";
}

std::string EventLine(const DryRunEvent& e) {
    switch (e.kind) {
        case DryRunEvent::Alert:
            return "alert: " + OneLine(e.caption) + " | " + OneLine(e.text) + " | " + Joined(e.buttons) +
                   " | default " + e.defaultButton;
        case DryRunEvent::Report:
            return "report: " + OneLine(e.caption) + " | " + OneLine(e.text);
        case DryRunEvent::Start:
            return "start: " + OneLine(e.program) + " | " + OneLine(e.parameters) + " | " + OneLine(e.directory) +
                   (e.started ? "" : " | refused " + std::to_string(e.result)) +
                   (e.command.empty() ? "" : " | the shell runs " + OneLine(e.command));
        case DryRunEvent::Wait:
            return "wait: " + OneLine(e.windowClass) + " | " + (e.anyTitle ? "(any title)" : OneLine(e.windowTitle)) +
                   " | " + WaitSeconds(e) + (e.found ? "" : " | timed out after " + Seconds(e.endedMs));
    }
    return std::string();
}

std::string EventJson(const DryRunEvent& e) {
    switch (e.kind) {
        case DryRunEvent::Alert:
        case DryRunEvent::Report: {
            std::string buttons;
            for (size_t i = 0; i < e.buttons.size(); ++i) buttons += (i ? ", " : "") + Json(e.buttons[i]);
            return std::string("{\"event\": \"") + (e.kind == DryRunEvent::Alert ? "alert" : "report") +
                   "\", \"caption\": " + Json(e.caption) + ", \"text\": " + Json(e.text) + ", \"buttons\": [" +
                   buttons + "], \"default\": " + Json(e.defaultButton) + "}";
        }
        case DryRunEvent::Start:
            return "{\"event\": \"start\", \"program\": " + Json(e.program) +
                   ", \"parameters\": " + Json(e.parameters) + ", \"directory\": " + Json(e.directory) +
                   ", \"started\": " + (e.started ? "true" : "false") + ", \"result\": " + std::to_string(e.result) +
                   ", \"command\": " + (e.command.empty() ? std::string("null") : Json(e.command)) + "}";
        case DryRunEvent::Wait:
            return "{\"event\": \"wait\", \"class\": " + Json(e.windowClass) +
                   ", \"title\": " + (e.anyTitle ? std::string("null") : Json(e.windowTitle)) +
                   ", \"seconds\": " + (e.seconds < 0 ? std::string("null") : std::to_string(e.seconds)) +
                   ", \"found\": " + (e.found ? "true" : "false") + ", \"lasted_ms\": " + std::to_string(e.endedMs) + "}";
    }
    return std::string();
}

std::string ExitLine(const DryRun& run) {
    if (!run.ended) return "exit none: the launcher never ends: it still waits when the simulation stops it";
    return "exit " + std::to_string(run.exitCode) + ": " + ExitMeaning(run.exitCode);
}

struct TryCase {
    bool windows95;
    enum { NotInstalled, Installed, Missing } installation;
    std::vector<int> answers;
    std::string answersName;  // for the table
};

const char* InstallationName(const TryCase& c) {
    return c.installation == TryCase::NotInstalled ? "not installed"
           : c.installation == TryCase::Installed  ? "installed"
                                                   : "program missing";
}

bool RunCase(const Options& o, const TryCase& c, DryRun* run, std::string* problem) {
    DiscMachine machine = BaseMachine(o);
    machine.windows95 = c.windows95;
    machine.answers = c.answers;
    if (c.installation != TryCase::NotInstalled) {
        // An empty record, as given, names no folder: the default is --all's alone.
        const std::string folder = o.installed ? o.installFolder : kDefaultInstallFolder;
        // Without a settings file there is no record to place: the launcher stops before looking.
        std::string unused;
        AddInstallation(machine, sim::Utf8(folder.c_str()), c.installation == TryCase::Missing, &unused, o.recordType,
                        o.beside, o.recordView64);
    }
    return TryDisc(machine, run, problem);
}

std::string RunJson(const DryRun& run) {
    std::string events;
    for (size_t i = 0; i < run.events.size(); ++i) events += (i ? ", " : "") + EventJson(run.events[i]);
    std::string notes;
    for (size_t i = 0; i < run.notes.size(); ++i) notes += (i ? ", " : "") + Json(run.notes[i]);
    std::string second;
    for (const SecondStart& start : run.second)
        second = ", \"second\": {\"at_ms\": " + std::to_string(start.atMs) +
                 ", \"first_running\": " + (start.firstRunning ? "true" : "false") +
                 ", \"told_first\": " + (start.toldFirst ? "true" : "false") + ", " + RunJson(start.run) + "}";
    return "\"events\": [" + events + "], \"exit\": " + (run.ended ? std::to_string(run.exitCode) : "null") +
           ", \"meaning\": " + Json(run.ended ? ExitMeaning(run.exitCode) : "the launcher never ends") +
           (notes.empty() ? "" : ", \"notes\": [" + notes + "]") + second;
}

// One row of the matrix: the events in short, the user's view of the case.
std::string Summary(const DryRun& run) {
    std::string text;
    for (const DryRunEvent& e : run.events) {
        if (!text.empty()) text += " > ";
        switch (e.kind) {
            case DryRunEvent::Alert:
                text += "alert \"" + OneLine(e.caption) + "\"";
                break;
            case DryRunEvent::Report:
                text += "report \"" + OneLine(e.caption) + "\"";
                break;
            case DryRunEvent::Start:
                text += (e.started ? "start " : "refused start ") + OneLine(e.program);
                break;
            case DryRunEvent::Wait:
                text += "wait " + OneLine(e.windowClass);
                break;
        }
    }
    return text.empty() ? "(nothing)" : text;
}

int TryAll(const Options& o, std::string* out, std::string* err) {
    std::vector<TryCase> cases;
    for (const bool windows95 : {true, false})
        for (const auto installation : {TryCase::NotInstalled, TryCase::Installed, TryCase::Missing})
            for (const bool ok : {true, false}) {
                // Enough answers for every box a run can show.
                const std::vector<int> answers(8, ok ? IDOK : IDCANCEL);
                cases.push_back({windows95, installation, answers, ok ? "OK" : "Cancel"});
            }
    if (o.json) *out += "{\"cases\": [";
    else *out += "family  installation     answers  exit  what the user meets\n";
    for (size_t i = 0; i < cases.size(); ++i) {
        const TryCase& c = cases[i];
        DryRun run;
        std::string problem;
        if (!RunCase(o, c, &run, &problem)) {
            *err += "tavio-disc: " + o.operands[0] + ": " + problem + "\n";
            return Unreadable;
        }
        if (o.json) {
            *out += std::string(i ? ", " : "") + "{\"family\": \"" + (c.windows95 ? "95" : "nt") +
                    "\", \"installation\": \"" + InstallationName(c) + "\", \"answers\": \"" + c.answersName + "\", " +
                    RunJson(run) + "}";
            continue;
        }
        char row[96];
        snprintf(row, sizeof row, "%-6s  %-15s  %-7s  %4s  ", c.windows95 ? "95" : "nt", InstallationName(c),
                 c.answersName.c_str(), run.ended ? std::to_string(run.exitCode).c_str() : "none");
        *out += row + Summary(run) + "\n";
    }
    if (o.json) *out += "]}\n";
    return Done;
}

TryCase SingleCase(const Options& o) {
    TryCase c{o.windows95, TryCase::NotInstalled, o.answers, ""};
    if (o.installed) c.installation = o.missing ? TryCase::Missing : TryCase::Installed;
    return c;
}

int Try(const Options& o, std::string* out, std::string* err) {
    if (o.all) return TryAll(o, out, err);
    const TryCase c = SingleCase(o);
    DryRun run;
    std::string problem;
    if (!RunCase(o, c, &run, &problem)) {
        *err += "tavio-disc: " + o.operands[0] + ": " + problem + "\n";
        return Unreadable;
    }
    if (o.json) {
        *out += std::string("{\"family\": \"") + (c.windows95 ? "95" : "nt") + "\", \"installation\": \"" +
                InstallationName(c) + "\", " + RunJson(run) + "}\n";
        return Done;
    }
    for (const DryRunEvent& e : run.events) *out += EventLine(e) + "\n";
    for (const std::string& note : run.notes) *out += "note: the simulation: " + OneLine(note) + "\n";
    *out += ExitLine(run) + "\n";
    for (const SecondStart& start : run.second) {
        *out += "second start: at " + Seconds(start.atMs) + " | the first launcher " +
                (start.firstRunning ? "still runs" : "has ended") + "\n";
        for (const DryRunEvent& e : start.run.events) *out += "second: " + EventLine(e) + "\n";
        for (const std::string& note : start.run.notes) *out += "second: note: the simulation: " + OneLine(note) + "\n";
        if (start.toldFirst)
            *out += "second: notice: posted to the first launcher's window, which notes it on its status window and "
                    "goes on\n";
        *out += "second: " + ExitLine(start.run) + "\n";
    }
    return Done;
}

// ---- image ----

std::string ImageJson(const ImageResult& image, const std::string& output) {
    std::string files;
    for (size_t i = 0; i < image.files.size(); ++i) {
        const ReadBack& f = image.files[i];
        files += std::string(i ? ", " : "") + "{\"key\": " + Json(f.file.key) + ", \"family\": " + Json(f.file.family) +
                 ", \"path\": " + Json(f.file.path) + ", \"found\": " + (f.found ? "true" : "false") +
                 ", \"joliet\": " + (f.found ? Json(f.joliet) : std::string("null")) +
                 ", \"instead\": " + (f.found || f.joliet.empty() ? std::string("null") : Json(f.joliet)) +
                 ", \"plain\": " + (f.plain ? "true" : "false") + "}";
    }
    return "{\"image\": " + (image.pressed ? Json(output) : std::string("null")) +
           ", \"bytes\": " + std::to_string(image.bytes) + ", \"volume\": " + Json(image.label) + ", \"files\": [" +
           files + "], \"errors\": " + std::to_string(image.errors) + ", \"warnings\": " +
           std::to_string(image.warnings) + "}\n";
}

int Image(const Options& o, std::string* out, std::string* err) {
    ImageRequest request;
    request.discFolder = o.operands[0];
    request.output = o.operands[1];
    request.label = o.label;
    request.icon = o.icon;
    request.launcher = o.launcher;
    const std::string refusal = RefuseOutput(request);
    if (!refusal.empty()) {
        *err += refusal + "\n";
        return WrongUse;
    }
    CheckResult result;
    std::string problem;
    DiscMachine machine = BaseMachine(o);
    if (!CheckDisc(machine, &result, &problem)) {
        *err += "tavio-disc: " + o.operands[0] + ": " + problem + "\n";
        return Unreadable;
    }
    if (result.errors > 0) {
        for (const Diagnostic& d : result.diagnostics)
            if (d.error) *err += d.file + (d.line ? ":" + std::to_string(d.line) : "") + ": error: " + d.message + "\n";
        *err += "image: not pressed: check reports " + std::to_string(result.errors) +
                (result.errors == 1 ? " error\n" : " errors\n");
        return Found;
    }
    request.namedFiles = result.discFiles;
    ImageResult image;
    std::string lines;
    const bool pressed = PressImage(request, &image, &lines, err);
    // Read back or not, the result per file; a press that failed before that has only its reason.
    *out += o.json && !image.files.empty() ? ImageJson(image, request.output) : lines;
    return pressed ? Done : Found;
}

}  // namespace

int DiscTool(const std::vector<std::string>& args, std::string* out, std::string* err) {
    SetDisplayCodePage(1252);  // each run starts from the default
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        *(args.empty() ? err : out) += kUsage;
        return args.empty() ? WrongUse : Done;
    }
    const std::string& verb = args[0];
    if (verb == "--version") {
        *out += "tavio-disc (Tavio Launcher) " TAVIO_VERSION "\n";
        return Done;
    }
    if (verb == "exit-code") {
        char* end = nullptr;
        const long code = args.size() == 2 ? strtol(args[1].c_str(), &end, 10) : 0;
        if (end == nullptr || *end != '\0' || args[1].empty()) {
            *err += "tavio-disc exit-code: takes one number, the launcher's exit code\n";
            return WrongUse;
        }
        *out += "exit " + args[1] + ": " + ExitMeaning(static_cast<int>(code)) + "\n";
        return Done;
    }
    const char* usage = verb == "check"   ? kCheckUsage
                        : verb == "try"   ? kTryUsage
                        : verb == "image" ? kImageUsage
                                          : nullptr;
    if (usage == nullptr) {
        *err += "tavio-disc: unknown verb " + verb + " (tavio-disc --help tells more)\n";
        return WrongUse;
    }
    Options options;
    std::string why;
    if (!Parse(args, &options, &why)) {
        *err += "tavio-disc " + verb + ": " + why + " (tavio-disc " + verb + " --help tells more)\n";
        return WrongUse;
    }
    if (options.help) {
        *out += usage;
        return Done;
    }
    if (verb == "check") return Check(options, out, err);
    if (verb == "try") return Try(options, out, err);
    return Image(options, out, err);
}

int TryCommand(const std::vector<std::string>& args, DryRun* run, std::string* err) {
    SetDisplayCodePage(1252);
    Options options;
    std::string why;
    if (args.empty() || args[0] != "try" || !Parse(args, &options, &why) || options.help || options.all) {
        *err += "tavio-disc try: " + (why.empty() ? std::string("not one run of try") : why) + "\n";
        return WrongUse;
    }
    std::string problem;
    if (!RunCase(options, SingleCase(options), run, &problem)) {
        *err += "tavio-disc: " + options.operands[0] + ": " + problem + "\n";
        return Unreadable;
    }
    return Done;
}
