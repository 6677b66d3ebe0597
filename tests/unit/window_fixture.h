// The fixture of the window room's tests: default settings and the launcher window as start-up makes it.
#ifndef TAVIO_TESTS_WINDOW_FIXTURE_H
#define TAVIO_TESTS_WINDOW_FIXTURE_H

#include "settings/launcher_settings.h"
#include "unit_support.h"
#include "window/launcher_window.h"
#include "window/status_lines.h"

const HINSTANCE kInstance = reinterpret_cast<HINSTANCE>(static_cast<ULONG_PTR>(0x00400000));

class WindowRoomTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        Restart();
    }
    void Restart() {
        SimTest::Restart();
        LoadDefaultSettings();
        StatusDisplay.StartShowMode = SW_SHOWDEFAULT;
    }
    // The window as start-up makes it, with the status lines prepared.
    HWND MakeLauncherWindow() {
        InitStatusLines();
        EXPECT_NE(0, RegisterLauncherClass(kInstance, Settings.LauncherWindowClass.CStr()));
        EXPECT_EQ(1, CreateLauncherWindow(kInstance, SW_SHOWNORMAL, Settings.LauncherWindowClass.CStr()));
        return WindowWait.LauncherWindow;
    }
};

#endif
