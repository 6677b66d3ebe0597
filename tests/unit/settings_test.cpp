// Settings: the defaults, locating the launcher and its file, and reading settings and messages.
#include <string.h>

#include <string>

#include "settings/launcher_settings.h"
#include "settings/messages.h"
#include "settings/settings_file.h"
#include "unit_support.h"

namespace {

const char kMissingSettings[] =
    "Tavio Launcher wasn't able to locate its settings file\reither in its own directory or in its 'SETTINGS' "
    "subdirectory.";

class SettingsTest : public SimTest {
protected:
    // A disc with the launcher at D:\AUTOPLAY.EXE and this settings file beside it.
    void Disc(const std::string& settings, const char* settingsPath = "D:\\AUTOPLAY.INI") {
        sim::SetModulePath("D:\\AUTOPLAY.EXE");
        sim::AddFile("D:\\AUTOPLAY.EXE", "MZ");
        sim::AddFile(settingsPath, settings);
        LoadDefaultSettings();
    }
    // The only message box shown, which must be the one given.
    void ExpectOnlyBox(const std::string& text) {
        ASSERT_EQ(sim::MessageBoxes().size(), 1u);
        const sim::MessageBoxCall& box = sim::MessageBoxes()[0];
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.caption, "Tavio Launcher");
        EXPECT_EQ(box.type, static_cast<UINT>(MB_OK));
        EXPECT_TRUE(box.ownerNull);
    }
};

