// Host tests of program launching: the affixes, StartProgram's command, and the failure report.
#include <algorithm>
#include <string>

#include "launching/launch_reports.h"
#include "launching/start_program.h"
#include "location/install_location.h"
#include "settings/launcher_settings.h"
#include "settings/settings_file.h"
#include "unit_support.h"

namespace {

const char Viewer[] = "C:\\VIEW\\VIEW.EXE";

class LaunchingTest : public SimTest {
protected:
    // The launch path lives where the decision builds it: the settings room's work buffer.
    static WorkText& Path(const std::string& path) {
        SettingsFile.WorkBuffer.Assign(path.c_str());
        return SettingsFile.WorkBuffer;
    }
    static void RunAffixes(const std::string& prefix, const std::string& suffix) {
        Settings.Run32Prefix.Assign(prefix.c_str());
        Settings.Run32Suffix.Assign(suffix.c_str());
        SelectRun32Affixes();
    }
    // A document whose extension the shell associates with an existing viewer (a program:
    // some rows name an .EXE here).
    static void AddDocument(const char* path, const char* extension = ".txt") {
        sim::AddFile(path, "MZ");
        sim::AddFile(Viewer, "MZ");
        sim::AddAssociation(extension, "txtfile", "C:\\VIEW\\VIEW.EXE %1");
    }
    static sim::ShellStart OnlyStart() {
        EXPECT_EQ(1u, sim::ShellStarts().size());
        return sim::ShellStarts().empty() ? sim::ShellStart{} : sim::ShellStarts()[0];
    }
};

TEST_F(LaunchingTest, EachSelectionTakesItsOwnNonEmptySettings) {
    const struct {
        const char* name;
        void (*select)();
        SettingText LauncherSettings::*prefix;
        SettingText LauncherSettings::*suffix;
    } cases[] = {
        {"install 32", SelectInstall32Affixes, &LauncherSettings::Install32Prefix, &LauncherSettings::Install32Suffix},
        {"install NT", SelectInstallNTAffixes, &LauncherSettings::InstallNTPrefix, &LauncherSettings::InstallNTSuffix},
        {"run 32", SelectRun32Affixes, &LauncherSettings::Run32Prefix, &LauncherSettings::Run32Suffix},
        {"run NT", SelectRunNTAffixes, &LauncherSettings::RunNTPrefix, &LauncherSettings::RunNTSuffix},
    };
    SettingText LauncherSettings::*const all[] = {
        &LauncherSettings::Install32Prefix, &LauncherSettings::Install32Suffix, &LauncherSettings::InstallNTPrefix,
        &LauncherSettings::InstallNTSuffix, &LauncherSettings::Run32Prefix,     &LauncherSettings::Run32Suffix,
        &LauncherSettings::RunNTPrefix,     &LauncherSettings::RunNTSuffix};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetLauncherState();
        for (auto member : all) (Settings.*member).Assign("other");
        (Settings.*c.prefix).Assign("-p");
        (Settings.*c.suffix).Assign("-s");
        c.select();
        EXPECT_EQ(1, LaunchAffixes.PrefixEnabled);
        EXPECT_EQ(1, LaunchAffixes.SuffixEnabled);
        EXPECT_EQ(&(Settings.*c.prefix), LaunchAffixes.PrefixText);
        EXPECT_EQ(&(Settings.*c.suffix), LaunchAffixes.SuffixText);

        // Empty settings leave their half of the record as it was.
        ResetLauncherState();
        (Settings.*c.suffix).Assign("-s");
        c.select();
        EXPECT_EQ(0, LaunchAffixes.PrefixEnabled);
        EXPECT_EQ(nullptr, LaunchAffixes.PrefixText);
        EXPECT_EQ(&(Settings.*c.suffix), LaunchAffixes.SuffixText);
        (Settings.*c.suffix).Clear();
        (Settings.*c.prefix).Assign("-p");
        c.select();
        EXPECT_EQ(1, LaunchAffixes.SuffixEnabled);
        EXPECT_EQ(&(Settings.*c.suffix), LaunchAffixes.SuffixText);
        EXPECT_EQ(&(Settings.*c.prefix), LaunchAffixes.PrefixText);
    }
}

