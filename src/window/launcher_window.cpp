// The launcher window: class, creation, lookups, the wait loop and the window procedure.
#include "window/launcher_window.h"

LauncherWindowState LauncherWindowRoom;
