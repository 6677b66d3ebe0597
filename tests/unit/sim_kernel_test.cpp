// Host tests of the simulated kernel, registry, profile and shell: each case a rule Windows (or Wine) follows.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "sim_kernel.h"
#include "unit_support.h"

namespace {

class SimKernelTest : public SimTest {
protected:
    // A buffer pre-filled with a marker, to tell an untouched buffer from an emptied one.
    struct Buffer {
        char text[300];
        Buffer() { Fill(); }
        void Fill() {
            memset(text, 'x', sizeof(text));
            text[sizeof(text) - 1] = '\0';
        }
        bool Untouched() const { return text[0] == 'x' && text[1] == 'x'; }
    };
    // A deliberate write records a simulation failure; checked, then cleared for TearDown.
    static void ExpectAndClearFailures(size_t count) {
        EXPECT_EQ(count, sim::Failures().size());
        sim::Reset();
    }
};

// ---- Version, module, keys ----

TEST_F(SimKernelTest, ResetGivesNT4AndTheDiscsLauncher) {
    sim::SetVersion(sim::kWindows98);
    sim::SetModulePath("C:\\X.EXE");
    sim::Reset();
    EXPECT_EQ(sim::kWindowsNT4, GetVersion());
    char path[64];
    EXPECT_EQ(15u, GetModuleFileNameA(nullptr, path, sizeof(path)));
    EXPECT_STREQ("D:\\AUTOPLAY.EXE", path);
}

TEST_F(SimKernelTest, ModuleFileNameIsCutToTheBufferAndTerminated) {
    const struct {
        DWORD size;
        DWORD result;
        const char* text;  // nullptr: untouched
        DWORD error;
    } cases[] = {
        {64, 15, "D:\\AUTOPLAY.EXE", 0},
        {16, 15, "D:\\AUTOPLAY.EXE", 0},
        {15, 15, "D:\\AUTOPLAY.EX", ERROR_INSUFFICIENT_BUFFER},
        {4, 4, "D:\\", ERROR_INSUFFICIENT_BUFFER},
        {1, 1, "", ERROR_INSUFFICIENT_BUFFER},
        {0, 0, nullptr, ERROR_INSUFFICIENT_BUFFER},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        Buffer buffer;
        SetLastError(0);
        EXPECT_EQ(c.result, GetModuleFileNameA(nullptr, buffer.text, c.size));
        if (c.text)
            EXPECT_STREQ(c.text, buffer.text);
        else
            EXPECT_TRUE(buffer.Untouched());
        EXPECT_EQ(c.error, GetLastError());
    }
    Buffer buffer;
    sim::FailNextCall("GetModuleFileNameA", false, 0);
    EXPECT_EQ(0u, GetModuleFileNameA(nullptr, buffer.text, 64));
    EXPECT_TRUE(buffer.Untouched());
    // As Windows 2000 and XP cut: the whole buffer, no terminator, no error.
    sim::SetModuleNameCutUnterminated(true);
    SetLastError(ERROR_INVALID_PARAMETER);
    EXPECT_EQ(4u, GetModuleFileNameA(nullptr, buffer.text, 4));
    EXPECT_EQ("D:\\Ax", std::string(buffer.text, 5));
    EXPECT_EQ(0u, GetLastError());
}

TEST_F(SimKernelTest, RegisterClassExAIsFoundInUser32Only) {
    const struct {
        const char* module;
        const char* name;
        bool available;
        bool found;
    } cases[] = {
        {"USER32", "RegisterClassExA", true, true},
        {"user32.dll", "RegisterClassExA", true, true},
        {"USER32", "RegisterClassExA", false, false},
        {"USER32", "registerclassexa", true, false},  // export names match exactly
        {"KERNEL32", "RegisterClassExA", true, false},
        {nullptr, "RegisterClassExA", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.module ? c.module : "<null>") + " " + c.name);
        sim::SetRegisterClassExAvailable(c.available);
        HMODULE module = GetModuleHandleA(c.module);
        ASSERT_NE(nullptr, module);
        const FARPROC proc = GetProcAddress(module, c.name);
        if (c.found)
            EXPECT_EQ(reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&RegisterClassExA)), proc);
        else
            EXPECT_EQ(nullptr, proc);
    }
    EXPECT_EQ(nullptr, GetModuleHandleA("NOSUCH.DLL"));
    sim::FailNextCall("GetModuleHandleA", false, 0);
    EXPECT_EQ(nullptr, GetModuleHandleA("USER32"));
}

TEST_F(SimKernelTest, KeyStateHasTheHighBitWhileHeld) {
    EXPECT_EQ(0, GetAsyncKeyState(VK_SHIFT));
    sim::SetKeyDown(VK_SHIFT, true);
    EXPECT_NE(0, GetAsyncKeyState(VK_SHIFT) & 0x8000);
    EXPECT_EQ(0, GetAsyncKeyState(VK_CONTROL));
    sim::SetKeyDown(0xA3, true);  // the right control key counts as control
    EXPECT_NE(0, GetAsyncKeyState(VK_CONTROL) & 0x8000);
    sim::SetKeyDown(VK_SHIFT, false);
    EXPECT_EQ(0, GetAsyncKeyState(VK_SHIFT));
}

// ---- Files ----

// A path of exactly length characters ending in "\F.TXT".
std::string PathOfLength(size_t length) {
    std::string path = "D:\\";
    while (path.size() + 6 < length) {
        path += std::string(std::min<size_t>(60, length - 6 - path.size()), 'n');
        if (path.size() + 6 < length) path += '\\';
    }
    path += "\\F.TXT";
    return path;
}

