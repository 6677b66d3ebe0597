// The dry run: the launcher's own decision on a simulated machine, told as what the user would see.
#ifndef TAVIO_TOOLS_DISC_DISC_TRY_H
#define TAVIO_TOOLS_DISC_DISC_TRY_H

#include <string>
#include <vector>

#include "disc_machine.h"

struct DryRunEvent {
    enum Kind { Alert, Report, Start, Wait } kind;
    // Alert and Report: a message box.
    std::string caption, text;
    std::vector<std::string> buttons;  // left to right
    std::string defaultButton;
    // Start: one start through the shell.
    std::string program, parameters, directory;
    std::string command;  // for a document the shell opened itself: the command line it ran
    bool started;   // the shell reported success
    unsigned result;  // what the shell returned (32 or less: refused)
    // Wait: the window the launcher waits for after a start.
    std::string windowClass, windowTitle;
    bool anyTitle;
    long seconds;  // -1: no limit
    bool found;      // the window came before the limit; else the wait timed out
    long endedMs;    // how long the wait lasted
};

struct SecondStart;

struct DryRun {
    std::vector<DryRunEvent> events;  // in the order the user meets them
    int exitCode;
    bool ended;                      // false: the launcher would never end (a wait with no end)
    std::vector<std::string> notes;  // what the simulation caught, if anything
    std::vector<SecondStart> second;  // the second start the machine asks for, if any
};

// A second start of the launcher on the same machine while the first runs, or after it.
struct SecondStart {
    long atMs;          // after the first start
    bool firstRunning;  // the first launcher's window still stood then
    bool toldFirst;     // the second posted its notice to the first launcher's window
    DryRun run;         // what the second launcher does
};

// Runs the launcher once on the machine. The started program opens the window the launcher
// waits for when the machine says (at once unless told: a wait then ends at its first look,
// half a second), or never. A second start (machine.secondStartMs) runs as the launcher's own
// code on the machine as the first left it then: the first launcher's window open while
// the first runs, the started program's window once open. False with the reason when the
// machine cannot be set up.
bool TryDisc(const DiscMachine& machine, DryRun* run, std::string* problem);

// What an exit code of the launcher means, in a few words.
const char* ExitMeaning(int code);

#endif
