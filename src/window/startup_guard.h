// The start-up guard: one launcher of a path at a time between its look for a running launcher and its own window.
#ifndef TAVIO_WINDOW_STARTUP_GUARD_H
#define TAVIO_WINDOW_STARTUP_GUARD_H

#include "platform/windows_api.h"

// The longest wait for another launcher of the same path to make its window. The holder
// holds the guard for the look-up and the making of its window only, no box and no wait
// (some 25 ms under Wine); the bound is for a holder that hangs, and leaves room for the
// holder's pages to come from a CD that must first spin up again (one to three seconds).
constexpr DWORD StartupGuardWait = 5000;

struct StartupGuardState {
    HANDLE Mutex;  // null when there is no guard: deferral switched off, or the mutex refused
    // The path of the launcher's settings file, in capitals and with '/' for '\'.
    char Name[MAX_PATH];
};
extern StartupGuardState StartupGuard;

// Takes the guard of this launcher's path, waiting at most StartupGuardWait for it. Start-up
// goes on whatever happens: unguarded when the guard cannot be had.
void HoldStartupGuard();
// Lets the guard go once the launcher window exists. A launcher that ends before that lets
// it go by ending: Windows then gives it to a waiting launcher as abandoned.
void ReleaseStartupGuard();

#endif
