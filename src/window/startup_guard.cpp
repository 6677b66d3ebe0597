// The start-up guard: a named mutex around a launcher's look for a running launcher and the making of its window.
#include "window/startup_guard.h"

#include "settings/launcher_settings.h"
#include "settings/settings_file.h"

StartupGuardState StartupGuard;

namespace {

// The guard is named after the launcher's settings file: its own folder (as it found
// itself, the short form) and its own name with ".INI", in its SETTINGS folder when the
// file is there. Two starts of one launcher may spell that path differently (AutoPlay,
// Explorer, a command line), and Windows compares object names with letter case: the name
// is in capitals. A backslash would name a folder of the NT object namespace, so a slash
// stands for it. The path, which OpenFile found, holds fewer than 128 characters; the name
// is bounded by MAX_PATH all the same, the most Windows takes.
void NameGuard() {
    const char* path = SettingsFile.SettingsFilePath.CStr();
    size_t at = 0;
    for (; path[at] != '\0' && at < MAX_PATH - 1; ++at) {
        char c = path[at];
        if (c == '\\') c = '/';
        else if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        StartupGuard.Name[at] = c;
    }
    StartupGuard.Name[at] = '\0';
}

}  // namespace

void HoldStartupGuard() {
    // "(ignore)" switches deferral off: no launcher looks for another, so none may wait.
    if (IsIgnoreMarker(Settings.LauncherWindowClass.CStr())) return;
    NameGuard();
    StartupGuard.Mutex = CreateMutexA(nullptr, FALSE, StartupGuard.Name);
    if (StartupGuard.Mutex == nullptr) return;
    // WAIT_ABANDONED: the holder ended without a window, and the guard is this launcher's.
    // A time-out or a failed wait leaves start-up unguarded, as it was before guards.
    WaitForSingleObject(StartupGuard.Mutex, StartupGuardWait);
}

void ReleaseStartupGuard() {
    if (StartupGuard.Mutex == nullptr) return;
    // Fails, changing nothing, when the wait did not get the guard.
    ReleaseMutex(StartupGuard.Mutex);
    CloseHandle(StartupGuard.Mutex);
    StartupGuard.Mutex = nullptr;
}
