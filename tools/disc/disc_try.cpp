// The dry run: RunLauncher on the simulated machine, its message boxes, starts and wait read back in order.
#include "disc_try.h"

#include "launch/launch_control.h"

#include <string.h>

#include "launch/alerts.h"
#include "launch/run_launcher.h"
#include "settings/launcher_settings.h"
#include "sim.h"
#include "window/launcher_window.h"
#include "window/status_lines.h"

namespace {

// Longer than any wait with a limit (15000 s): a run still waiting then never ends.
constexpr DWORD kRunTimeCap = 15001u * 1000u;

bool SameAlert(const sim::MessageBoxCall& box, const SettingText& caption, const SettingText* lines[5]) {
    FixedText<4096> text;
    ComposeAlert(text, lines[0]->CStr(), lines[1]->CStr(), lines[2]->CStr(), lines[3]->CStr(), lines[4]->CStr());
    return box.caption == caption.CStr() && box.text == text.CStr();
}

// An alert is a box whose caption and text are one of the three alerts' as the settings give
// them; every other box reports a failure.
bool IsAlert(const sim::MessageBoxCall& box) {
    const LauncherSettings& s = Settings;
    const SettingText* install[5] = {&s.InstallAlertText1, &s.InstallAlertText2, &s.InstallAlertText3,
                                     &s.InstallAlertText4, &s.InstallAlertText5};
    const SettingText* run[5] = {&s.RunAlertText1, &s.RunAlertText2, &s.RunAlertText3, &s.RunAlertText4,
                                 &s.RunAlertText5};
    const SettingText* reinstall[5] = {&s.ReinstallAlertText1, &s.ReinstallAlertText2, &s.ReinstallAlertText3,
                                       &s.ReinstallAlertText4, &s.ReinstallAlertText5};
    return SameAlert(box, s.InstallAlertTitle, install) || SameAlert(box, s.RunAlertTitle, run) ||
           SameAlert(box, s.ReinstallAlertTitle, reinstall);
}

DryRunEvent BoxEvent(const sim::MessageBoxCall& box) {
    DryRunEvent event{};
    event.kind = IsAlert(box) ? DryRunEvent::Alert : DryRunEvent::Report;
    event.caption = box.caption;
    event.text = box.text;
    if ((box.type & 0xF) == MB_OKCANCEL) event.buttons = {"OK", "Cancel"};
    else event.buttons = {"OK"};
    event.defaultButton =
        (box.type & 0xF00) == MB_DEFBUTTON2 && event.buttons.size() > 1 ? event.buttons[1] : event.buttons[0];
    return event;
}

DryRunEvent StartEvent(const sim::ShellStart& start) {
    DryRunEvent event{};
    event.kind = DryRunEvent::Start;
    event.program = start.file;
    event.parameters = start.parameters;
    event.directory = start.directory;
    event.command = start.command;
    event.started = start.result > 32;
    event.result = start.result;
    return event;
}

bool StartsWith(const std::string& text, const char* prefix) { return text.compare(0, strlen(prefix), prefix) == 0; }

}  // namespace