TEST_F(SimKernelTest, OpenFileExistFindsOnlyFilesWithFullPathsUnder128) {
    const std::string path127 = PathOfLength(127), path128 = PathOfLength(128);
    ASSERT_EQ(127u, path127.size());
    ASSERT_EQ(128u, path128.size());
    sim::AddFile("D:\\SETUP32\\SETUP.EXE", "MZ");
    sim::AddFile("D:\\DOCS\\READ ME.TXT");
    sim::SetShortName("D:\\DOCS\\READ ME.TXT", "README~1.TXT");
    sim::AddFile("D:\\AUTOPLAY.INI");
    sim::AddFile(path127.c_str());
    sim::AddFile(path128.c_str());
    const struct {
        std::string path;
        HFILE result;
        WORD error;
        const char* full;  // szPathName
    } cases[] = {
        {"D:\\SETUP32\\SETUP.EXE", 1, 0, "D:\\SETUP32\\SETUP.EXE"},
        {"d:\\setup32\\Setup.exe", 1, 0, "d:\\setup32\\Setup.exe"},
        {"D:\\DOCS\\README~1.TXT", 1, 0, "D:\\DOCS\\README~1.TXT"},
        {"D:\\SETUP32", HFILE_ERROR, ERROR_ACCESS_DENIED, "D:\\SETUP32"},
        {"D:\\SETUP32\\", HFILE_ERROR, ERROR_ACCESS_DENIED, "D:\\SETUP32\\"},
        {"D:\\SETUP32\\SETUP.EXE\\", HFILE_ERROR, ERROR_FILE_NOT_FOUND, "D:\\SETUP32\\SETUP.EXE\\"},
        {"D:\\SETUP32\\MISSING.EXE", HFILE_ERROR, ERROR_FILE_NOT_FOUND, "D:\\SETUP32\\MISSING.EXE"},
        {"", HFILE_ERROR, ERROR_FILE_NOT_FOUND, ""},
        {"AUTOPLAY.INI", 1, 0, "D:\\AUTOPLAY.INI"},  // a bare name: the module's folder
        {"SETUP32\\SETUP.EXE", 1, 0, "D:\\SETUP32\\SETUP.EXE"},
        {path127, 1, 0, path127.c_str()},
        {path128, HFILE_ERROR, 13, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        OFSTRUCT info;
        memset(&info, 0x55, sizeof(info));
        EXPECT_EQ(c.result, OpenFile(c.path.c_str(), &info, OF_EXIST));
        EXPECT_EQ(c.error, info.nErrCode);
        EXPECT_STREQ(c.full, info.szPathName);
    }
    sim::FailNextCall("OpenFile", false, HFILE_ERROR);
    OFSTRUCT info;
    EXPECT_EQ(HFILE_ERROR, OpenFile("D:\\AUTOPLAY.INI", &info, OF_EXIST));
}

TEST_F(SimKernelTest, FileAttributesTellFoldersFromFilesAtAnyLength) {
    const std::string path200 = PathOfLength(200), path260 = PathOfLength(260);
    sim::AddFile("D:\\SETUP32\\SETUP.EXE", "MZ");
    sim::AddFile(path200.c_str());
    sim::AddFile(path260.c_str());
    const struct {
        std::string path;
        DWORD attributes;
        DWORD error;
    } cases[] = {
        {"D:\\SETUP32", FILE_ATTRIBUTE_DIRECTORY, 0},
        {"D:\\setup32\\", FILE_ATTRIBUTE_DIRECTORY, 0},
        {"D:\\", FILE_ATTRIBUTE_DIRECTORY, 0},
        {"D:\\SETUP32\\SETUP.EXE", FILE_ATTRIBUTE_ARCHIVE, 0},
        {"D:\\SETUP32\\SETUP.EXE\\", INVALID_FILE_ATTRIBUTES, 123},
        {"D:\\SETUP32\\NONE.EXE", INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND},
        {"D:\\NONE\\NONE.EXE", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
        {path200, FILE_ATTRIBUTE_ARCHIVE, 0},                 // beyond OpenFile's reach
        {path260, INVALID_FILE_ATTRIBUTES, 206},              // beyond MAX_PATH for an ANSI call
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        SetLastError(0);
        EXPECT_EQ(c.attributes, GetFileAttributesA(c.path.c_str()));
        EXPECT_EQ(c.error, GetLastError());
    }
}

TEST_F(SimKernelTest, FileSetUpCreatesFoldersAndRemoves) {
    sim::AddFile("C:\\Program Files\\Tool\\tool.exe", "MZ");
    EXPECT_TRUE(sim::FileExistsInSim("c:\\PROGRAM FILES\\TOOL\\TOOL.EXE"));
    EXPECT_FALSE(sim::FileExistsInSim("C:\\Program Files\\Tool"));  // a folder is no file
    EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesA("C:\\Program Files"));
    sim::RemoveFile("C:\\PROGRAM FILES\\TOOL\\TOOL.EXE");
    EXPECT_FALSE(sim::FileExistsInSim("C:\\Program Files\\Tool\\tool.exe"));
    EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesA("C:\\Program Files\\Tool"));
    EXPECT_TRUE(sim::Failures().empty());
    sim::AddFolder("C:\\Program Files\\Tool\\tool.exe");
    sim::AddFile("C:\\Program Files\\Tool\\tool.exe\\x");  // fine: the folder is there now
    sim::AddFile("C:\\Program Files\\Tool");              // a folder cannot become a file
    ExpectAndClearFailures(1);
}

TEST_F(SimKernelTest, ShortPathNameReplacesAliasedComponentsAndReportsSizes) {
    sim::AddFile("C:\\Program Files\\Long Tool Name\\tool.exe", "MZ");
    sim::SetShortName("C:\\Program Files", "PROGRA~1");
    sim::SetShortName("C:\\Program Files\\Long Tool Name", "LONGTO~1");
    sim::AddFile("D:\\SETUP.EXE", "MZ");
    const char full[] = "C:\\PROGRA~1\\LONGTO~1\\tool.exe";  // 29 characters
    const struct {
        const char* name;
        const char* path;
        DWORD size;
        DWORD result;
        const char* text;  // nullptr: untouched
        DWORD error;
    } cases[] = {
        {"aliases", "C:\\Program Files\\Long Tool Name\\tool.exe", 260, 29, full, 0},
        {"any case", "c:\\program files\\LONG TOOL NAME\\TOOL.EXE", 260, 29, "c:\\PROGRA~1\\LONGTO~1\\TOOL.EXE", 0},
        {"an alias as input", "C:\\PROGRA~1\\Long Tool Name", 260, 20, "C:\\PROGRA~1\\LONGTO~1", 0},
        {"trailing backslash kept", "C:\\Program Files\\", 260, 12, "C:\\PROGRA~1\\", 0},
        {"exact fit", "C:\\Program Files\\Long Tool Name\\tool.exe", 30, 29, full, 0},
        {"one short: size with terminator", "C:\\Program Files\\Long Tool Name\\tool.exe", 29, 30, nullptr, 0},
        {"size 0", "C:\\Program Files\\Long Tool Name\\tool.exe", 0, 30, nullptr, 0},
        {"no alias: long name kept", "D:\\SETUP.EXE", 260, 12, "D:\\SETUP.EXE", 0},
        {"relative stays relative", "SETUP.EXE", 260, 9, "SETUP.EXE", 0},
        {"missing file", "C:\\Program Files\\none.exe", 260, 0, nullptr, ERROR_FILE_NOT_FOUND},
        {"missing folder", "C:\\None\\tool.exe", 260, 0, nullptr, ERROR_FILE_NOT_FOUND},
        {"empty", "", 260, 0, nullptr, 161},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Buffer buffer;
        SetLastError(0);
        EXPECT_EQ(c.result, GetShortPathNameA(c.path, buffer.text, c.size));
        if (c.text)
            EXPECT_STREQ(c.text, buffer.text);
        else
            EXPECT_TRUE(buffer.Untouched());
        EXPECT_EQ(c.error, GetLastError());
    }
    Buffer buffer;
    sim::FailNextCall("GetShortPathNameA", false, 87);
    EXPECT_EQ(87u, GetShortPathNameA("D:\\SETUP.EXE", buffer.text, 260));
    EXPECT_TRUE(buffer.Untouched());
}

TEST_F(SimKernelTest, AliasesWorkWhereverAPathIsUsed) {
    sim::AddFile("D:\\Read Me Folder\\Read Me.txt", "[s]\nk=v\n");
    sim::SetShortName("D:\\Read Me Folder", "README~1");
    sim::SetShortName("D:\\Read Me Folder\\Read Me.txt", "README~1.TXT");
    EXPECT_TRUE(sim::FileExistsInSim("D:\\README~1\\README~1.TXT"));
    EXPECT_TRUE(sim::FileExistsInSim("D:\\README~1\\Read Me.txt"));
    char value[16];
    EXPECT_EQ(1u, GetPrivateProfileStringA("s", "k", "", value, sizeof(value), "D:\\readme~1\\readme~1.txt"));
    EXPECT_STREQ("v", value);
}

TEST_F(SimKernelTest, LongPathGivesEachComponentsLongName) {
    sim::AddFile("C:\\Program Files\\Long Tool Name\\tool.exe", "MZ");
    sim::SetShortName("C:\\Program Files", "PROGRA~1");
    EXPECT_EQ("C:\\Program Files\\Long Tool Name\\tool.exe", sim::LongPath("c:\\progra~1\\long tool name\\TOOL.EXE"));
    EXPECT_EQ("C:\\Program Files\\none\\x.exe", sim::LongPath("C:\\PROGRA~1\\none\\x.exe"));
}

