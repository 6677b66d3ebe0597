// The names the sample disc's programs share: window classes, titles, registry value, folders.
#ifndef TAVIO_EXAMPLES_SAMPLE_DISC_H
#define TAVIO_EXAMPLES_SAMPLE_DISC_H

#include <windows.h>

// AUTOPLAY.INI names the same classes (Install32/NTWindowClass, Run32/NTWindowClass) and
// the same registry value (RunLocationRoot, RunLocationKey, RunLocationValue).
#define SAMPLE_SETUP_CLASS "TavioSampleSetup"
#define SAMPLE_SETUP_TITLE "Sample Setup"
#define SAMPLE_PROGRAM_CLASS "TavioSampleWindow"
#define SAMPLE_PROGRAM_TITLE "Tavio Sample"
#define SAMPLE_LOCATION_KEY "Software\\Tavio Sample\\Install Locations"
#define SAMPLE_LOCATION_VALUE "Sample CD"

// The program's file name, on the disc (PAYLOAD\, beside the installer's SETUP32\) and installed.
#define SAMPLE_PROGRAM_FILE "SAMPLE.EXE"
#define SAMPLE_PAYLOAD_FOLDER "PAYLOAD"
// Under %ProgramFiles%, or C:\Program Files when that is not set.
#define SAMPLE_INSTALL_FOLDER "Tavio Sample"

// The install folder, without a trailing backslash; false when it does not fit.
inline bool SampleInstallFolder(char* folder, DWORD size) {
    DWORD got = GetEnvironmentVariableA("ProgramFiles", folder, size);
    if (got == 0 || got >= size) {
        if (size < sizeof "C:\\Program Files") return false;
        lstrcpyA(folder, "C:\\Program Files");
        got = lstrlenA(folder);
    }
    if (got + 1 + sizeof SAMPLE_INSTALL_FOLDER > size) return false;
    if (folder[got - 1] != '\\') lstrcatA(folder, "\\");
    lstrcatA(folder, SAMPLE_INSTALL_FOLDER);
    return true;
}

#endif
