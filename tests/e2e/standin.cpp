// A stand-in launcher for working on the harness alone: finds its settings file or reports it missing.
//
// Run the suite against it with TAVIO_E2E_LAUNCHER=<path of e2e_standin.exe> tests/e2e/run <dir>.
// It knows nothing of installing or running: with a settings file it ends with exit code 0.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char path[MAX_PATH], name[MAX_PATH], candidate[MAX_PATH * 2];
    GetModuleFileNameA(nullptr, path, sizeof path);
    char* slash = path + lstrlenA(path);
    while (slash > path && *slash != '\\') --slash;
    lstrcpyA(name, slash + 1);
    slash[1] = '\0';
    char* dot = name + lstrlenA(name);
    while (dot > name && *dot != '.') --dot;
    lstrcpyA(dot, ".INI");

    OFSTRUCT of;
    wsprintfA(candidate, "%s%s", path, name);
    if (OpenFile(candidate, &of, OF_EXIST) != HFILE_ERROR) return 0;
    wsprintfA(candidate, "%sSETTINGS\\%s", path, name);
    if (OpenFile(candidate, &of, OF_EXIST) != HFILE_ERROR) return 0;
    MessageBoxA(nullptr,
                "Tavio Launcher wasn't able to locate its settings file\r"
                "either in its own directory or in its 'SETTINGS' subdirectory.",
                "Tavio Launcher", MB_OK);
    return 1;
}