// A disc being made, loaded from the host: names as there, bytes read when a read needs them.
TEST_F(SimKernelTest, HostFolderLoadsAsADrive) {
    char pattern[] = "/tmp/tavio-sim-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    const std::string host = pattern;
    auto write = [](const std::string& path, const char* text) {
        FILE* file = fopen(path.c_str(), "wb");
        ASSERT_NE(nullptr, file);
        fputs(text, file);
        fclose(file);
    };
    ASSERT_EQ(0, mkdir((host + "/Setup32").c_str(), 0700));
    write(host + "/AUTOPLAY.INI", "[s]\r\nk=one\r\n");
    write(host + "/Setup32/setup.exe", "MZ");
    write(host + "/Caf\xC3\xA9.txt", "");  // UTF-8 on the host, code page 1252 in the simulation
    EXPECT_TRUE(sim::AddHostFolder("D:\\", host.c_str()));
    EXPECT_TRUE(sim::FileExistsInSim("D:\\SETUP32\\SETUP.EXE"));
    EXPECT_TRUE(sim::FileExistsInSim("D:\\CAF\xC9.TXT"));
    EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesA("D:\\Setup32"));
    char value[16];
    GetPrivateProfileStringA("s", "k", "", value, sizeof(value), "D:\\AUTOPLAY.INI");
    EXPECT_STREQ("one", value);
    write(host + "/AUTOPLAY.INI", "[s]\r\nk=two\r\n");
    GetPrivateProfileStringA("s", "k", "", value, sizeof(value), "D:\\AUTOPLAY.INI");
    EXPECT_STREQ("two", value);
    // Names that differ only in letter case are one name on Windows: the second is left out.
    write(host + "/autoplay.ini", "");
    sim::Reset();
    EXPECT_FALSE(sim::AddHostFolder("D:\\", host.c_str()));
    EXPECT_TRUE(sim::FileExistsInSim("D:\\AUTOPLAY.INI"));
    ExpectAndClearFailures(1);
    EXPECT_FALSE(sim::AddHostFolder("D:\\", (host + "/none").c_str()));
    ExpectAndClearFailures(1);
    for (const char* name : {"/AUTOPLAY.INI", "/autoplay.ini", "/Setup32/setup.exe", "/Caf\xC3\xA9.txt"})
        remove((host + name).c_str());
    rmdir((host + "/Setup32").c_str());
    rmdir(host.c_str());
}

// ---- Profile files ----

