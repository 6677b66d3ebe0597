// location_probe: runs the install-location lookup and StartProgram on a real system, one step per command.
//
// Usage (each prints one line, "ok ..." or "error ..."; the exit code is 0 unless the
// arguments were wrong or a registry write failed):
//   location_probe set-sz     ROOT KEY NAME TEXT     write a REG_SZ value
//   location_probe set-expand ROOT KEY NAME TEXT     write a REG_EXPAND_SZ value
//   location_probe set-dword  ROOT KEY NAME NUMBER   write a REG_DWORD value
//   location_probe query      ROOT KEY NAME          "query found=F text=T"
//   location_probe clean      TEXT                   "clean text=T"
//   location_probe start      PATH [PREFIX [SUFFIX]] "start result=R exe=E parameters=P directory=D path=L"
// ROOT is a root name as the settings file gives it; NAME "" is the key's default value.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "launching/start_program.h"
#include "location/install_location.h"
#include "platform/windows_api.h"
#include "settings/launcher_settings.h"
#include "settings/settings_file.h"

namespace {

int Usage() {
    fputs("usage: location_probe set-sz|set-expand|set-dword ROOT KEY NAME VALUE | query ROOT KEY NAME |"
          " clean TEXT | start PATH [PREFIX [SUFFIX]]\n",
          stderr);
    return 2;
}

int SetValue(const char* root, const char* key, const char* name, DWORD type, const char* value) {
    if (!MapRootKey(root)) {
        printf("error root=%s\n", root);
        return 1;
    }
    HKEY handle;
    if (RegCreateKeyExA(RegistryQuery.Root, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS) {
        printf("error create key=%s\n", key);
        return 1;
    }
    LONG status;
    if (type == REG_DWORD) {
        const DWORD number = strtoul(value, nullptr, 0);
        status = RegSetValueExA(handle, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    } else {
        status = RegSetValueExA(handle, name, 0, type, reinterpret_cast<const BYTE*>(value),
                                static_cast<DWORD>(strlen(value) + 1));
    }
    RegCloseKey(handle);
    if (status != ERROR_SUCCESS) {
        printf("error set name=%s\n", name);
        return 1;
    }
    printf("ok set %s\\%s\n", key, name);
    return 0;
}

int Query(const char* root, const char* key, const char* name) {
    if (!MapRootKey(root)) {
        printf("query root-refused\n");
        return 0;
    }
    RegistryQuery.KeyPath.Assign(key);
    RegistryQuery.ValueName.Assign(name);
    const int found = QueryInstallLocation();
    printf("query found=%d text=%s\n", found, found ? RegistryQuery.ResultText.CStr() : "");
    return 0;
}

int Clean(const char* text) {
    WorkText& buffer = SettingsFile.WorkBuffer;
    buffer.Assign(text);
    CleanInstallFolder(buffer.Data());
    printf("clean text=%s\n", buffer.CStr());
    return 0;
}

int Start(const char* path, const char* prefix, const char* suffix) {
    Settings.Run32Prefix.Assign(prefix);
    Settings.Run32Suffix.Assign(suffix);
    SelectRun32Affixes();
    WorkText& launchPath = SettingsFile.WorkBuffer;
    launchPath.Assign(path);
    const LaunchResult result = StartProgram(launchPath);
    const LaunchCommandState& t = LaunchCommand;
    printf("start result=%u exe=%s parameters=%s directory=%s path=%s\n", result, t.ExecutablePath.CStr(),
           t.ParameterText.CStr(), t.WorkingDirectory.CStr(), launchPath.CStr());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const char* command = argv[1];
    if (strcmp(command, "set-sz") == 0 && argc == 6) return SetValue(argv[2], argv[3], argv[4], REG_SZ, argv[5]);
    if (strcmp(command, "set-expand") == 0 && argc == 6)
        return SetValue(argv[2], argv[3], argv[4], REG_EXPAND_SZ, argv[5]);
    if (strcmp(command, "set-dword") == 0 && argc == 6)
        return SetValue(argv[2], argv[3], argv[4], REG_DWORD, argv[5]);
    if (strcmp(command, "query") == 0 && argc == 5) return Query(argv[2], argv[3], argv[4]);
    if (strcmp(command, "clean") == 0 && argc == 3) return Clean(argv[2]);
    if (strcmp(command, "start") == 0 && argc >= 3 && argc <= 5)
        return Start(argv[2], argc > 3 ? argv[3] : "", argc > 4 ? argv[4] : "");
    return Usage();
}