TEST_F(SettingsTest, DefaultsDescribeTheStandardDisc) {
    LoadDefaultSettings();
    EXPECT_EQ(SettingCount, 55);
    struct Row {
        const char* key;
        const char* text;
        LONG number;
    };
    const Row rows[] = {
        {"InstallNeeded", nullptr, 1},
        {"InstallAllowCancel", nullptr, 1},
        {"InstallProgramNT", "SETUP32\\SETUP.EXE", 0},
        {"InstallAlertText1", "This is the first time you've used this CD. Do you want to install the software?", 0},
        {"InstallAlertText5", "", 0},
        {"ReinstallAlertText1",
         "This CD's software has been installed before, but apparently the software has been moved or deleted.", 0},
        {"RunProgramNT", "RUN32.EXE", 0},
        {"RunLocationRoot", "HKEY_CLASSES_ROOT", 0},
        {"RunLocationKey", "Software\\Fendral\\Install Locations", 0},
        {"RunLocationValue", "Test Tavio CD", 0},
        {"RunNTWindowTitle", "(ignore)", 0},
        {"LauncherWindowClass", "Fendral Tavio Launcher Class", 0},
        {"ExtractFolder", nullptr, 0},
        {"WindowTimeOut", nullptr, 90},
        {"InstalledProgramNT", "", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        const SettingEntry* found = nullptr;
        for (int i = 0; i < SettingCount; ++i)
            if (std::string(SettingCatalogue[i].Key) == row.key) found = &SettingCatalogue[i];
        ASSERT_NE(found, nullptr);
        if (row.text != nullptr) {
            ASSERT_EQ(found->Kind, TextSetting);
            EXPECT_STREQ(found->Text().CStr(), row.text);
        } else {
            ASSERT_EQ(found->Kind, NumberSetting);
            EXPECT_EQ(found->Number(), row.number);
        }
    }
    // The catalogue is the read order: first and last keys, and no key twice.
    EXPECT_STREQ(SettingCatalogue[0].Key, "InstallNeeded");
    EXPECT_STREQ(SettingCatalogue[44].Key, "LauncherWindowClass");
    EXPECT_STREQ(SettingCatalogue[54].Key, "InstalledProgramNT");
    for (int i = 0; i < SettingCount; ++i)
        for (int j = i + 1; j < SettingCount; ++j) EXPECT_STRNE(SettingCatalogue[i].Key, SettingCatalogue[j].Key);
}

TEST_F(SettingsTest, SettingsFileBesideOrInSubfolderOrNeither) {
    struct Case {
        const char* name;
        const char* modulePath;
        std::vector<const char*> files;
        const char* expected;  // nullptr: not found
    };
    const Case cases[] = {
        {"beside", "D:\\AUTOPLAY.EXE", {"D:\\AUTOPLAY.INI", "D:\\SETTINGS\\AUTOPLAY.INI"}, "D:\\AUTOPLAY.INI"},
        {"subfolder", "D:\\AUTOPLAY.EXE", {"D:\\SETTINGS\\AUTOPLAY.INI"}, "D:\\SETTINGS\\AUTOPLAY.INI"},
        {"neither", "D:\\AUTOPLAY.EXE", {"D:\\OTHER.INI"}, nullptr},
        {"folder named like the file", "D:\\AUTOPLAY.EXE", {"D:\\AUTOPLAY.INI\\X.TXT"}, nullptr},
        {"two dots", "D:\\START.CD.EXE", {"D:\\AUTOPLAY.INI", "D:\\START.CD.INI"}, "D:\\START.CD.INI"},
        {"other letter case", "D:\\autoplay.exe", {"D:\\AutoPlay.ini"}, "D:\\autoplay.INI"},
        {"renamed setup", "E:\\CD\\SETUP.EXE", {"E:\\CD\\SETUP.INI"}, "E:\\CD\\SETUP.INI"},
        {"name ending in a dot", "D:\\AUTOPLAY.", {"D:\\AUTOPLAY.INI"}, "D:\\AUTOPLAY.INI"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        sim::SetModulePath(c.modulePath);
        for (const char* file : c.files) sim::AddFile(file, "[Tavio32 Settings]\n");
        const bool located = LocateSettingsFile();
        if (c.expected != nullptr) {
            EXPECT_TRUE(located);
            EXPECT_STREQ(SettingsFile.SettingsFilePath.CStr(), c.expected);
            EXPECT_TRUE(sim::MessageBoxes().empty());
        } else {
            EXPECT_FALSE(located);
            ExpectOnlyBox(kMissingSettings);
        }
        // Locating runs once: asking again shows nothing more and gives the same answer.
        EXPECT_EQ(LocateSettingsFile(), located);
        EXPECT_LE(sim::MessageBoxes().size(), 1u);
    }
}

TEST_F(SettingsTest, EachFailureToLocateItselfHasItsMessage) {
    struct Case {
        const char* name;
        std::string modulePath;
        bool moduleFails;
        const char* message;
    };
    const std::string longFolder = "D:\\" + std::string(357, 'F') + "\\AUTOPLAY.EXE";  // folder of 361 characters
    const std::string fittingFolder = "D:\\" + std::string(355, 'F') + "\\AUTOPLAY.EXE";  // 359 with the backslash
    const Case cases[] = {
        {"no module path", "D:\\AUTOPLAY.EXE", true, "Tavio Launcher wasn't able to locate its executable file."},
        {"no backslash", "AUTOPLAY.EXE", false, "Tavio Launcher wasn't able to determine its file name."},
        {"only a trailing backslash", "AUTOPLAY\\", false, "Tavio Launcher wasn't able to determine its file name."},
        {"no extension", "D:\\AUTOPLAY", false, "Tavio Launcher wasn't able to determine its extension."},
        {"dot only in the folder", "D:\\CD.1\\AUTOPLAY", false, "Tavio Launcher wasn't able to determine its extension."},
        {"folder longer than its slot", longFolder, false, "Tavio Launcher wasn't able to locate its directory."},
        {"folder that just fits", fittingFolder, false, kMissingSettings},
        // Windows 2000 and XP fill the whole buffer and leave it unterminated: the path is
        // cut one short, inside the folder's name.
        {"own path longer than the buffer", "D:\\" + std::string(4200, 'F') + "\\AUTOPLAY.EXE", false,
         "Tavio Launcher wasn't able to determine its extension."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        sim::SetModulePath(c.modulePath.c_str());
        sim::SetModuleNameCutUnterminated(true);  // only a path too long for the buffer is cut
        if (c.moduleFails) sim::FailCall("GetModuleFileNameA", 1, true, 0);
        EXPECT_FALSE(LocateSettingsFile());
        const WorkText& ownPath = SettingsFile.WorkBuffer;
        EXPECT_NE(nullptr, memchr(ownPath.Text, '\0', sizeof ownPath.Text)) << "the own path lost its terminator";
        ExpectOnlyBox(c.message);
        EXPECT_FALSE(ReadTextSetting("RunProgram32", Settings.RunProgram32));
        EXPECT_EQ(sim::MessageBoxes().size(), 1u);
    }
}

TEST_F(SettingsTest, DirectoryTakesTheShortFormButTheFileNameTheLongOne) {
    sim::SetModulePath("D:\\Long Folder\\My Launcher.exe");
    sim::AddFile("D:\\Long Folder\\My Launcher.exe", "MZ");
    sim::AddFile("D:\\Long Folder\\My Launcher.INI", "[Tavio32 Settings]\n");
    sim::SetShortName("D:\\Long Folder", "LONGFO~1");
    sim::SetShortName("D:\\Long Folder\\My Launcher.exe", "MYLAUN~1.EXE");
    ASSERT_TRUE(LocateSettingsFile());
    EXPECT_STREQ(SettingsFile.LauncherDirectory.CStr(), "D:\\LONGFO~1\\");
    EXPECT_STREQ(SettingsFile.SettingsFileName.CStr(), "My Launcher.INI");
    EXPECT_STREQ(SettingsFile.SettingsFilePath.CStr(), "D:\\LONGFO~1\\My Launcher.INI");
}

TEST_F(SettingsTest, ShortFormRejectedBy87IsIgnored) {
    for (const char* function : {"GetShortPathNameA", "GetShortPathNameW"}) {
        SCOPED_TRACE(function);
        Restart();
        sim::SetVersion(function[16] == 'A' ? sim::kWindows98 : sim::kWindowsNT4);
        sim::SetModulePath("D:\\Long Folder\\AUTOPLAY.EXE");
        sim::AddFile("D:\\Long Folder\\AUTOPLAY.EXE", "MZ");
        sim::AddFile("D:\\Long Folder\\AUTOPLAY.INI", "");
        sim::SetShortName("D:\\Long Folder", "LONGFO~1");
        sim::FailCall(function, 1, false, 87);
        ASSERT_TRUE(LocateSettingsFile());
        EXPECT_STREQ(SettingsFile.LauncherDirectory.CStr(), "D:\\Long Folder\\");
    }
}

TEST_F(SettingsTest, CacheIsFlushedTheFamilysWaySoAStaleCopyIsNotRead) {
    // A disc folder outside ASCII: the flush must name the file in the ANSI code page too.
    for (const std::string folder : {"D:\\", "D:\\Caf\xE9 M\xFCller\\"}) {
        for (DWORD version : {sim::kWindows98, sim::kWindowsNT4}) {
            SCOPED_TRACE(folder + (version == sim::kWindows98 ? " [98]" : " [NT]"));
            Restart();
            sim::SetVersion(version);
            const std::string settingsPath = folder + "AUTOPLAY.INI";
            sim::SetModulePath((folder + "AUTOPLAY.EXE").c_str());
            sim::AddFile((folder + "AUTOPLAY.EXE").c_str(), "MZ");
            sim::AddFile(settingsPath.c_str(), "[Tavio32 Settings]\nRunProgram32=NEW.EXE\n");
            LoadDefaultSettings();
            sim::CacheProfileFile(settingsPath.c_str(), "[Tavio32 Settings]\nRunProgram32=OLD.EXE\n");
            ASSERT_TRUE(ReadAllSettings());
            EXPECT_STREQ(Settings.RunProgram32.CStr(), "NEW.EXE");
            ASSERT_EQ(sim::ProfileFlushes().size(), 1u);
            EXPECT_EQ(sim::ProfileFlushes()[0], settingsPath);
            const std::string expected =
                (version == sim::kWindows98 ? "WritePrivateProfileStringA " : "WritePrivateProfileStringW ") +
                settingsPath;
            bool traced = false;
            for (const std::string& line : sim::Trace()) traced = traced || line == expected;
            EXPECT_TRUE(traced) << expected;
            EXPECT_EQ(sim::WriteCount(), 0);
        }
    }
}

TEST_F(SettingsTest, TextValuesReplaceDefaultsOnlyWhenPresent) {
    const std::string longValue(400, 'x');
    Disc("[tavio32 settings]\n"
         "InstallAlertText1=\n"                   // present and empty: the line becomes empty
         "  runprogram32  =  GO.EXE  \n"          // keys ignore case, blanks are trimmed
         "RunAlertTitle=<<<not a valid setting!>>>\n"  // the absence marker in any case is absence
         "RunProgramNT=" + longValue + "\n"
         "Run32Prefix=" + std::string(359, 'p') + "\n"
         "[Tavio32 Errors]\nRunNTSuffix=elsewhere\n");
    ASSERT_TRUE(ReadAllSettings());
    EXPECT_STREQ(Settings.InstallAlertText1.CStr(), "");
    EXPECT_STREQ(Settings.InstallAlertText2.CStr(), "");
    EXPECT_STREQ(Settings.RunProgram32.CStr(), "GO.EXE");
    EXPECT_STREQ(Settings.RunAlertTitle.CStr(), "Automatically run?");
    EXPECT_EQ(Settings.RunProgramNT.Length(), 359u);  // cut to the slot
    EXPECT_EQ(std::string(Settings.RunProgramNT.CStr()), longValue.substr(0, 359));
    EXPECT_EQ(std::string(Settings.Run32Prefix.CStr()), std::string(359, 'p'));
    EXPECT_TRUE(Settings.Run32Prefix.Fits());
    EXPECT_STREQ(Settings.RunNTSuffix.CStr(), "");  // another section's key is not a setting
    EXPECT_STREQ(Settings.LauncherWindowClass.CStr(), "Fendral Tavio Launcher Class");
}

TEST_F(SettingsTest, NumbersReadLikeAtoiButSaturate) {
    struct Case {
        const char* text;
        LONG expected;
    };
    const Case cases[] = {
        {"42", 42},
        {"  42abc", 42},
        {"\t-7", -7},
        {"+5", 5},
        {"", 0},
        {"abc", 0},
        {"- 5", 0},
        {"2147483647", 2147483647},
        {"2147483648", 2147483647},
        {"99999999999", 2147483647},
        {"4294967386", 2147483647},  // atoi would wrap this to 90
        {"-2147483648", -2147483647 - 1},
        {"-99999999999", -2147483647 - 1},
        {"-2147483647", -2147483647},
        {"-2147483649", -2147483647 - 1},
        {"123456789012345678901234567890", 2147483647},  // past what 64 bits hold
        {"-123456789012345678901234567890", -2147483647 - 1},
        {"00000000000000000000015", 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseNumber(c.text), c.expected);
    }
    Disc("[Tavio32 Settings]\nWindowTimeOut=\nRunNeeded=2\nInstallNeeded=x1\n");
    ASSERT_TRUE(ReadAllSettings());
    EXPECT_EQ(Settings.WindowTimeOut, 0);  // present and empty: 0, not the default
    EXPECT_EQ(Settings.RunNeeded, 2);
    EXPECT_EQ(Settings.InstallNeeded, 0);
    EXPECT_EQ(Settings.InstallShowAlert, 1);
}

TEST_F(SettingsTest, OnlyTheKeysTheSectionListsAreLookedUpUnlessTheListMayLackOne) {
    // Names enough to overflow the list's 4096 bytes, with the setting after them.
    std::string manyKeys;
    for (int i = 0; i < 400; ++i) manyKeys += "Unrelated" + std::to_string(i) + "=1\n";
    struct Case {
        const char* name;
        std::string body;  // after the section line
        int reads;         // GetPrivateProfileStringA calls: the list, then the lookups
    };
    const Case cases[] = {
        {"two keys, one line without '='", "runneeded=2\nInstallNeeded\nWindowTimeOut=7\n", 1 + 2},
        {"keys in capitals and in mixed case", "RUNNEEDED=2\nwINDOWtIMEoUT=7\n", 1 + 2},
        {"an unnamed key amid them, listed as an empty name", "Other=1\n=x\nRunNeeded=2\nWindowTimeOut=7\n", 1 + 2},
        {"keys in another section only", "Other=1\n[Tavio32 Errors]\nInstallNeeded=5\n", 1 + 0},
        {"a first key without a name hides the list", "=x\nRunNeeded=2\nWindowTimeOut=7\n", 1 + 55},
        {"a name outside ASCII", "Caf\xE9=1\nRunNeeded=2\nWindowTimeOut=7\n", 1 + 55},
        {"a list cut to fit", manyKeys + "RunNeeded=2\nWindowTimeOut=7\n", 1 + 55},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        Disc("[Tavio32 Settings]\n" + c.body + "[Tavio32 Settings]\nRunShowAlert=3\n");
        ASSERT_TRUE(ReadAllSettings());
        EXPECT_EQ(sim::CallCount("GetPrivateProfileStringA"), c.reads);
        const bool here = c.reads != 1;
        EXPECT_EQ(Settings.RunNeeded, here ? 2 : 1);
        EXPECT_EQ(Settings.WindowTimeOut, here ? 7 : 90);
        EXPECT_EQ(Settings.InstallNeeded, 1);  // the line without '=' is no value
        EXPECT_EQ(Settings.RunShowAlert, 1);   // a second section of the name is never read
    }
}

TEST_F(SettingsTest, MessagesComeFromTheErrorsSectionOrTheirBuiltInText) {
    Disc("[Tavio32 Errors]\nErrorFileNotFound=Gone.\nErrorRoot=\nLauncherTitle=My Disc\n"
         "[Tavio32 Settings]\nErrorMem=not here\n");
    ASSERT_TRUE(ReadAllSettings());
    EXPECT_STREQ(ReadMessage(MsgErrorFileNotFound), "Gone.");
    EXPECT_STREQ(ReadMessage(MsgErrorRoot), "");
    EXPECT_STREQ(ReadMessage(MsgLauncherTitle), "My Disc");
    EXPECT_STREQ(ReadMessage(MsgErrorMem), "The operating system is out of memory or resources.");
    EXPECT_STREQ(ReadErrorText("ErrorFindNoInstNT", "built-in, "), "built-in, ");
    // One shared buffer: each read replaces the last.
    const char* first = ReadMessage(MsgErrorUnknown);
    const char* second = ReadMessage(MsgErrorDDEFail);
    EXPECT_EQ(first, second);
    EXPECT_STREQ(second, "The DDE transaction failed.");
}

}  // namespace