TEST_F(SimKernelTest, ProfileStringsFollowWindowsParsing) {
    const char* const file = "D:\\AUTOPLAY.INI";
    const struct {
        const char* name;
        const char* content;
        const char* section;
        const char* key;
        const char* fallback;
        const char* text;
    } cases[] = {
        {"plain", "[s]\r\nk=v\r\n", "s", "k", "d", "v"},
        {"CR only lines", "[s]\rk=v\ra=b\r", "s", "a", "d", "b"},
        {"LF only lines", "[s]\nk=v\n", "s", "k", "d", "v"},
        {"blanks around name and value", "[s]\r\n \t k \t=\t v v \t\r\n", "s", "k", "d", "v v"},
        {"^Z trimmed", "[s]\r\nk=v\x1A\r\n", "s", "k", "d", "v"},
        {"section name trimmed", "[  s  ]\r\nk=v\r\n", "s", "k", "d", "v"},
        {"section runs to the last ]", "[a]b]\r\nk=v\r\n", "a]b", "k", "d", "v"},
        {"no ] : a key line", "[s]\r\n[x=1\r\n", "s", "[x", "d", "1"},
        {"split at the first =", "[s]\r\nk=a=b\r\n", "s", "k", "d", "a=b"},
        {"empty value is a value", "[s]\r\nk=\r\n", "s", "k", "d", ""},
        {"no = gives the default", "[s]\r\nk\r\n", "s", "k", "d", "d"},
        {"comment line", "[s]\r\n;k=v\r\n", "s", ";k", "d", "d"},
        {"comment after blanks", "[s]\r\n   ;k=v\r\n", "s", ";k", "d", "d"},
        {"no inline comments", "[s]\r\nk=b ;c\r\n", "s", "k", "d", "b ;c"},
        {"case of section and key", "[Tavio32 Settings]\r\nRunProgram32=x\r\n", "TAVIO32 settings", "runprogram32",
         "d", "x"},
        {"arguments trimmed", "[s]\r\nk=v\r\n", "  s ", " k  ", "d", "v"},
        {"keys before the first section: the section \"\"", "k=v\r\n[s]\r\n", "", "k", "d", "v"},
        {"first duplicate section only", "[s]\r\na=1\r\n[s]\r\nb=2\r\n", "s", "b", "d", "d"},
        {"first duplicate key", "[s]\r\nk=1\r\nk=2\r\n", "s", "k", "d", "1"},
        {"quotes stripped", "[s]\r\nk=\"val2\"\r\n", "s", "k", "d", "val2"},
        {"single quotes stripped", "[s]\r\nk='v'\r\n", "s", "k", "d", "v"},
        {"two quotes: empty", "[s]\r\nk=\"\"\r\n", "s", "k", "d", ""},
        {"lone quote stays", "[s]\r\nk=\"\r\n", "s", "k", "d", "\""},
        {"unmatched quotes stay", "[s]\r\nk=\"v'\r\n", "s", "k", "d", "\"v'"},
        {"inner quotes stay", "[s]\r\nk=a\"b\"\r\n", "s", "k", "d", "a\"b\""},
        {"default loses trailing blanks", "[s]\r\n", "s", "k", "one two  ", "one two"},
        {"default keeps leading blanks", "[s]\r\n", "s", "k", "  x", "  x"},
        {"default loses its quotes", "[s]\r\n", "s", "k", "\"d\"", "d"},
        {"null default", "[s]\r\n", "s", "k", nullptr, ""},
        {"empty section name", "[s]\r\nk=v\r\n", "", "k", "d", "d"},
        {"empty key name", "[s]\r\nk=v\r\n", "s", "", "d", "d"},
        {"missing section", "[s]\r\nk=v\r\n", "t", "k", "d", "d"},
        {"UTF-8 mark skipped", "\xEF\xBB\xBF[s]\r\nk=v\r\n", "s", "k", "d", "v"},
        {"UTF-8 read as UTF-8", "\xEF\xBB\xBF[s]\r\nk=caf\xC3\xA9\r\n", "s", "k", "d", "caf\xE9"},
        {"without mark: ANSI", "[s]\r\nk=caf\xE9\r\n", "s", "k", "d", "caf\xE9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::AddFile(file, c.content);
        Buffer buffer;
        const DWORD result =
            GetPrivateProfileStringA(c.section, c.key, c.fallback, buffer.text, sizeof(buffer.text), file);
        EXPECT_STREQ(c.text, buffer.text);
        EXPECT_EQ(strlen(c.text), result);
    }
    const char utf16[] = "\xFF\xFE[\0s\0]\0\r\0\n\0k\0=\0\xE9\0";  // a UTF-16 mark: read as UTF-16
    sim::AddFile(file, std::string(utf16, sizeof(utf16) - 1));
    Buffer buffer;
    EXPECT_EQ(1u, GetPrivateProfileStringA("s", "k", "d", buffer.text, sizeof(buffer.text), file));
    EXPECT_STREQ("\xE9", buffer.text);
}

TEST_F(SimKernelTest, ProfileStringsAreCutToTheBuffer) {
    sim::AddFile("D:\\A.INI", "[s]\r\nk=val1\r\nq=\"val2\"\r\n");
    const struct {
        const char* key;
        DWORD size;
        DWORD result;
        const char* text;  // nullptr: untouched
    } cases[] = {
        {"k", 5, 4, "val1"}, {"k", 4, 3, "val"}, {"k", 2, 1, "v"},       {"k", 1, 0, ""},
        {"k", 0, 0, nullptr}, {"q", 6, 4, "val2"}, {"q", 5, 3, "val"}, {"q", 3, 2, "va"}, {"none", 3, 2, "de"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " in " + std::to_string(c.size));
        Buffer buffer;
        EXPECT_EQ(c.result, GetPrivateProfileStringA("s", c.key, "default", buffer.text, c.size, "D:\\A.INI"));
        if (c.text)
            EXPECT_STREQ(c.text, buffer.text);
        else
            EXPECT_TRUE(buffer.Untouched());
    }
}

TEST_F(SimKernelTest, ProfileFilesThatCannotBeReadGiveTheDefault) {
    sim::AddFile("D:\\AUTOPLAY.INI", "[s]\r\nk=v\r\n");
    sim::AddFile("C:\\WINDOWS\\WIN.INI", "[s]\r\nk=windows\r\n");
    const struct {
        const char* name;
        const char* file;
        const char* text;
    } cases[] = {
        {"the file", "D:\\AUTOPLAY.INI", "v"},
        {"other letter case", "d:\\autoplay.ini", "v"},
        {"missing file", "D:\\NONE.INI", "default"},
        {"a folder", "D:\\", "default"},
        {"empty name", "", "default"},
        {"null name", nullptr, "default"},
        {"bare name: the Windows folder, not the current one", "AUTOPLAY.INI", "default"},
        {"bare name found in the Windows folder", "WIN.INI", "windows"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        char buffer[32];
        EXPECT_EQ(strlen(c.text), GetPrivateProfileStringA("s", "k", "default", buffer, sizeof(buffer), c.file));
        EXPECT_STREQ(c.text, buffer);
    }
}

TEST_F(SimKernelTest, ProfileEnumerationListsNamesWithDoubleZero) {
    sim::AddFile("D:\\A.INI", "[section1]\r\nname1=val1\r\nname2=\r\nname3\r\nname4=a\r\n[section2]\r\n");
    char buffer[64];
    EXPECT_EQ(18u, GetPrivateProfileStringA("section1", nullptr, "d", buffer, sizeof(buffer), "D:\\A.INI"));
    EXPECT_EQ(0, memcmp("name1\0name2\0name4\0", buffer, 19));
    EXPECT_EQ(14u, GetPrivateProfileStringA("section1", nullptr, "d", buffer, 16, "D:\\A.INI"));
    EXPECT_EQ(0, memcmp("name1\0name2\0na\0", buffer, 16));
    EXPECT_EQ(18u, GetPrivateProfileStringA(nullptr, "name1", "d", buffer, sizeof(buffer), "D:\\A.INI"));
    EXPECT_EQ(0, memcmp("section1\0section2\0", buffer, 19));
    // A list whose first name is empty gives the default, and nothing of the list stays behind it.
    sim::AddFile("D:\\B.INI", "[s]\r\n=v\r\nk=1\r\nName2=2\r\n");
    memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(3u, GetPrivateProfileStringA("s", nullptr, "def", buffer, sizeof(buffer), "D:\\B.INI"));
    EXPECT_EQ(0, memcmp("def\0xxxx", buffer, 8));
}

TEST_F(SimKernelTest, ProfileEntriesGiveWhatTheReaderKeepsWithLineNumbers) {
    sim::AddFile("D:\\A.INI", "; note\r\n[ s ]\r\n k = \"v\" \r\n\r\nbare\r=kept\r\n=dropped\n[open\n");
    const std::vector<sim::ProfileEntry> entries = sim::ProfileEntries("D:\\A.INI");
    const struct {
        int line;
        bool section;
        const char* name;
        bool hasValue;
        const char* value;
    } expected[] = {
        {2, true, "s", false, ""},  {3, false, "k", true, "\"v\""}, {5, false, "bare", false, ""},
        {6, false, "", true, "kept"}, {8, false, "[open", false, ""},
    };
    ASSERT_EQ(sizeof expected / sizeof expected[0], entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(expected[i].line, entries[i].line);
        EXPECT_EQ(expected[i].section, entries[i].section);
        EXPECT_EQ(expected[i].name, entries[i].name);
        EXPECT_EQ(expected[i].hasValue, entries[i].hasValue);
        EXPECT_EQ(expected[i].value, entries[i].value);
    }
    EXPECT_TRUE(sim::ProfileEntries("D:\\NONE.INI").empty());
}

TEST_F(SimKernelTest, FlushDropsTheStaleCacheAndWritesAreCaught) {
    sim::AddFile("D:\\AUTOPLAY.INI", "[s]\r\nk=new\r\n");
    sim::CacheProfileFile("D:\\AUTOPLAY.INI", "[s]\r\nk=old\r\n");
    char buffer[16];
    GetPrivateProfileStringA("s", "k", "", buffer, sizeof(buffer), "D:\\AUTOPLAY.INI");
    EXPECT_STREQ("old", buffer);
    // The wide flush names the same file in other letter case.
    const WCHAR wide[] = u"d:\\autoplay.ini";
    EXPECT_EQ(TRUE, WritePrivateProfileStringW(nullptr, nullptr, nullptr, wide));
    GetPrivateProfileStringA("s", "k", "", buffer, sizeof(buffer), "D:\\AUTOPLAY.INI");
    EXPECT_STREQ("new", buffer);
    EXPECT_EQ(TRUE, WritePrivateProfileStringA(nullptr, nullptr, nullptr, "D:\\AUTOPLAY.INI"));
    ASSERT_EQ(2u, sim::ProfileFlushes().size());
    EXPECT_EQ("d:\\autoplay.ini", sim::ProfileFlushes()[0]);
    EXPECT_EQ("D:\\AUTOPLAY.INI", sim::ProfileFlushes()[1]);
    ASSERT_EQ(2u, sim::Trace().size());
    EXPECT_EQ("WritePrivateProfileStringW d:\\autoplay.ini", sim::Trace()[0]);
    EXPECT_EQ("WritePrivateProfileStringA D:\\AUTOPLAY.INI", sim::Trace()[1]);
    EXPECT_EQ(0, sim::WriteCount());

    // Anything but the flush form would write: counted, refused and reported.
    EXPECT_EQ(FALSE, WritePrivateProfileStringA("s", "k", "x", "D:\\AUTOPLAY.INI"));
    EXPECT_EQ(FALSE, WritePrivateProfileStringA("s", nullptr, nullptr, "D:\\AUTOPLAY.INI"));
    EXPECT_EQ(2, sim::WriteCount());
    GetPrivateProfileStringA("s", "k", "", buffer, sizeof(buffer), "D:\\AUTOPLAY.INI");
    EXPECT_STREQ("new", buffer);
    ExpectAndClearFailures(2);
}

// ---- Registry ----

TEST_F(SimKernelTest, RegistryKeysOpenIgnoringCase) {
    sim::AddRegistryKey(HKEY_LOCAL_MACHINE, "Software\\Maker\\Tool");
    const struct {
        HKEY root;
        const char* path;
        LSTATUS status;
    } cases[] = {
        {HKEY_LOCAL_MACHINE, "Software\\Maker\\Tool", ERROR_SUCCESS},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\maker\\TOOL", ERROR_SUCCESS},
        {HKEY_LOCAL_MACHINE, "Software\\Maker\\Tool\\", ERROR_SUCCESS},
        {HKEY_LOCAL_MACHINE, "Software\\Maker", ERROR_SUCCESS},
        {HKEY_LOCAL_MACHINE, "", ERROR_SUCCESS},
        {HKEY_LOCAL_MACHINE, nullptr, ERROR_SUCCESS},
        {HKEY_LOCAL_MACHINE, "Software\\Maker\\Other", ERROR_FILE_NOT_FOUND},
        {HKEY_CURRENT_USER, "Software\\Maker\\Tool", ERROR_FILE_NOT_FOUND},
        {HKEY_LOCAL_MACHINE, "\\Software", 161},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path ? c.path : "<null>");
        HKEY key = reinterpret_cast<HKEY>(1);
        EXPECT_EQ(c.status, RegOpenKeyExA(c.root, c.path, 0, KEY_QUERY_VALUE, &key));
        if (c.status == ERROR_SUCCESS) {
            EXPECT_NE(nullptr, key);
            EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
            EXPECT_EQ(6, RegCloseKey(key));  // closed already
        } else {
            EXPECT_EQ(nullptr, key);
        }
    }
    EXPECT_EQ(0, sim::OpenRegistryKeyCount());
    HKEY key;
    sim::FailNextCall("RegOpenKeyExA", false, ERROR_ACCESS_DENIED);
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_QUERY_VALUE, &key));
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_QUERY_VALUE, &key));
    RegCloseKey(key);
}

