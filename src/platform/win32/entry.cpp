// The product's entry point: Windows start-up straight into RunLauncher, no C runtime start-up code.
#include "launch/run_launcher.h"
#include "platform/windows_api.h"

// The show mode the process was started with, as WinMain would receive it.
static int StartupShowMode() {
    STARTUPINFOA startup;
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
}

extern "C" void WINAPI TavioEntry() {
    // The command line is not used; GetCommandLineA keeps the WinMain contract all the same.
    const int code = RunLauncher(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), StartupShowMode());
    ExitProcess(static_cast<UINT>(code));
}