bool TryDisc(const DiscMachine& machine, DryRun* run, std::string* problem) {
    if (!SetUpMachine(machine, problem)) return false;
    sim::SetTimeCap(kRunTimeCap);
    // Once the launcher's wait has begun: note what it waits for, and open that window, as
    // the started program would.
    DryRunEvent wait{};
    wait.kind = DryRunEvent::Wait;
    bool waited = false;
    const long windowAfter = machine.windowAfterMs;
    DWORD waitBegan = 0;
    sim::At(0, [&wait, &waited, &waitBegan, windowAfter]() {
        const WindowWaitState& room = WindowWait;
        if (room.ActiveWaitTarget == NoWait || room.WaitClass == nullptr) return;
        waited = true;
        waitBegan = sim::Now();
        wait.windowClass = room.WaitClass;
        wait.anyTitle = room.WaitTitle == nullptr;
        wait.windowTitle = wait.anyTitle ? "" : room.WaitTitle;
        wait.seconds = room.Countdown < 0 ? -1 : static_cast<long>(room.Countdown) * WaitTimerPeriod / 1000;
        if (windowAfter < 0) return;  // the program never opens it
        const std::string windowClass = wait.windowClass, title = wait.windowTitle;
        if (windowAfter == 0) sim::AddOtherProcessWindow(windowClass.c_str(), title.c_str());
        else
            sim::At(sim::Now() + static_cast<DWORD>(windowAfter), [windowClass, title]() {
                sim::AddOtherProcessWindow(windowClass.c_str(), title.c_str());
            });
    });

    // The first launcher's window as a second start would find it then, if it still stands.
    const long secondAt = machine.secondStartMs;
    bool firstRunning = false;
    std::string firstClass, firstTitle;
    if (secondAt >= 0)
        sim::At(static_cast<DWORD>(secondAt), [&firstRunning, &firstClass, &firstTitle]() {
            const HWND window = WindowWait.LauncherWindow;
            const sim::WindowInfo info = sim::Window(window);
            if (window == nullptr || !info.exists) return;
            firstRunning = true;
            firstClass = info.className;
            firstTitle = info.title;
        });

    run->exitCode = RunLauncher(reinterpret_cast<HINSTANCE>(0x400000), nullptr, nullptr, SW_SHOWNORMAL);
    run->ended = true;
    wait.endedMs = static_cast<long>(sim::Now() - waitBegan);
    wait.found = windowAfter >= 0 && (wait.seconds < 0 || windowAfter < wait.seconds * 1000);
    run->events.clear();
    run->notes = sim::Failures();
    for (const std::string& note : run->notes)
        if (StartsWith(note, "GetMessageA")) run->ended = false;

    size_t box = 0, start = 0;
    for (const std::string& line : sim::Trace()) {
        if (StartsWith(line, "MessageBoxA ") && box < sim::MessageBoxes().size()) {
            const sim::MessageBoxCall& call = sim::MessageBoxes()[box++];
            if (!call.endedByQuit) run->events.push_back(BoxEvent(call));
        } else if (StartsWith(line, "ShellExecuteA ") && start < sim::ShellStarts().size()) {
            run->events.push_back(StartEvent(sim::ShellStarts()[start++]));
        } else if (StartsWith(line, "SetTimer ") && waited) {
            run->events.push_back(wait);
        }
    }
    run->second.clear();
    if (secondAt < 0) return true;

    // The second launcher: a run of its own on the machine as it stood then.
    DiscMachine second = machine;
    second.secondStartMs = -1;
    if (firstRunning) second.windows.push_back({firstClass, firstTitle});
    if (waited && windowAfter >= 0 && static_cast<long>(waitBegan) + windowAfter <= secondAt)
        second.windows.push_back({wait.windowClass, wait.windowTitle});
    SecondStart later{secondAt, firstRunning, false, DryRun()};
    if (!TryDisc(second, &later.run, problem)) return false;
    for (const sim::PostedMessage& posted : sim::PostedToOtherProcesses())
        later.toldFirst = later.toldFirst || (firstRunning && posted.message == DeferralNotice);
    run->second.push_back(later);
    return true;
}

// Written against the launcher's own exit codes, so that a new one cannot go unexplained.
const char* ExitMeaning(int code) {
    switch (code) {
        case ExitDone:
            return "done";
        case ExitNotLocated:
            return "the launcher found no settings file (or could not locate itself)";
        case ExitDeferred:
            return "another launcher is running: it was told, and this one ends";
        case ExitNoClassOrCancelled:
            return "the install alert was cancelled (or the launcher's window class could not be registered)";
        case ExitNoWindowOrNoRootOrNoInstaller:
            return "the installer is missing, RunLocationRoot names no registry root, or no window could be made";
        case ExitInstalledMissingQuiet:
            return "the installed program is missing (no alert: ReinstallShowAlert is 0)";
        case ExitInstalledMissing:
            return "the installed program is missing: the reinstall alert was shown";
        case ExitDiscProgramMissing:
            return "the program to run from the disc is missing";
        case ExitInstallerWindowOpen:
            return "the installer's window is already open";
        case ExitProgramWindowOpen:
            return "the program's window is already open";
        default:
            return "not one of the launcher's exit codes";
    }
}