TEST_F(SimKernelTest, RegistryValuesComeBackAsStoredWithTheirSizes) {
    const char* const path = "Software\\Maker\\Tool";
    sim::SetRegistryString(HKEY_CURRENT_USER, path, "Path", "C:\\TOOL");
    sim::SetRegistryString(HKEY_CURRENT_USER, path, "", "default");
    sim::SetRegistryString(HKEY_CURRENT_USER, path, "Expand", "%ProgramFiles%\\Tool", REG_EXPAND_SZ);
    sim::SetRegistryValue(HKEY_CURRENT_USER, path, "Bare", REG_SZ, "abc", 3);  // no terminator
    const DWORD number = 0x12345678;
    sim::SetRegistryValue(HKEY_CURRENT_USER, path, "Number", REG_DWORD, &number, 4);
    sim::SetRegistryValue(HKEY_CURRENT_USER, path, "Empty", REG_SZ, "", 0);
    sim::SetEnvironmentVariable("ProgramFiles", "C:\\Program Files");
    const struct {
        const char* name;
        const char* value;
        DWORD size;      // the buffer's size
        bool nullData;   // only the size asked for
        LSTATUS status;
        DWORD type;
        DWORD count;     // what *size says afterwards
        const char* data;  // nullptr: untouched
        int bytes;       // bytes of data compared
    } cases[] = {
        {"string", "Path", 64, false, ERROR_SUCCESS, REG_SZ, 8, "C:\\TOOL", 8},
        {"name in other case", "path", 64, false, ERROR_SUCCESS, REG_SZ, 8, "C:\\TOOL", 8},
        {"exact size", "Path", 8, false, ERROR_SUCCESS, REG_SZ, 8, "C:\\TOOL", 8},
        {"one byte short", "Path", 7, false, ERROR_MORE_DATA, REG_SZ, 8, nullptr, 0},
        {"size only", "Path", 0, true, ERROR_SUCCESS, REG_SZ, 8, nullptr, 0},
        {"default value by empty name", "", 64, false, ERROR_SUCCESS, REG_SZ, 8, "default", 8},
        {"default value by null name", nullptr, 64, false, ERROR_SUCCESS, REG_SZ, 8, "default", 8},
        {"expandable, unexpanded", "Expand", 64, false, ERROR_SUCCESS, REG_EXPAND_SZ, 20, "%ProgramFiles%\\Tool", 20},
        {"no terminator, room for one", "Bare", 64, false, ERROR_SUCCESS, REG_SZ, 3, "abc", 4},
        {"no terminator, exact size", "Bare", 3, false, ERROR_SUCCESS, REG_SZ, 3, "abcxx", 5},
        {"number", "Number", 64, false, ERROR_SUCCESS, REG_DWORD, 4, "\x78\x56\x34\x12", 4},
        {"zero bytes stored", "Empty", 64, false, ERROR_SUCCESS, REG_SZ, 0, "xx", 2},
        {"missing value: the type cleared", "None", 64, false, ERROR_FILE_NOT_FOUND, 0, 64, nullptr, 0},
    };
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE, &key));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Buffer buffer;
        DWORD type = 0xdead, size = c.size;
        EXPECT_EQ(c.status, RegQueryValueExA(key, c.value, nullptr, &type,
                                             c.nullData ? nullptr : reinterpret_cast<LPBYTE>(buffer.text), &size));
        EXPECT_EQ(c.type, type);
        EXPECT_EQ(c.count, size);
        if (c.data)
            EXPECT_EQ(0, memcmp(c.data, buffer.text, c.bytes));
        else
            EXPECT_TRUE(buffer.Untouched());
    }
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    std::string text;
    EXPECT_TRUE(sim::internal::ReadRegistryString(HKEY_CURRENT_USER, "SOFTWARE\\MAKER\\TOOL", "PATH", &text));
    EXPECT_EQ("C:\\TOOL", text);
    EXPECT_FALSE(sim::internal::ReadRegistryString(HKEY_CURRENT_USER, path, "Number", &text));
}

// ---- Environment, code pages, comparison ----

TEST_F(SimKernelTest, EnvironmentExpansionAndItsAnsiSizeRule) {
    sim::SetEnvironmentVariable("EnvVar", "Long long value");  // 15 characters
    sim::SetEnvironmentVariable("Empty", "");
    const struct {
        const char* source;
        DWORD size;
        DWORD result;
        const char* text;  // nullptr: untouched
    } cases[] = {
        {"%EnvVar%", 260, 16, "Long long value"},
        {"%ENVVAR%\\x", 260, 18, "Long long value\\x"},
        {"%EnvVar%", 17, 16, "Long long value"},
        {"%EnvVar%", 16, 17, ""},  // not larger than the result: emptied, one more reported
        {"%EnvVar%", 12, 17, ""},
        {"%EnvVar%", 0, 17, nullptr},
        {"%NotAnEnvVar%", 260, 14, "%NotAnEnvVar%"},
        {"a%NotAnEnvVar%%EnvVar%b", 260, 31, "a%NotAnEnvVar%Long long valueb"},
        {"%Empty%x", 260, 2, "x"},
        {"%%", 260, 3, "%%"},
        {"50% off", 260, 8, "50% off"},
        {"", 260, 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.source) + " in " + std::to_string(c.size));
        Buffer buffer;
        EXPECT_EQ(c.result, ExpandEnvironmentStringsA(c.source, buffer.text, c.size));
        if (c.text)
            EXPECT_STREQ(c.text, buffer.text);
        else
            EXPECT_TRUE(buffer.Untouched());
    }
    EXPECT_EQ(17u, ExpandEnvironmentStringsA("%EnvVar%", nullptr, 0));
    sim::SetEnvironmentVariable("EnvVar", nullptr);
    char buffer[32];
    EXPECT_EQ(9u, ExpandEnvironmentStringsA("%EnvVar%", buffer, sizeof(buffer)));
}

