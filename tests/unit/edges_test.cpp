// Capacity edges: each text at its limit and one past it, through whole runs and public operations.
#include <algorithm>
#include <string>
#include <vector>

#include "launch/run_launcher.h"
#include "launching/launch_reports.h"
#include "launching/start_program.h"
#include "location/install_location.h"
#include "platform/file_exists.h"
#include "settings/launcher_settings.h"
#include "settings/settings_file.h"
#include "run_fixture.h"

namespace {

const char kMissingSettings[] =
    "Tavio Launcher wasn't able to locate its settings file\r"
    "either in its own directory or in its 'SETTINGS' subdirectory.";
const char kNoDirectory[] = "Tavio Launcher wasn't able to locate its directory.";

class EdgeTest : public WholeRunTest {};

// A folder path "D:\...\" of exactly length characters, in components of at most 100.
std::string Folder(size_t length) {
    std::string path = "D:\\";
    while (path.size() < length) {
        const size_t room = length - path.size() - 1;  // the closing backslash
        path += std::string(room < 100 ? room : 100, 'f');
        path += '\\';
    }
    return path;
}

// OpenFile holds 127 characters: an existing file must be found on both sides of that limit,
// and a folder never counts as a file on either side.
TEST_F(EdgeTest, FileExistsOnBothSidesOfOpenFilesLimit) {
    for (size_t length : {127u, 128u, 129u, 259u}) {  // 259: the longest path ANSI calls take
        SCOPED_TRACE(length);
        const std::string file = Folder(length - 6) + "A.EXE";
        const std::string exact = file + std::string(length - file.size(), 'E');
        ASSERT_EQ(exact.size(), length);
        sim::AddFile(exact.c_str(), "MZ");
        EXPECT_TRUE(FileExists(exact.c_str()));
        sim::AddFolder((exact + "D").c_str());
        EXPECT_FALSE(FileExists((exact + "D").c_str()));
        EXPECT_FALSE(FileExists((exact + "X").c_str()));
    }
}

// ---- The settings file ----

TEST_F(EdgeTest, OwnFolderOf359IsKeptAnd360Refused) {
    const struct {
        size_t folder;  // with its closing backslash
        const char* message;
        size_t directory;
    } cases[] = {
        {359, kMissingSettings, 359},  // located; the settings path beyond it is then too long
        {360, kNoDirectory, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        Fresh(Folder(c.folder) + "AUTOPLAY.EXE");
        ASSERT_EQ(c.folder, Folder(c.folder).size());
        EXPECT_EQ(1, Run());
        EXPECT_EQ(Strings{c.message}, BoxTexts());
        if (c.directory != 0) {
            EXPECT_EQ(Folder(c.folder), SettingsFile.LauncherDirectory.CStr());
        }
        EXPECT_TRUE(sim::ShellStarts().empty());
    }
}

TEST_F(EdgeTest, SettingsPathIsFoundWithinTheAnsiLimitAndNeverCut) {
    // Windows' ANSI file calls take paths below MAX_PATH (260); the slot holds 359.
    const struct {
        size_t path;
        bool found;
    } cases[] = {{259, true}, {260, false}, {359, false}, {360, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string name(c.path - 3 - 4, 'N');  // "D:\" + name + ".INI"
        Fresh("D:\\" + name + ".EXE");
        const std::string settingsPath = "D:\\" + name + ".INI";
        ASSERT_EQ(c.path, settingsPath.size());
        sim::AddFile(settingsPath.c_str(), "[Tavio32 Settings]\r\nInstallNeeded=0\r\nRunShowAlert=0\r\n");
        // The path cut to the slot, were it ever read, would start another program.
        if (c.path > 359)
            sim::AddFile(settingsPath.substr(0, 359).c_str(), "[Tavio32 Settings]\r\nRunProgramNT=WRONG.EXE\r\n");
        sim::AddFile("D:\\RUN32.EXE", "MZ");
        sim::AddFile("D:\\WRONG.EXE", "MZ");

        EXPECT_EQ(c.found ? 0 : 1, Run());
        EXPECT_EQ(c.found ? Strings{} : Strings{kMissingSettings}, BoxTexts());
        EXPECT_EQ(c.found ? Strings{"D:\\RUN32.EXE"} : Strings{}, Started());
    }
}

TEST_F(EdgeTest, SettingTextsOf359AreWholeAnd360AreCutForDisplay) {
    for (const size_t length : {359u, 360u, 4095u}) {
        SCOPED_TRACE(length);
        Fresh();
        const std::string title(length, 't');
        const std::string line(length, 'l');
        Ini("InstallNeeded=0\r\nRunAlertTitle=" + title + "\r\nRunAlertText1=" + line + "\r\nRunAlertText5=" + line);
        sim::AddFile("D:\\RUN32.EXE", "MZ");

        EXPECT_EQ(0, Run());
        const std::string shown = line.substr(0, 359);
        EXPECT_EQ(Strings{title.substr(0, 359)}, Captions());
        EXPECT_EQ(Strings{shown + "\n\n\n\n" + shown}, BoxTexts());
        EXPECT_EQ(Strings{"D:\\RUN32.EXE"}, Started());
    }
}

// ---- The install location ----

TEST_F(EdgeTest, ValueNameOf199IsReadAnd200NeverCutIntoAnother) {
    const std::string name199(199, 'V');
    for (const size_t length : {199u, 200u}) {
        SCOPED_TRACE(length);
        Fresh();
        Ini("InstallShowAlert=0\r\nRunShowAlert=0\r\nRunLocationValue=" + std::string(length, 'V'));
        // Only the 199-character name exists: a name cut to its slot would find it.
        sim::SetRegistryString(HKEY_CLASSES_ROOT, kRegistryKey, name199.c_str(), "C:\\APPS\\TOOL");
        sim::AddFile("C:\\APPS\\TOOL\\RUN32.EXE", "MZ");
        sim::AddFile("D:\\SETUP32\\SETUP.EXE", "MZ");

        EXPECT_EQ(0, Run());
        EXPECT_EQ(length == 199 ? Strings{"C:\\APPS\\TOOL\\RUN32.EXE"} : Strings{"D:\\SETUP32\\SETUP.EXE"}, Started());
    }
}

TEST_F(EdgeTest, LocationsBeyondTheResultOrTheQueryCountAsNotInstalled) {
    const std::string text1215 = "C:\\" + std::string(1212, 'a');
    const struct {
        const char* name;
        DWORD type;
        std::string data;  // stored as given: a terminator only where written
        int exitCode;
        Strings started;
    } cases[] = {
        // A location of 1215 is used; its program path is too long for any file, so the
        // installation counts as lost (the reinstall alert), never as another folder.
        {"text of 1215", REG_SZ, text1215 + '\0', 7, {}},
        {"text of 1216", REG_SZ, text1215 + "a" + '\0', 0, {"D:\\SETUP32\\SETUP.EXE"}},
        {"1215 without a terminator", REG_SZ, text1215, 7, {}},
        {"1216 without a terminator", REG_SZ, text1215 + "a", 0, {"D:\\SETUP32\\SETUP.EXE"}},
        {"1600 bytes without a terminator", REG_SZ, "C:\\" + std::string(1597, 'b'), 0, {"D:\\SETUP32\\SETUP.EXE"}},
        {"1601 bytes", REG_SZ, "C:\\APPS\\TOOL" + std::string(1601 - 12, '\0'), 0, {"D:\\SETUP32\\SETUP.EXE"}},
        {"1600 bytes", REG_SZ, "C:\\APPS\\TOOL" + std::string(1600 - 12, '\0'), 0, {"C:\\APPS\\TOOL\\RUN32.EXE"}},
        {"expansion to 1215", REG_EXPAND_SZ, "C:\\%LONG%" + std::string(1212 - 1000, 'a') + '\0', 7, {}},
        {"expansion to 1216", REG_EXPAND_SZ, "C:\\%LONG%" + std::string(1213 - 1000, 'a') + '\0', 0,
         {"D:\\SETUP32\\SETUP.EXE"}},
        // At the expansion buffer's own edge Windows may empty the buffer and still report
        // a size: an empty text must never pass for an installation at the drive's root.
        {"expansion to 1598", REG_EXPAND_SZ, "C:\\%LONG%" + std::string(1595 - 1000, 'a') + '\0', 0,
         {"D:\\SETUP32\\SETUP.EXE"}},
        {"expansion to 1599", REG_EXPAND_SZ, "C:\\%LONG%" + std::string(1596 - 1000, 'a') + '\0', 0,
         {"D:\\SETUP32\\SETUP.EXE"}},
        {"expansion to 1600", REG_EXPAND_SZ, "C:\\%LONG%" + std::string(1597 - 1000, 'a') + '\0', 0,
         {"D:\\SETUP32\\SETUP.EXE"}},
        {"expansion past 1600", REG_EXPAND_SZ, std::string("%LONG%%LONG%") + '\0', 0, {"D:\\SETUP32\\SETUP.EXE"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        Ini("InstallShowAlert=0\r\nRunShowAlert=0");
        sim::SetEnvironmentVariable("LONG", std::string(1000, 'e').c_str());
        sim::SetRegistryValue(HKEY_CLASSES_ROOT, kRegistryKey, kRegistryValue, c.type, c.data.data(),
                              static_cast<DWORD>(c.data.size()));
        sim::AddFile("C:\\APPS\\TOOL\\RUN32.EXE", "MZ");
        sim::AddFile("D:\\SETUP32\\SETUP.EXE", "MZ");
        sim::AddFile("D:\\RUN32.EXE", "MZ");  // what an empty location would start

        EXPECT_EQ(c.exitCode, Run());
        EXPECT_EQ(c.started, Started());
        EXPECT_EQ(c.exitCode == 7 ? Strings{"Installed software moved or deleted?"} : Strings{}, Captions());
    }
}

// ---- The launch command ----

class StartEdgeTest : public EdgeTest {
protected:
    static WorkText& Path(const std::string& path) {
        SettingsFile.WorkBuffer.Assign(path.c_str());
        return SettingsFile.WorkBuffer;
    }
};

TEST_F(StartEdgeTest, LongPathStartsByAShortFormOf511NotOf512) {
    // A program path of 600 characters whose first folder takes the alias "F~1": the
    // short form is 600 - first + 3 characters long.
    const struct {
        size_t first;
        size_t shortLength;
        bool started;
    } cases[] = {{92, 511, true}, {91, 512, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shortLength);
        Fresh();
        const std::string first = "D:\\" + std::string(c.first, 'F');
        std::string path = first;
        while (path.size() < 600 - 4) {
            path += '\\';
            path += std::string(std::min<size_t>(100, 600 - 4 - path.size()), 'n');
        }
        path += ".EXE";
        ASSERT_EQ(600u, path.size());
        sim::AddFile(path.c_str(), "MZ");
        sim::SetShortName(first.c_str(), "F~1");
        const std::string shortForm = "D:\\F~1" + path.substr(first.size());
        ASSERT_EQ(c.shortLength, shortForm.size());

        const LaunchResult result = StartProgram(Path(path));
        EXPECT_EQ(c.started ? Strings{shortForm} : Strings{}, Started());
        EXPECT_EQ(c.started ? 33u : 0u, result);
    }
}

TEST_F(StartEdgeTest, ProgramParametersOf510AreStartedAnd511Refused) {
    // A program's parameters are the prefix, a space, a space and the suffix.
    const std::string prefix(359, 'p');
    for (const size_t suffix : {149u, 150u}) {
        SCOPED_TRACE(suffix);
        Fresh();
        Settings.Platform = WindowsNT;
        sim::AddFile("D:\\RUN32.EXE", "MZ");
        Settings.RunNTPrefix.Assign(prefix.c_str());
        Settings.RunNTSuffix.Assign(std::string(suffix, 's').c_str());
        SelectRunNTAffixes();

        const int failed = LaunchDiscProgram(Path("D:\\RUN32.EXE"));
        if (suffix == 149) {
            EXPECT_EQ(0, failed);
            ASSERT_EQ(1u, sim::ShellStarts().size());
            EXPECT_EQ(510u, sim::ShellStarts()[0].parameters.size());
        } else {
            EXPECT_NE(0, failed);
            EXPECT_TRUE(sim::ShellStarts().empty());
            EXPECT_EQ(Strings{"Error running the file for Windows NT, \nD:\\RUN32.EXE\n\n"
                              "The operating system is out of memory or resources."},
                      BoxTexts());
        }
    }
}

// ---- The message buffer ----

TEST_F(EdgeTest, ReportsOf4095AreWholeAnd4096CutByOne) {
    // The report of a missing disc program: the text, a line feed and the launch path.
    const std::string path = "D:\\RUN32.EXE";
    for (const size_t total : {4094u, 4095u, 4096u}) {
        SCOPED_TRACE(total);
        Fresh();
        const std::string text(total - 1 - path.size(), 'e');
        Ini("InstallNeeded=0", "ErrorFindNoInstNT=" + text);

        EXPECT_EQ(9, Run());
        const std::string whole = text + "\n" + path;
        ASSERT_EQ(total, whole.size());
        EXPECT_EQ(Strings{whole.substr(0, 4095)}, BoxTexts());
        EXPECT_EQ(Strings{"Tavio Launcher"}, Captions());
    }
}

}  // namespace
