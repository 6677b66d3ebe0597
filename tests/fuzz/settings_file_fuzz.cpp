// Fuzz target: the settings reader over the raw bytes of a settings file (ANSI, or UTF-8 or
// UTF-16 after a byte-order mark; any line ends, sections, quotes and lengths).
//
// Input: one flag byte, then the file's bytes. Flag bits 0 and 1: the version of Windows;
// bit 2: the file lies in the SETTINGS subfolder; bit 3: a file without a byte-order mark
// is read once more, written as UTF-16 with one, and must give the same settings.
#include <string.h>

#include <string>

#include "fuzz_support.h"
#include "settings/launcher_settings.h"
#include "settings/messages.h"
#include "settings/settings_file.h"

namespace {

const DWORD Versions[] = {sim::kWindowsNT4, sim::kWindows95, sim::kWindows98, sim::kWindows10};

bool HasByteOrderMark(const std::string& bytes) {
    return bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
}

// The same text as UTF-16, little-endian, after its byte-order mark: each byte of code page
// 1252 (its five unassigned bytes included) is one UTF-16 unit.
std::string AsUtf16(const std::string& ansi) {
    std::string out = "\xFF\xFE";
    for (const char c : ansi) {
        WCHAR unit = 0;
        MultiByteToWideChar(CP_ACP, 0, &c, 1, &unit, 1);
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    }
    return out;
}

bool HasLineEnd(const char* text) { return strchr(text, '\r') != nullptr || strchr(text, '\n') != nullptr; }

// Reads the settings and every message from a file of these bytes on a fresh machine;
// returns them as one text, after checking what any file must give.
std::string ReadFile(uint8_t flags, const std::string& bytes) {
    sim::SetVersion(Versions[flags & 3]);
    sim::AddFile("D:\\AUTOPLAY.EXE", "MZ");
    const char* path = (flags & 4) ? "D:\\SETTINGS\\AUTOPLAY.INI" : "D:\\AUTOPLAY.INI";
    sim::AddFile(path, bytes);

    LoadDefaultSettings();
    FUZZ_CHECK(ReadAllSettings(), "the settings file was not found");
    FUZZ_CHECK(strcmp(SettingsFile.SettingsFilePath.CStr(), path) == 0,
               std::string("read ") + SettingsFile.SettingsFilePath.CStr());
    std::string everything;
    for (int i = 0; i < SettingCount; ++i) {
        const SettingEntry& entry = SettingCatalogue[i];
        // Only the keys the section lists are looked up: each setting must still be what its
        // own lookup gives.
        static char value[4096];
        GetPrivateProfileStringA(SettingsSection, entry.Key, AbsenceMarker, value, sizeof value, path);
        const bool present = lstrcmpiA(value, AbsenceMarker) != 0;
        if (entry.Kind == NumberSetting) {
            FUZZ_CHECK(entry.Number() == (present ? ParseNumber(value) : entry.DefaultNumber),
                       std::string(entry.Key) + " is not what its lookup gives");
        } else {
            FUZZ_CHECK(std::string(present ? value : entry.DefaultText).substr(0, 359) == entry.Text().CStr(),
                       std::string(entry.Key) + " is \"" + entry.Text().CStr() + "\", its lookup gives \"" +
                           (present ? value : entry.DefaultText) + "\"");
        }
        if (entry.Kind == NumberSetting) {
            everything += std::to_string(entry.Number());
        } else {
            // A value ends with its line and is cut at the slot's 359 characters.
            const SettingText& text = entry.Text();
            FUZZ_CHECK(!HasLineEnd(text.CStr()), std::string(entry.Key) + " holds a line end");
            everything += text.CStr();
        }
        everything += '\n';
    }
    for (int id = 0; id < MessageCount; ++id) {
        const char* text = ReadMessage(static_cast<MessageId>(id));
        FUZZ_CHECK(!HasLineEnd(text), std::string(MessageCatalogue[id].Key) + " holds a line end");
        everything += text;
        everything += '\n';
    }
    CheckRoomsTerminated();
    CheckNoWritesNoNewFailures(0);
    return everything;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const uint8_t flags = input.Byte();
    const std::string bytes = input.Rest();

    const MachineForOneInput freshMachine;
    const std::string asWritten = ReadFile(flags, bytes);
    if ((flags & 8) && !HasByteOrderMark(bytes)) {
        FreshMachine();
        const std::string asUtf16 = ReadFile(flags, AsUtf16(bytes));
        FUZZ_CHECK(asUtf16 == asWritten, "the file written as UTF-16 reads otherwise:\n" + asUtf16 + "\n----\n" + asWritten);
    }
    return 0;
}