// A name outside the ANSI code page: the ANSI calls see '?' for each character it lacks and
// find nothing by that text; the Unicode calls, reached through GetProcAddress, see it whole.
TEST_F(SimKernelTest, NamesOutsideTheCodePageHaveTheirUnicodeCalls) {
    const std::string folder = sim::Utf8("C:\\\xC5\x81\xC3\xB3" "d\xC5\xBA");  // C:\Łódź
    sim::AddFile((folder + "\\RUN.EXE").c_str(), "MZ");
    sim::SetModulePath((folder + "\\AUTOPLAY.EXE").c_str());
    sim::SetRegistryString(HKEY_CURRENT_USER, "Software\\Maker", "Path", folder);
    char ansi[64];
    WCHAR wide[64];
    EXPECT_EQ(20u, GetModuleFileNameA(nullptr, ansi, sizeof ansi));
    EXPECT_STREQ("C:\\?\xF3" "d?\\AUTOPLAY.EXE", ansi);
    OFSTRUCT info;
    EXPECT_EQ(HFILE_ERROR, OpenFile("C:\\?\xF3" "d?\\RUN.EXE", &info, OF_EXIST));
    EXPECT_EQ(20u, GetModuleFileNameW(nullptr, wide, 64));
    EXPECT_EQ(std::u16string(u"C:\\\u0141\u00F3" u"d\u017A\\AUTOPLAY.EXE"), std::u16string(wide));

    // Without an alias the short form is the long one; with one, the alias.
    const std::u16string run = u"C:\\\u0141\u00F3" u"d\u017A\\RUN.EXE";
    EXPECT_EQ(run.size(), GetShortPathNameW(run.c_str(), wide, 64));
    EXPECT_EQ(run, std::u16string(wide));
    sim::SetShortName(folder.c_str(), "LODZ~1");
    std::copy(run.c_str(), run.c_str() + run.size() + 1, wide);
    EXPECT_EQ(17u, GetShortPathNameW(wide, wide, 64));  // over its own source, as Windows allows
    EXPECT_EQ(std::u16string(u"C:\\LODZ~1\\RUN.EXE"), std::u16string(wide));
    EXPECT_EQ(18u, GetShortPathNameW(run.c_str(), wide, 17));  // too small: the size needed

    BOOL lost = FALSE;
    EXPECT_EQ(8, WideCharToMultiByte(CP_ACP, 0, u"C:\\\u0141\u00F3" u"d\u017A", -1, ansi, 64, nullptr, &lost));
    EXPECT_STREQ("C:\\?\xF3" "d?", ansi);
    EXPECT_TRUE(lost);
    EXPECT_EQ(8, WideCharToMultiByte(CP_UTF8, 0, u"\u0141\u00F3" u"d\u017A", -1, ansi, 64, nullptr, nullptr));
    EXPECT_STREQ("\xC5\x81\xC3\xB3" "d\xC5\xBA", ansi);
    EXPECT_EQ(0, WideCharToMultiByte(CP_ACP, 0, u"abc", -1, ansi, 3, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());

    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Maker", 0, KEY_QUERY_VALUE, &key));
    DWORD type = 0, size = sizeof ansi;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Path", nullptr, &type, reinterpret_cast<BYTE*>(ansi), &size));
    EXPECT_EQ(8u, size);
    EXPECT_STREQ("C:\\?\xF3" "d?", ansi);
    size = sizeof wide;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"path", nullptr, &type, reinterpret_cast<BYTE*>(wide), &size));
    EXPECT_EQ(16u, size);
    EXPECT_EQ(std::u16string(u"C:\\\u0141\u00F3" u"d\u017A"), std::u16string(wide));
    RegCloseKey(key);

    // The current folder, named in Unicode, takes relative paths; OpenFile opens the full path
    // in ANSI, which has '?' in it: an invalid name.
    EXPECT_TRUE(SetCurrentDirectoryW(u"C:\\\u0141\u00F3" u"d\u017A"));
    EXPECT_EQ(FILE_ATTRIBUTE_ARCHIVE, GetFileAttributesA(".\\RUN.EXE"));
    EXPECT_EQ(HFILE_ERROR, OpenFile(".\\RUN.EXE", &info, OF_EXIST));
    EXPECT_EQ(123, info.nErrCode);
    EXPECT_STREQ("C:\\?\xF3" "d?\\RUN.EXE", info.szPathName);
    EXPECT_FALSE(SetCurrentDirectoryW(u"C:\\\u0141\u00F3" u"d\u017A\\RUN.EXE"));

    // Found through GetProcAddress in their DLLs, but only stubs on the 95/98 family.
    EXPECT_NE(nullptr, GetProcAddress(GetModuleHandleA("KERNEL32"), "GetShortPathNameW"));
    EXPECT_NE(nullptr, GetProcAddress(GetModuleHandleA("ADVAPI32"), "RegQueryValueExW"));
    EXPECT_EQ(nullptr, GetProcAddress(GetModuleHandleA("KERNEL32"), "RegQueryValueExW"));
    sim::SetVersion(sim::kWindows98);
    EXPECT_EQ(0u, GetModuleFileNameW(nullptr, wide, 64));
    EXPECT_EQ(static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED), GetLastError());
    EXPECT_EQ(0u, GetShortPathNameW(run.c_str(), wide, 64));
    EXPECT_FALSE(SetCurrentDirectoryW(u"C:\\"));
}

