// Fresh state for each host test.
#include "unit_support.h"

#include "launch/launch_control.h"
#include "launching/start_program.h"
#include "location/install_location.h"
#include "settings/launcher_settings.h"
#include "settings/settings_file.h"
#include "window/launcher_window.h"
#include "window/status_lines.h"

void ResetLauncherState() {
    // Each room's state as at process start: value-initialisation gives exactly the
    // constant initialisation the product starts with.
    Settings = LauncherSettings{};
    SettingsFile = SettingsFileState{};
    RegistryQuery = RegistryQueryState{};
    LaunchAffixes = LaunchAffixesState{};
    StartProgramTexts = StartProgramState{};
    LauncherWindowRoom = LauncherWindowState{};
    StatusDisplay = StatusDisplayState{};
    LaunchControl = LaunchControlState{};
}

void SimTest::SetUp() {
    sim::Reset();
    ResetLauncherState();
}

void SimTest::TearDown() {
    for (const std::string& failure : sim::Failures()) ADD_FAILURE() << "simulated Windows: " << failure;
}