TEST_F(LaunchingTest, ParametersAreBuiltFromPrefixPathAndSuffix) {
    const struct {
        const char* name;
        const char* path;
        const char* prefix;
        const char* suffix;
        const char* parameters;
    } cases[] = {
        {"program", "D:\\RUN32.EXE", "", "", ""},
        {"program, prefix", "D:\\RUN32.EXE", "-a", "", "-a "},
        {"program, suffix", "D:\\RUN32.EXE", "", "-b", " -b"},
        {"program, both", "D:\\RUN32.EXE", "-a", "-b", "-a  -b"},
        {"document", "D:\\DOCS\\README.TXT", "", "", "D:\\DOCS\\README.TXT"},
        {"document, prefix", "D:\\DOCS\\README.TXT", "-a", "", "-a D:\\DOCS\\README.TXT"},
        {"document, suffix", "D:\\DOCS\\README.TXT", "", "-b", "D:\\DOCS\\README.TXT -b"},
        {"document, both", "D:\\DOCS\\README.TXT", "-a", "-b", "-a D:\\DOCS\\README.TXT -b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        sim::AddFile("D:\\RUN32.EXE", "MZ");
        AddDocument("D:\\DOCS\\README.TXT");
        RunAffixes(c.prefix, c.suffix);
        EXPECT_EQ(33u, StartProgram(Path(c.path)));
        EXPECT_EQ(c.parameters, OnlyStart().parameters);
        EXPECT_STREQ(c.path, SettingsFile.WorkBuffer.CStr());
    }
}

TEST_F(LaunchingTest, ProgramsAreStartedThemselvesAndDocumentsThroughTheirProgram) {
    const struct {
        const char* path;
        bool program;
    } cases[] = {
        {"D:\\RUN32.EXE", true},     {"D:\\SETUP32\\SETUP.Exe", true}, {"D:\\TOOL.COM", true},
        {"D:\\HELPER.dll", true},    {"A:X", true},                    {"D:\\SETUP.BAT", false},
        {"D:\\README.TXT", false},   {"D:\\EXE", false},               {"D:\\RUN.EXE.TXT", false},
        {"D:\\RUN32.EXE ", false},   {"D:\\X.EX", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        Restart();
        sim::AddFile(c.path);
        StartProgram(Path(c.path));
        EXPECT_EQ(c.program ? 0 : 1, sim::CallCount("FindExecutableW"));
        if (c.program) {
            EXPECT_EQ(c.path, OnlyStart().file);
        }
    }
}

TEST_F(LaunchingTest, DocumentExtensionIsTheLastDotsTextUpToSevenCharacters) {
    const struct {
        const char* path;
        const char* extension;
    } cases[] = {
        {"D:\\PAGES\\INDEX.html", ".html"},
        {"D:\\DOCS\\FILE.abcdef", ".abcdef"},  // 7 characters with the dot
        {"D:\\DOCS\\FILE.abcdefg", ""},        // 8 characters with the dot
        {"D:\\A.B\\C", ".B\\C"},               // the dot lies in a folder name
        {"D:\\A.BCD\\EFGH", ""},
        {"D:\\DOCS\\NOTES", ""},
        {"D:\\X.", "."},
        {"D:\\X.TAR.GZ", ".GZ"},
        {".doc", ""},                          // the first character is never examined
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        ResetLauncherState();
        LaunchCommand.DocumentExtension.Assign("stale");
        StartProgram(Path(c.path));
        EXPECT_STREQ(c.extension, LaunchCommand.DocumentExtension.CStr());
    }
}

TEST_F(LaunchingTest, ShortFormsReplaceLongPathsWhereTheRuleAllows) {
    const char ViewerLong[] = "C:\\Program Files\\Viewer\\VIEW.EXE";
    const struct {
        const char* name;
        const char* path;
        long long shortResult;  // planned result of every GetShortPathNameA; -1: the real one
        const char* file;
        const char* parameters;
        const char* launchPathAfter;
    } cases[] = {
        {"program", "D:\\LONG FOLDER\\RUN32.EXE", -1, "D:\\LONGFO~1\\RUN32.EXE", "", "D:\\LONG FOLDER\\RUN32.EXE"},
        {"program, result 87", "D:\\LONG FOLDER\\RUN32.EXE", 87, "D:\\LONG FOLDER\\RUN32.EXE", "",
         "D:\\LONG FOLDER\\RUN32.EXE"},
        {"program, result 0", "D:\\LONG FOLDER\\RUN32.EXE", 0, "D:\\LONG FOLDER\\RUN32.EXE", "",
         "D:\\LONG FOLDER\\RUN32.EXE"},
        {"program, result 512", "D:\\LONG FOLDER\\RUN32.EXE", 512, "D:\\LONG FOLDER\\RUN32.EXE", "",
         "D:\\LONG FOLDER\\RUN32.EXE"},
        {"document", "D:\\DOCS\\READ ME.html", -1, "C:\\PROGRA~1\\Viewer\\VIEW.EXE", "D:\\DOCS\\README~1.HTM",
         "D:\\DOCS\\README~1.HTM"},
        {"document, result 87: long form quoted", "D:\\DOCS\\READ ME.html", 87, ViewerLong,
         "\"D:\\DOCS\\READ ME.html\"", "D:\\DOCS\\READ ME.html"},
        {"document, result 0: long form quoted", "D:\\DOCS\\READ ME.html", 0, ViewerLong, "\"D:\\DOCS\\READ ME.html\"",
         "D:\\DOCS\\READ ME.html"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        sim::AddFile("D:\\LONG FOLDER\\RUN32.EXE", "MZ");
        sim::SetShortName("D:\\LONG FOLDER", "LONGFO~1");
        sim::AddFile("D:\\DOCS\\READ ME.html");
        sim::SetShortName("D:\\DOCS\\READ ME.html", "README~1.HTM");
        sim::AddFile(ViewerLong, "MZ");
        sim::SetShortName("C:\\Program Files", "PROGRA~1");
        sim::AddAssociation(".html", "htmlfile", "\"C:\\Program Files\\Viewer\\VIEW.EXE\" \"%1\"");
        // The shell resolves the short form by its own, shortened extension.
        sim::AddAssociation(".htm", "htmlfile", "\"C:\\Program Files\\Viewer\\VIEW.EXE\" \"%1\"");
        if (c.shortResult >= 0) sim::FailCall("GetShortPathNameA", 1, true, c.shortResult);
        EXPECT_EQ(33u, StartProgram(Path(c.path)));
        const sim::ShellStart start = OnlyStart();
        EXPECT_EQ(c.file, start.file);
        EXPECT_EQ(c.parameters, start.parameters);
        EXPECT_STREQ(c.launchPathAfter, SettingsFile.WorkBuffer.CStr());
        // Taken from the long form, before the short one replaced it.
        if (c.parameters[0] != '\0') {
            EXPECT_STREQ(".html", LaunchCommand.DocumentExtension.CStr());
        }
    }
}

TEST_F(LaunchingTest, FailedAssociationWithAffixesIsReturnedAndNothingStarts) {
    sim::AddFile("D:\\DOCS\\NOTES.xyz");
    RunAffixes("", "-b");
    EXPECT_EQ(31u, StartProgram(Path("D:\\DOCS\\NOTES.xyz")));
    EXPECT_TRUE(sim::ShellStarts().empty());
    EXPECT_EQ(0, sim::CallCount("RegOpenKeyExA"));  // no registry fallback either
    EXPECT_STREQ("D:\\DOCS\\NOTES.xyz", LaunchCommand.ParameterText.CStr());  // no suffix

    ResetLauncherState();
    RunAffixes("", "-b");
    sim::AddFile(Viewer, "MZ");
    sim::AddAssociation(".xyz", "xyzfile", "C:\\VIEW\\VIEW.EXE %1");
    sim::FailNextCall("FindExecutableW", false, 32);
    EXPECT_EQ(32u, StartProgram(Path("D:\\DOCS\\NOTES.xyz")));
    EXPECT_TRUE(sim::ShellStarts().empty());

    // A command starting with a blank: the shell finds an empty program, and the open
    // command's own program is missing. Nothing is started, not even "".
    ResetLauncherState();
    RunAffixes("", "-b");
    sim::AddAssociation(".xyz", "xyzfile", " C:\\GONE\\VIEW.EXE %1");
    sim::SetShellExecuteResult(33);
    EXPECT_EQ(31u, StartProgram(Path("D:\\DOCS\\NOTES.xyz")));
    EXPECT_TRUE(sim::ShellStarts().empty());
}

// The open command as registered decides: a program with the document's placeholder alone
// is started with the document (and the affixes); any other command, or none, is the
// shell's own open of the document, which affixes cannot reach.
TEST_F(LaunchingTest, EachKindOfOpenCommand) {
    const char Doc[] = "D:\\DOCS\\INDEX.URL";
    const struct {
        const char* name;
        const char* command;  // the class's open command; nullptr: no association at all
        const char* suffix;
        UINT result;
        const char* file;  // nullptr: nothing started
        const char* parameters;
        const char* line;  // what the shell ran for a document
    } cases[] = {
        {"quoted program, quoted %1", "\"C:\\VIEW\\VIEW.EXE\" \"%1\"", "", 33, Viewer, Doc, ""},
        {"quoted program, quoted %1, suffix", "\"C:\\VIEW\\VIEW.EXE\" \"%1\"", "-b", 33, Viewer,
         "D:\\DOCS\\INDEX.URL -b", ""},
        {"%L and %*", "C:\\VIEW\\VIEW.EXE %L %*", "-b", 33, Viewer, "D:\\DOCS\\INDEX.URL -b", ""},
        {"no placeholder", "C:\\VIEW\\view.exe", "-b", 33, "C:\\VIEW\\view.exe", "D:\\DOCS\\INDEX.URL -b", ""},
        {"rundll32 host", "rundll32.exe ieframe.dll,OpenURL %l", "", 33, Doc, "",
         "rundll32.exe ieframe.dll,OpenURL D:\\DOCS\\INDEX.URL"},
        {"rundll32 host, suffix", "rundll32.exe ieframe.dll,OpenURL %l", "-b", 27, nullptr, "", ""},
        {"arguments after %1", "\"C:\\VIEW\\VIEW.EXE\" \"%1\" /view", "", 33, Doc, "",
         "\"C:\\VIEW\\VIEW.EXE\" \"D:\\DOCS\\INDEX.URL\" /view"},
        {"arguments before %1, suffix", "C:\\VIEW\\VIEW.EXE /open %1", "-b", 27, nullptr, "", ""},
        {"a verb with no command", "", "", 31, Doc, "", ""},
        {"a verb with no command, suffix", "", "-b", 27, nullptr, "", ""},
        {"no association", nullptr, "", 31, Doc, "", ""},
        {"no association, suffix", nullptr, "-b", 31, nullptr, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        sim::AddFile(Doc);
        sim::AddFile(Viewer, "MZ");
        if (c.command) sim::AddAssociation(".URL", "InternetShortcut", c.command);
        RunAffixes("", c.suffix);
        EXPECT_EQ(c.result, StartProgram(Path(Doc)));
        if (c.file == nullptr) {
            EXPECT_TRUE(sim::ShellStarts().empty());
            continue;
        }
        const sim::ShellStart start = OnlyStart();
        EXPECT_EQ(c.file, start.file);
        EXPECT_EQ(c.parameters, start.parameters);
        EXPECT_EQ(c.line, start.command);
        EXPECT_EQ(c.file == Doc ? "D:\\DOCS" : "C:\\VIEW", start.directory);
    }

    // A batch file's "%1" %*: the document is its own program and takes the affixes.
    Restart();
    sim::AddFile("D:\\SETUP.BAT");
    sim::AddAssociation(".bat", "batfile", "\"%1\" %*");
    RunAffixes("-a", "-b");
    EXPECT_EQ(33u, StartProgram(Path("D:\\SETUP.BAT")));
    EXPECT_EQ("D:\\SETUP.BAT", OnlyStart().file);
    EXPECT_EQ("-a D:\\SETUP.BAT -b", OnlyStart().parameters);
}

// The shell's own open gets the long form: a short name's extension may name another type.
TEST_F(LaunchingTest, ShellOpensTheDocumentsLongForm) {
    sim::AddFile("D:\\WEB\\START PAGE.html");
    sim::SetShortName("D:\\WEB\\START PAGE.html", "STARTP~1.HTM");
    sim::AddAssociation(".html", "htmlfile", "rundll32.exe url.dll,FileProtocolHandler %1");
    EXPECT_EQ(33u, StartProgram(Path("D:\\WEB\\START PAGE.html")));
    EXPECT_EQ("D:\\WEB\\START PAGE.html", OnlyStart().file);
    EXPECT_EQ("D:\\WEB", OnlyStart().directory);
    EXPECT_STREQ("D:\\WEB\\STARTP~1.HTM", SettingsFile.WorkBuffer.CStr());  // the report shows the short form
}

TEST_F(LaunchingTest, MissingAssociatedProgramFallsBackToTheRegisteredOpenCommand) {
    const char Gone[] = "C:\\GONE\\VIEW.EXE";
    const std::string long511 = "C:\\VIEW\\VIEW.EXE" + std::string(511 - 16 - 2, ' ') + "%1";
    const std::string long512 = long511 + "x";
    const struct {
        const char* name;
        const char* extensionCommand;  // .txt\shell\open\command
        const char* extraFile;
        const char* started;
        const char* directory;  // "<null>": none given, the shell's default applies
    } cases[] = {
        {"extension command", "C:\\VIEW\\VIEW.EXE %1", nullptr, Viewer, "C:\\VIEW"},
        {"extension command, program missing too", "C:\\ELSE\\VIEW.EXE %1", nullptr, Gone, "C:\\GONE"},
        {"quoted path with blanks", "\"C:\\Program Files\\Viewer\\VIEW.EXE\" \"%1\"",
         "C:\\Program Files\\Viewer\\VIEW.EXE", "C:\\Program Files\\Viewer\\VIEW.EXE", "C:\\Program Files\\Viewer"},
        {"unquoted path with blanks", "C:\\Program Files\\Viewer\\VIEW.EXE %1", "C:\\Program Files\\Viewer\\VIEW.EXE",
         "C:\\Program Files\\Viewer\\VIEW.EXE", "C:\\Program Files\\Viewer"},
        {"quoted, dot in a folder", "\"C:\\Tools.old\\My Viewer.exe\" %1", "C:\\Tools.old\\My Viewer.exe",
         "C:\\Tools.old\\My Viewer.exe", "C:\\Tools.old"},
        {"unclosed quote", "\"C:\\VIEW\\VIEW.EXE", nullptr, Viewer, "C:\\VIEW"},
        {"leading spaces", "   C:\\VIEW\\VIEW.EXE %1", nullptr, Viewer, "C:\\VIEW"},
        // A bare name is found along the search path; its own name is no folder to start in.
        {"program named without a folder", "notepad.exe %1", "D:\\NOTEPAD.EXE", "notepad.exe", "<null>"},
        {"command of 511", long511.c_str(), nullptr, Viewer, "C:\\VIEW"},
        {"command of 512: not found, the class's taken", long512.c_str(), nullptr, Gone, "C:\\GONE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        sim::AddFile("D:\\DOCS\\README.TXT");
        sim::AddFile(Viewer, "MZ");
        if (c.extraFile) sim::AddFile(c.extraFile);
        sim::AddAssociation(".txt", "txtfile", "C:\\GONE\\VIEW.EXE %1");
        sim::SetRegistryString(HKEY_CLASSES_ROOT, ".txt\\shell\\open\\command", "", c.extensionCommand);
        sim::SetShellExecuteResult(33);  // the start itself is not under test
        EXPECT_EQ(33u, StartProgram(Path("D:\\DOCS\\README.TXT")));
        const sim::ShellStart start = OnlyStart();
        EXPECT_EQ(c.started, start.file);
        EXPECT_EQ("D:\\DOCS\\README.TXT", start.parameters);
        EXPECT_EQ(c.directory, start.directory);
    }
}

TEST_F(LaunchingTest, FallbackFollowsTheExtensionsClass) {
    const std::string long512 = "C:\\VIEW\\VIEW.EXE /" + std::string(512 - 18, 'x');
    const std::string class180(180, 'c');  // + "\shell\open\command": 199 characters
    const std::string class181(181, 'c');
    const struct {
        const char* name;
        std::string className;
        const char* extensionCommand;  // nullptr: none
        const char* started;  // nullptr: nothing started, no association reported
    } cases[] = {
        {"class command", "txtfile", nullptr, "C:\\ALT\\ALT.EXE"},
        {"extension command first", "txtfile", "C:\\VIEW\\VIEW.EXE %1", Viewer},
        {"extension command too long: the class's", "txtfile", long512.c_str(), "C:\\ALT\\ALT.EXE"},
        {"class key path of 199", class180, nullptr, "C:\\ALT\\ALT.EXE"},
        {"class key path of 200: not found, so the shell opens it", class181, nullptr, "D:\\DOCS\\README.TXT"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        sim::AddFile("D:\\DOCS\\README.TXT");
        sim::AddFile(Viewer, "MZ");
        sim::AddFile("C:\\ALT\\ALT.EXE", "MZ");
        sim::SetRegistryString(HKEY_CLASSES_ROOT, ".txt", "", c.className);
        if (c.extensionCommand)
            sim::SetRegistryString(HKEY_CLASSES_ROOT, ".txt\\shell\\open\\command", "", c.extensionCommand);
        const std::string classKey = c.className + "\\shell\\open\\command";
        sim::SetRegistryString(HKEY_CLASSES_ROOT, classKey.c_str(), "", "C:\\ALT\\ALT.EXE %1");
        // The key that a cut key path would name: found only if a too long path were cut.
        sim::SetRegistryString(HKEY_CLASSES_ROOT, classKey.substr(0, 199).c_str(), "", "C:\\ALT\\ALT.EXE %1");
        // The shell "finds" the association yet names no program, so the fallback runs.
        sim::FailCall("FindExecutableW", 1, false, 42);
        sim::SetShellExecuteResult(42);
        EXPECT_EQ(42u, StartProgram(Path("D:\\DOCS\\README.TXT")));
        EXPECT_EQ(c.started, OnlyStart().file);
    }
}

TEST_F(LaunchingTest, StartsThroughTheShellInTheProgramsFolder) {
    const struct {
        const char* program;
        const char* directory;
    } cases[] = {
        {"D:\\RUN32.EXE", "D:"},
        {"C:\\WINDOWS\\NOTEPAD.EXE", "C:\\WINDOWS"},
        {"D:\\A\\B\\C.EXE", "D:\\A\\B"},
        {"RUN32.EXE", "<null>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        Restart();
        sim::SetShellExecuteResult(0x12345678);
        EXPECT_EQ(0x12345678u, StartProgram(Path(c.program)));
        const sim::ShellStart start = OnlyStart();
        EXPECT_TRUE(start.ownerNull);
        EXPECT_EQ("<null>", start.verb);
        EXPECT_EQ(c.program, start.file);
        EXPECT_EQ(c.directory, start.directory);
        EXPECT_EQ(SW_SHOWNORMAL, start.show);
        EXPECT_STREQ(c.program, SettingsFile.WorkBuffer.CStr());
    }
}

TEST_F(LaunchingTest, ShellFailureIsReturnedUnchanged) {
    sim::AddFolder("D:\\GAMES");
    EXPECT_EQ(2u, StartProgram(Path("D:\\GAMES\\MISSING.EXE")));
    EXPECT_EQ(1u, sim::ShellStarts().size());
}

// A path of exactly length characters on D:, in folders of at most 100 characters,
// ending in extension (the dot included).
std::string LongPath(size_t length, const char* extension) {
    std::string path = "D:";
    const size_t body = length - std::string(extension).size();
    while (path.size() < body) {
        path += '\\';
        path += std::string(std::min<size_t>(100, body - path.size()), 'n');
    }
    if (path.back() == '\\') path.back() = 'n';
    return path + extension;
}

TEST_F(LaunchingTest, PathsThatWouldNotFitAreNeverCut) {
    const std::string prefix(100, 'p');
    const std::string suffix(100, 's');
    const std::string longPrefix(359, 'p');
    const std::string suffix149(149, 's');
    const struct {
        const char* name;
        std::string path;
        const char* prefix;
        const char* suffix;
        bool started;
    } cases[] = {
        {"program of 511", LongPath(511, ".EXE"), "", "", true},
        {"program of 512", LongPath(512, ".EXE"), "", "", false},
        {"document of 510", LongPath(510, ".TXT"), "", "", true},
        {"document of 511", LongPath(511, ".TXT"), "", "", false},
        {"prefix, document and suffix of 510", LongPath(308, ".TXT"), prefix.c_str(), suffix.c_str(), true},
        {"prefix, document and suffix of 511", LongPath(309, ".TXT"), prefix.c_str(), suffix.c_str(), false},
        {"document and suffix of 511", LongPath(410, ".TXT"), "", suffix.c_str(), false},
        {"program's prefix and suffix of 510", LongPath(20, ".EXE"), longPrefix.c_str(), suffix149.c_str(), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        sim::FailCall("GetShortPathNameA", 1, true, 0);  // the long forms have to be used
        AddDocument(c.path.c_str(), ".TXT");
        RunAffixes(c.prefix, c.suffix);
        EXPECT_EQ(c.started ? 33u : 0u, StartProgram(Path(c.path)));
        EXPECT_EQ(c.started ? 1u : 0u, sim::ShellStarts().size());
        if (!c.started) continue;
        const sim::ShellStart start = OnlyStart();
        const bool program = c.path.back() == 'E';
        EXPECT_EQ(program ? c.path : std::string(Viewer), start.file);
        const std::string before = c.prefix[0] ? c.prefix + std::string(" ") : "";
        const std::string after = c.suffix[0] ? " " + std::string(c.suffix) : "";
        EXPECT_EQ(before + (program ? "" : c.path) + after, start.parameters);
    }
}

// ---- The failure report ----

class ReportTest : public LaunchingTest {
protected:
    void SetUp() override {
        LaunchingTest::SetUp();
        Settings.Platform = Windows95;
    }
    // A settings file whose errors section holds the given lines.
    static void WriteErrorsSection(const std::string& lines) {
        sim::AddFile("D:\\AUTOPLAY.INI", "[Tavio32 Errors]\r\n" + lines);
        SettingsFile.FileLocated = true;
        SettingsFile.SettingsFilePath.Assign("D:\\AUTOPLAY.INI");
    }
    static std::string Report(const char* first, const std::string& path, const char* reason) {
        return std::string(first) + "\n" + path + "\n\n" + reason;
    }
};

TEST_F(ReportTest, StartedProgramShowsNothing) {
    sim::AddFile("D:\\RUN32.EXE", "MZ");
    EXPECT_EQ(0, LaunchDiscProgram(Path("D:\\RUN32.EXE")));
    EXPECT_TRUE(sim::MessageBoxes().empty());
    EXPECT_EQ(1u, sim::ShellStarts().size());
}

TEST_F(ReportTest, EachOperationAndPlatformHasItsOwnFirstLine) {
    const struct {
        const char* name;
        int (*launch)(WorkText&);
        TargetPlatform platform;
        const char* first;
    } cases[] = {
        {"installer, 95", LaunchInstaller, Windows95, "Error running the installer file for Windows 95, "},
        {"installer, NT", LaunchInstaller, WindowsNT, "Error running the installer file for Windows NT, "},
        {"installed, 95", LaunchInstalledProgram, Windows95, "Error running the installed file for Windows 95, "},
        {"installed, NT", LaunchInstalledProgram, WindowsNT, "Error running the installed file for Windows NT, "},
        {"disc, 95", LaunchDiscProgram, Windows95, "Error running the file for Windows 95, "},
        {"disc, NT", LaunchDiscProgram, WindowsNT, "Error running the file for Windows NT, "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        Settings.Platform = c.platform;
        sim::AddFolder("D:\\SETUP32");
        EXPECT_NE(0, c.launch(Path("D:\\SETUP32\\SETUP.EXE")));  // missing: the shell gives 2
        ASSERT_EQ(1u, sim::MessageBoxes().size());
        const sim::MessageBoxCall& box = sim::MessageBoxes()[0];
        EXPECT_EQ(Report(c.first, "D:\\SETUP32\\SETUP.EXE", "The specified file was not found."), box.text);
        EXPECT_EQ("Tavio Launcher", box.caption);
        EXPECT_TRUE(box.ownerNull);
        EXPECT_EQ(static_cast<UINT>(MB_OK), box.type);
    }
}

TEST_F(ReportTest, EveryResultHasItsReason) {
    const char* const unknown = "Unknown error.";
    const struct {
        LaunchResult result;
        const char* reason;
    } cases[] = {
        {0, "The operating system is out of memory or resources."},
        {1, unknown},
        {2, "The specified file was not found."},
        {3, "The specified path was not found."},
        {4, unknown},
        {5, "The operating system denied access to the specified file."},
        {6, unknown},
        {7, unknown},
        {8, "The shell did not have enough memory to complete the operation."},
        {9, unknown},
        {10, unknown},
        {11, "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image)."},
        {12, unknown},
        {25, unknown},
        {26, "A sharing violation occurred."},
        {27, "The filename association is incomplete or invalid."},
        {28, "The DDE transaction could not be completed because the request timed out."},
        {29, "The DDE transaction failed."},
        {30, "The DDE transaction could not be completed because other DDE transactions were being processed."},
        {31, "There is no application associated with the given filename extension."},
        {32, "A necessary dynamic-link library was not found."},
        {33, unknown},
        {0x80000000u, unknown},
        {0xFFFFFFFFu, unknown},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("result " + std::to_string(c.result));
        EXPECT_STREQ(c.reason, DescribeLaunchError(c.result));
    }
    // Reasons in a failure report, as the shell gives them.
    const LaunchResult shown[] = {0, 1, 4, 5, 31};
    for (LaunchResult result : shown) {
        SCOPED_TRACE("report for " + std::to_string(result));
        Restart();
        Settings.Platform = Windows95;
        sim::AddFile("D:\\RUN32.EXE", "MZ");
        sim::SetShellExecuteResult(result);
        EXPECT_NE(0, LaunchDiscProgram(Path("D:\\RUN32.EXE")));
        ASSERT_EQ(1u, sim::MessageBoxes().size());
        EXPECT_EQ(Report("Error running the file for Windows 95, ", "D:\\RUN32.EXE", DescribeLaunchError(result)),
                  sim::MessageBoxes()[0].text);
    }
}

TEST_F(ReportTest, DocumentReportsShowTheShortFormAndMissingAssociation) {
    sim::AddFile("D:\\DOCS\\READ ME.xyz");
    sim::SetShortName("D:\\DOCS\\READ ME.xyz", "README~1.XYZ");
    EXPECT_NE(0, LaunchDiscProgram(Path("D:\\DOCS\\READ ME.xyz")));
    ASSERT_EQ(1u, sim::MessageBoxes().size());
    EXPECT_EQ(Report("Error running the file for Windows 95, ", "D:\\DOCS\\README~1.XYZ",
                     "There is no application associated with the given filename extension."),
              sim::MessageBoxes()[0].text);
    // The shell's own open was tried, with the long form, and found no association either.
    ASSERT_EQ(1u, sim::ShellStarts().size());
    EXPECT_EQ("D:\\DOCS\\READ ME.xyz", sim::ShellStarts()[0].file);
}

TEST_F(ReportTest, TooLongPathIsReportedAsOutOfResources) {
    const std::string path = LongPath(512, ".EXE");
    sim::FailCall("GetShortPathNameA", 1, true, 0);
    EXPECT_NE(0, LaunchInstaller(Path(path)));
    ASSERT_EQ(1u, sim::MessageBoxes().size());
    EXPECT_EQ(Report("Error running the installer file for Windows 95, ", path,
                     "The operating system is out of memory or resources."),
              sim::MessageBoxes()[0].text);
    EXPECT_TRUE(sim::ShellStarts().empty());
}

TEST_F(ReportTest, ErrorsSectionReplacesTextsAndCaption) {
    const struct {
        const char* name;
        const char* lines;
        const char* first;
        const char* reason;
        const char* caption;
    } cases[] = {
        {"reason", "ErrorFileNotFound=Nothing there.\r\n", "Error running the file for Windows 95, ",
         "Nothing there.", "Tavio Launcher"},
        {"other reason only", "ErrorPathNotFound=No path.\r\n", "Error running the file for Windows 95, ",
         "The specified file was not found.", "Tavio Launcher"},
        {"caption", "LauncherTitle=Sample Disc\r\n", "Error running the file for Windows 95, ",
         "The specified file was not found.", "Sample Disc"},
        {"first line", "ErrorLaunchNoInst32=Could not run \r\nErrorLaunchNoInstNT=wrong family\r\n",
         "Could not run", "The specified file was not found.", "Tavio Launcher"},
        {"all three", "ErrorLaunchNoInst32=First\r\nErrorFileNotFound=Reason\r\nLauncherTitle=Caption\r\n", "First",
         "Reason", "Caption"},
        {"empty texts", "ErrorLaunchNoInst32=\r\nErrorFileNotFound=\r\n", "", "", "Tavio Launcher"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        Settings.Platform = Windows95;
        WriteErrorsSection(c.lines);
        EXPECT_NE(0, LaunchDiscProgram(Path("D:\\RUN32.EXE")));
        ASSERT_EQ(1u, sim::MessageBoxes().size());
        EXPECT_EQ(Report(c.first, "D:\\RUN32.EXE", c.reason), sim::MessageBoxes()[0].text);
        EXPECT_EQ(c.caption, sim::MessageBoxes()[0].caption);
    }
}

TEST_F(ReportTest, OverlongReportIsCutAtItsEnd) {
    const std::string first(4000, 'f');
    WriteErrorsSection("ErrorLaunchNoInst32=" + first + "\r\n");
    const std::string path = "D:\\" + std::string(200, 'm') + ".EXE";
    EXPECT_NE(0, LaunchDiscProgram(Path(path)));
    ASSERT_EQ(1u, sim::MessageBoxes().size());
    const std::string whole = Report(first.c_str(), path, "The specified file was not found.");
    EXPECT_EQ(whole.substr(0, 4095), sim::MessageBoxes()[0].text);
    EXPECT_EQ("Tavio Launcher", sim::MessageBoxes()[0].caption);
}

}  // namespace