TEST_F(SimKernelTest, MultiByteToWideCharMapsAnsi1252AndOem437) {
    const struct {
        const char* name;
        UINT codePage;
        const char* text;
        std::u16string wide;
    } cases[] = {
        {"ASCII unchanged", CP_ACP, "C:\\Program Files\\Tool", u"C:\\Program Files\\Tool"},
        {"ANSI accented letters", CP_ACP, "\xFC\xE9\xC4\xD6", u"\u00FC\u00E9\u00C4\u00D6"},
        {"OEM accented letters", CP_OEMCP, "\x81\x82\x8E\x99", u"\u00FC\u00E9\u00C4\u00D6"},
        {"ANSI byte read as OEM", CP_OEMCP, "M\xFCller", u"M\u207Fller"},
        {"euro sign and an unassigned byte", 1252, "\x80\x81", u"\u20AC\u0081"},
        {"box drawing", 437, "\xC4\xB3", u"\u2500\u2502"},
        {"UTF-8 beyond the ANSI code page", CP_UTF8, "C:\\\xC5\x81\xC3\xB3" "d\xC5\xBA \xE6\x9D\xB1", u"C:\\\u0141\u00F3" u"d\u017A \u6771"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WCHAR wide[32] = {};
        EXPECT_EQ(static_cast<int>(c.wide.size() + 1), MultiByteToWideChar(c.codePage, 0, c.text, -1, wide, 32));
        EXPECT_EQ(c.wide, std::u16string(wide));
    }
    WCHAR wide[4] = {u'x', u'x', u'x', u'x'};
    EXPECT_EQ(4, MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0));  // the size needed, terminator included
    EXPECT_EQ(2, MultiByteToWideChar(CP_ACP, 0, "abc", 2, wide, 4));     // no terminator of its own
    EXPECT_EQ(std::u16string(u"abxx"), std::u16string(wide, 4));
    EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, "abcd", -1, wide, 4));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(0, MultiByteToWideChar(932, 0, "abc", -1, wide, 4));  // a code page the simulation lacks
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST_F(SimKernelTest, LstrcmpiIgnoresCase) {
    const struct {
        const char* a;
        const char* b;
        int sign;
    } cases[] = {
        {".exe", ".EXE", 0},   {"(ignore)", "(IGNORE)", 0}, {"abc", "abd", -1}, {"abd", "ABC", 1},
        {"ab", "abc", -1},     {"abc", "ab", 1},            {"", "", 0},        {"\xE9", "\xC9", 0},  // é É
        {"D:\\A", "d:\\a", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        const int result = lstrcmpiA(c.a, c.b);
        EXPECT_EQ(c.sign, (result > 0) - (result < 0));
    }
}

// ---- Shell ----

TEST_F(SimKernelTest, FindExecutableFollowsTheClassesRoot) {
    sim::AddFile("D:\\DOCS\\README.TXT");
    sim::AddFile("D:\\DOCS\\INDEX.HTM");
    sim::AddFile("D:\\DOCS\\NOTES.xyz");
    sim::AddFile("D:\\DOCS\\NOEXT");
    sim::AddFile("D:\\DOCS\\PAGE.doc");
    sim::AddFile("D:\\DOCS\\BROKEN.brk");
    sim::AddFile("D:\\SETUP.EXE", "MZ");
    sim::AddFile("D:\\INSTALL.bat");
    sim::AddFile("D:\\DOCS\\LONG.lng");
    sim::AddAssociation(".txt", "txtfile", "C:\\WINDOWS\\NOTEPAD.EXE %1");
    sim::AddAssociation("htm", "htmlfile", "\"C:\\Program Files\\Viewer\\VIEW.EXE\" \"%1\"");
    // A default verb other than open.
    sim::SetRegistryString(HKEY_CLASSES_ROOT, ".doc", "", "docfile");
    sim::SetRegistryString(HKEY_CLASSES_ROOT, "docfile\\shell", "", "edit");
    sim::SetRegistryString(HKEY_CLASSES_ROOT, "docfile\\shell\\open\\command", "", "C:\\OPEN.EXE %1");
    sim::SetRegistryString(HKEY_CLASSES_ROOT, "docfile\\shell\\edit\\command", "", "C:\\EDIT.EXE %1");
    sim::SetRegistryString(HKEY_CLASSES_ROOT, ".brk", "", "brokenfile");  // class without a command
    sim::SetEnvironmentVariable("SystemRoot", "C:\\WINDOWS");
    sim::SetRegistryString(HKEY_CLASSES_ROOT, ".lng", "", "lngfile");
    sim::SetRegistryString(HKEY_CLASSES_ROOT, "lngfile\\shell\\open\\command", "",
                           "%SystemRoot%\\" + std::string(300, 'L') + " %1", REG_EXPAND_SZ);
    const struct {
        const char* name;
        const char* file;
        const char* directory;
        UINT result;
        std::string program;
    } cases[] = {
        {"unquoted command", "D:\\DOCS\\README.TXT", nullptr, 33, "C:\\WINDOWS\\NOTEPAD.EXE"},
        {"quoted command", "D:\\DOCS\\INDEX.HTM", "", 33, "C:\\Program Files\\Viewer\\VIEW.EXE"},
        {"extension in other case", "d:\\docs\\readme.txt", nullptr, 33, "C:\\WINDOWS\\NOTEPAD.EXE"},
        {"another default verb is ignored: open", "D:\\DOCS\\PAGE.doc", nullptr, 33, "C:\\OPEN.EXE"},
        {"a program is its own", "D:\\SETUP.EXE", nullptr, 33, "D:\\SETUP.EXE"},
        {"a batch file too", "D:\\INSTALL.bat", nullptr, 33, "D:\\INSTALL.bat"},
        {"relative to the directory", "README.TXT", "D:\\DOCS", 33, "C:\\WINDOWS\\NOTEPAD.EXE"},
        {"directory naming a file is ignored", "D:\\DOCS\\README.TXT", "D:\\DOCS\\README.TXT", 33,
         "C:\\WINDOWS\\NOTEPAD.EXE"},
        {"no association", "D:\\DOCS\\NOTES.xyz", nullptr, 31, ""},
        {"no extension", "D:\\DOCS\\NOEXT", nullptr, 31, ""},
        {"class without command", "D:\\DOCS\\BROKEN.brk", nullptr, 31, ""},
        {"missing file", "D:\\DOCS\\NONE.TXT", nullptr, 2, ""},
        {"result cut to MAX_PATH", "D:\\DOCS\\LONG.lng", nullptr, 33, "C:\\WINDOWS\\" + std::string(248, 'L')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        char result[400];
        memset(result, 'x', sizeof(result));
        const HINSTANCE found = FindExecutableA(c.file, c.directory, result);
        EXPECT_EQ(c.result, static_cast<UINT>(reinterpret_cast<ULONG_PTR>(found)));
        EXPECT_EQ(c.program, std::string(result));
        EXPECT_EQ('x', result[260]);  // never beyond the MAX_PATH result buffer
    }
    char result[300];
    strcpy(result, "stale");
    sim::FailNextCall("FindExecutableA", false, 27);
    EXPECT_EQ(27u, reinterpret_cast<ULONG_PTR>(FindExecutableA("D:\\DOCS\\README.TXT", nullptr, result)));
    EXPECT_STREQ("", result);
}

TEST_F(SimKernelTest, ShellExecuteRecordsEveryStartWithItsResult) {
    sim::AddFile("D:\\SETUP32\\SETUP.EXE", "MZ");
    const struct {
        const char* name;
        const char* file;
        const char* directory;
        long long scripted;  // -1: none
        UINT result;
    } cases[] = {
        {"existing file", "D:\\SETUP32\\SETUP.EXE", "D:\\SETUP32", -1, 33},
        {"relative to the directory", "SETUP.EXE", "D:\\SETUP32", -1, 33},
        {"missing file", "D:\\SETUP32\\NONE.EXE", "D:\\SETUP32", -1, 2},
        {"missing folder: the file is not found", "D:\\NONE\\SETUP.EXE", "D:\\NONE", -1, 2},
        {"scripted failure", "D:\\SETUP32\\SETUP.EXE", "D:\\SETUP32", 5, 5},
        {"scripted success", "D:\\NONE\\SETUP.EXE", "D:\\NONE", 42, 42},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::ClearShellExecuteResult();
        if (c.scripted >= 0) sim::SetShellExecuteResult(static_cast<UINT>(c.scripted));
        const size_t before = sim::ShellStarts().size();
        const HINSTANCE result = ShellExecuteA(nullptr, nullptr, c.file, "-a", c.directory, SW_SHOWNORMAL);
        EXPECT_EQ(c.result, static_cast<UINT>(reinterpret_cast<ULONG_PTR>(result)));
        ASSERT_EQ(before + 1, sim::ShellStarts().size());
        const sim::ShellStart& start = sim::ShellStarts().back();
        EXPECT_TRUE(start.ownerNull);
        EXPECT_EQ("<null>", start.verb);
        EXPECT_EQ(c.file, start.file);
        EXPECT_EQ("-a", start.parameters);
        EXPECT_EQ(c.directory, start.directory);
        EXPECT_EQ(SW_SHOWNORMAL, start.show);
        EXPECT_EQ(c.result, start.result);
        EXPECT_EQ(std::string("ShellExecuteA ") + c.file, sim::Trace().back());
    }
    sim::ClearShellExecuteResult();
    sim::FailNextCall("ShellExecuteA", false, 8);
    EXPECT_EQ(8u, reinterpret_cast<ULONG_PTR>(ShellExecuteA(nullptr, "open", "D:\\SETUP32\\SETUP.EXE", nullptr,
                                                            nullptr, SW_SHOWNORMAL)));
    EXPECT_EQ(8u, sim::ShellStarts().back().result);
    EXPECT_EQ("open", sim::ShellStarts().back().verb);
}

// An image whose header says which machine it is for: PE with this machine, or NE (16-bit).
std::string Image(const std::string& signature, unsigned machine = 0) {
    std::string bytes = "MZ" + std::string(0x3A, '\0') + std::string("\x40\0\0\0", 4) + signature;
    bytes += static_cast<char>(machine & 0xFF);
    bytes += static_cast<char>(machine >> 8);
    return bytes + std::string(16, '\0');
}

TEST_F(SimKernelTest, ShellRefusesAProgramThatIsNoImageForTheSystem) {
    const std::string pe(Image(std::string("PE\0\0", 4), 0x14C)), x64(Image(std::string("PE\0\0", 4), 0x8664));
    const struct {
        const char* name;
        DWORD version;
        std::string bytes;
        UINT result;
    } cases[] = {
        {"empty", sim::kWindows10, "", 11},
        {"text", sim::kWindows98, "not a program\r\n", 11},
        {"stand-in", sim::kWindows10, "MZ", 33},
        {"32-bit on 98", sim::kWindows98, pe, 33},
        {"32-bit on 10", sim::kWindows10, pe, 33},
        {"64-bit on 98", sim::kWindows98, x64, 11},
        {"64-bit on 10", sim::kWindows10, x64, 33},
        {"64-bit on NT 4", sim::kWindowsNT4, x64, 11},
        {"16-bit on 98", sim::kWindows98, Image("NE"), 33},
        {"16-bit on NT 4", sim::kWindowsNT4, Image("NE"), 33},
        {"16-bit on 10", sim::kWindows10, Image("NE"), 11},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        sim::SetVersion(c.version);
        sim::AddFile("D:\\X.EXE", c.bytes);
        sim::AddFile("D:\\X.TXT", c.bytes);  // a document is not judged: it has no association here
        EXPECT_EQ(c.result, reinterpret_cast<ULONG_PTR>(ShellExecuteA(nullptr, nullptr, "D:\\X.EXE", "", "D:\\", SW_SHOWNORMAL)));
        EXPECT_EQ(31u, reinterpret_cast<ULONG_PTR>(ShellExecuteA(nullptr, nullptr, "D:\\X.TXT", "", "D:\\", SW_SHOWNORMAL)));
    }
}

TEST_F(SimKernelTest, WindowAppearsOnlyAfterASuccessfulStart) {
    sim::AddFile("D:\\SETUP32\\SETUP.EXE", "MZ");
    sim::OpenWindowAfterStart("InstallerClass", "Installer", 0);
    ShellExecuteA(nullptr, nullptr, "D:\\SETUP32\\NONE.EXE", "", "D:\\SETUP32", SW_SHOWNORMAL);
    EXPECT_EQ(nullptr, FindWindowA("InstallerClass", nullptr));
    ShellExecuteA(nullptr, nullptr, "D:\\SETUP32\\SETUP.EXE", "", "D:\\SETUP32", SW_SHOWNORMAL);
    EXPECT_NE(nullptr, FindWindowA("InstallerClass", "Installer"));
}

// ---- Named mutexes ----

TEST_F(SimKernelTest, MutexNamesFollowTheObjectNamespace) {
    const std::string longest(260, 'm');  // MAX_PATH characters: the most a name may hold
    const struct Case {
        const char* name;
        DWORD version;
        std::string first, second;      // two names created one after the other
        DWORD firstError, secondError;  // GetLastError after each
        bool secondFails;               // the second call gives no handle, GetLastError secondFailure
        DWORD secondFailure;
    } cases[] = {
        {"the same name opens the same mutex", sim::kWindowsNT4, "guard", "guard", 0, ERROR_ALREADY_EXISTS, false, 0},
        {"names compare with letter case", sim::kWindowsNT4, "guard", "GUARD", 0, 0, false, 0},
        {"Local\\ is the session's folder, where plain names go", sim::kWindowsNT4, "guard", "Local\\guard", 0,
         ERROR_ALREADY_EXISTS, false, 0},
        {"Global\\ is another folder", sim::kWindowsNT4, "guard", "Global\\guard", 0, 0, false, 0},
        {"NT: any other backslash names a folder that is not there", sim::kWindowsNT4, "guard", "D:\\AUTOPLAY", 0, 0,
         true, ERROR_PATH_NOT_FOUND},
        {"95: a backslash is a plain character", sim::kWindows95, "D:\\AUTOPLAY", "D:\\AUTOPLAY", 0,
         ERROR_ALREADY_EXISTS, false, 0},
        {"MAX_PATH characters, and one more", sim::kWindowsNT4, longest, longest + "m", 0, 0, true, 206},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::Reset();
        sim::SetVersion(c.version);
        SetLastError(99);
        HANDLE first = CreateMutexA(nullptr, FALSE, c.first.c_str());
        ASSERT_NE(nullptr, first);
        EXPECT_EQ(c.firstError, GetLastError());
        HANDLE second = CreateMutexA(nullptr, TRUE, c.second.c_str());
        if (c.secondFails) {
            EXPECT_EQ(nullptr, second);
            EXPECT_EQ(c.secondFailure, GetLastError());
            EXPECT_EQ(1, sim::OpenHandleCount());
            continue;
        }
        ASSERT_NE(nullptr, second);
        EXPECT_NE(first, second);
        EXPECT_EQ(c.secondError, GetLastError());
        // Opening an existing mutex ignores initialOwner; creating one with it owns it.
        EXPECT_EQ(c.secondError == 0, sim::Mutex(c.second.c_str()).ownedHere);
        EXPECT_EQ(2, sim::OpenHandleCount());
    }
}

TEST_F(SimKernelTest, MutexOwnershipCountsAndEndsWithTheLastHandle) {
    HANDLE a = CreateMutexA(nullptr, FALSE, "guard");
    HANDLE b = CreateMutexA(nullptr, FALSE, "guard");
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(a, 0));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(b, 0));  // the owner takes it again: counted
    EXPECT_TRUE(ReleaseMutex(b));
    EXPECT_TRUE(sim::Mutex("guard").ownedHere);
    EXPECT_TRUE(ReleaseMutex(a));
    EXPECT_FALSE(sim::Mutex("guard").ownedHere);
    EXPECT_FALSE(ReleaseMutex(a));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_OWNER), GetLastError());
    EXPECT_TRUE(CloseHandle(a));
    EXPECT_FALSE(CloseHandle(a));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(a, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_TRUE(sim::Mutex("guard").exists);
    // Closing the last handle of an owned mutex ends it: the name is free again.
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(b, 0));
    EXPECT_TRUE(CloseHandle(b));
    EXPECT_FALSE(sim::Mutex("guard").exists);
    HANDLE c = CreateMutexA(nullptr, FALSE, "guard");
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());
    EXPECT_FALSE(sim::Mutex("guard").ownedHere);
    EXPECT_TRUE(CloseHandle(c));
    EXPECT_EQ(0, sim::OpenHandleCount());
}

TEST_F(SimKernelTest, WaitsForAnotherProcessesMutexLetTimeRun) {
    sim::OtherProcessHoldsMutex("guard");
    HANDLE guard = CreateMutexA(nullptr, FALSE, "guard");
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(guard, 0));
    EXPECT_EQ(0u, sim::Now());
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(guard, 100));
    EXPECT_EQ(100u, sim::Now());
    // Events that do not let go pass; the one that does ends the wait at its time.
    bool earlier = false;
    sim::At(200, [&earlier] { earlier = true; });
    sim::At(300, [] { sim::OtherProcessReleasesMutex("guard", true); });
    EXPECT_EQ(static_cast<DWORD>(WAIT_ABANDONED), WaitForSingleObject(guard, INFINITE));
    EXPECT_TRUE(earlier);
    EXPECT_EQ(300u, sim::Now());
    EXPECT_TRUE(sim::Mutex("guard").ownedHere);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(guard, 0));  // abandoned once only
    EXPECT_TRUE(ReleaseMutex(guard));
    EXPECT_TRUE(ReleaseMutex(guard));
    // A bounded wait ends when the other lets go, not at its bound.
    sim::OtherProcessHoldsMutex("guard");
    sim::At(1000, [] { sim::OtherProcessReleasesMutex("guard"); });
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(guard, 5000));
    EXPECT_EQ(1000u, sim::Now());
    EXPECT_TRUE(ReleaseMutex(guard));
    // A wait with no end records a failure instead of hanging.
    sim::OtherProcessHoldsMutex("guard");
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(guard, INFINITE));
    ExpectAndClearFailures(1);
}

}  // namespace
