// Host tests of the install location: root names, the registry query, the folder clean-up.
#include <string.h>

#include <string>

#include "location/install_location.h"
#include "settings/settings_file.h"
#include "unit_support.h"

namespace {

const char TestKey[] = "Software\\Maker\\Tool";

class LocationTest : public SimTest {
protected:
    // Points the query at TestKey under HKEY_CURRENT_USER, value valueName.
    static void Aim(const char* valueName) {
        RegistryQuery.Root = HKEY_CURRENT_USER;
        RegistryQuery.KeyPath.Assign(TestKey);
        RegistryQuery.ValueName.Assign(valueName);
    }
};

TEST_F(LocationTest, MapRootKeyAcceptsOnlyThePredefinedNames) {
    const struct {
        const char* name;
        bool accepted;
        HKEY root;
    } cases[] = {
        {"HKEY_CLASSES_ROOT", true, HKEY_CLASSES_ROOT},
        {"HKEY_CURRENT_USER", true, HKEY_CURRENT_USER},
        {"HKEY_LOCAL_MACHINE", true, HKEY_LOCAL_MACHINE},
        {"HKEY_USERS", true, HKEY_USERS},
        {"hkey_users", true, HKEY_USERS},
        {"hkey_local_machine", true, HKEY_LOCAL_MACHINE},
        {"Hkey_Current_User", true, HKEY_CURRENT_USER},
        {"HKLM", false, nullptr},
        {"HKEY_CURRENT_CONFIG", false, nullptr},
        {"HKEY_USERS ", false, nullptr},
        {"HKEY_USER", false, nullptr},
        {"", false, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("root name \"") + c.name + "\"");
        // A sentinel that none of the names maps to: a refused name must leave it alone.
        const HKEY before = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x1234));
        RegistryQuery.Root = before;
        EXPECT_EQ(c.accepted, MapRootKey(c.name));
        EXPECT_EQ(c.accepted ? c.root : before, RegistryQuery.Root);
    }
}

TEST_F(LocationTest, QueryReadsTextValuesAndRefusesOthers) {
    sim::SetEnvironmentVariable("ProgramFiles", "C:\\Program Files");
    const DWORD number = 42;
    const char unterminated[] = {'C', ':', '\\', 'T', 'O', 'O', 'L'};
    // Exactly 1600 bytes: a short text followed by zeros. One byte more is over the query.
    std::string padded1600 = std::string("C:\\PADDED") + std::string(1600 - 9, '\0');
    std::string padded1601 = padded1600 + '\0';

    const struct {
        const char* name;
        const char* valueName;  // queried under TestKey
        DWORD type;             // REG_NONE: no value set at all
        std::string data;       // stored as is, no terminator added
        int found;
        const char* text;
    } cases[] = {
        {"REG_SZ", "Path", REG_SZ, std::string("C:\\TOOL\\", 9), 1, "C:\\TOOL\\"},
        {"default value", "", REG_SZ, std::string("D:\\APPS", 8), 1, "D:\\APPS"},
        {"empty REG_SZ", "Path", REG_SZ, std::string("", 1), 1, ""},
        {"REG_EXPAND_SZ expanded", "Path", REG_EXPAND_SZ, std::string("%ProgramFiles%\\Tool", 20), 1,
         "C:\\Program Files\\Tool"},
        {"undefined variable stays", "Path", REG_EXPAND_SZ, std::string("%NOSUCH%\\Tool", 14), 1, "%NOSUCH%\\Tool"},
        {"REG_SZ not expanded", "Path", REG_SZ, std::string("%ProgramFiles%", 15), 1, "%ProgramFiles%"},
        {"REG_SZ without terminator", "Path", REG_SZ, std::string(unterminated, sizeof unterminated), 1, "C:\\TOOL"},
        {"REG_DWORD", "Path", REG_DWORD, std::string(reinterpret_cast<const char*>(&number), sizeof number), 0,
         nullptr},
        {"REG_BINARY", "Path", REG_BINARY, std::string("C:\\TOOL", 8), 0, nullptr},
        {"REG_MULTI_SZ", "Path", REG_MULTI_SZ, std::string("C:\\TOOL\0\0", 9), 0, nullptr},
        {"missing value", "Other", REG_SZ, std::string("C:\\TOOL", 8), 0, nullptr},
        {"data of 1600 bytes", "Path", REG_SZ, padded1600, 1, "C:\\PADDED"},
        {"data of 1601 bytes", "Path", REG_SZ, padded1601, 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::Reset();
        sim::SetEnvironmentVariable("ProgramFiles", "C:\\Program Files");
        sim::SetRegistryValue(HKEY_CURRENT_USER, TestKey, "Path", c.type, c.data.data(),
                              static_cast<DWORD>(c.data.size()));
        if (c.valueName[0] == '\0')
            sim::SetRegistryValue(HKEY_CURRENT_USER, TestKey, "", c.type, c.data.data(),
                                  static_cast<DWORD>(c.data.size()));
        RegistryQuery.ResultText.Assign("stale");
        Aim(c.valueName);
        EXPECT_EQ(c.found, QueryInstallLocation());
        if (c.found) {
            EXPECT_STREQ(c.text, RegistryQuery.ResultText.CStr());
        }
        EXPECT_EQ(0, sim::WriteCount());
    }
}

TEST_F(LocationTest, MissingKeyOrFailedCallsGiveNotFound) {
    sim::SetRegistryString(HKEY_CURRENT_USER, TestKey, "Path", "C:\\TOOL");
    RegistryQuery.Root = HKEY_LOCAL_MACHINE;  // the value lives under another root
    RegistryQuery.KeyPath.Assign(TestKey);
    RegistryQuery.ValueName.Assign("Path");
    EXPECT_EQ(0, QueryInstallLocation());

    Aim("Path");
    RegistryQuery.KeyPath.Assign("Software\\Maker\\Other");
    EXPECT_EQ(0, QueryInstallLocation());

    Aim("Path");
    // Planned failures count calls from the start of the test.
    sim::FailNextCall("RegOpenKeyExA", false, ERROR_ACCESS_DENIED);
    EXPECT_EQ(0, QueryInstallLocation());
    sim::FailNextCall("RegQueryValueExW", false, ERROR_ACCESS_DENIED);
    EXPECT_EQ(0, QueryInstallLocation());
    EXPECT_EQ(1, QueryInstallLocation());
    EXPECT_STREQ("C:\\TOOL", RegistryQuery.ResultText.CStr());
}

TEST_F(LocationTest, NamesLongerThan199CharactersAreNeverCutIntoAnotherName) {
    // The key and value at 199 characters exist, so a cut 200-character name would find them.
    const std::string key199 = "Software\\" + std::string(199 - 9, 'K');
    const std::string value199(199, 'V');
    sim::SetRegistryString(HKEY_CURRENT_USER, key199.c_str(), "Path", "C:\\KEY");
    sim::SetRegistryString(HKEY_CURRENT_USER, TestKey, value199.c_str(), "C:\\VALUE");
    const struct {
        const char* name;
        std::string key;
        std::string value;
        int found;
        const char* text;
    } cases[] = {
        {"key path of 199", key199, "Path", 1, "C:\\KEY"},
        {"key path of 200", key199 + "K", "Path", 0, nullptr},
        {"value name of 199", TestKey, value199, 1, "C:\\VALUE"},
        {"value name of 200", TestKey, value199 + "V", 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RegistryQuery.Root = HKEY_CURRENT_USER;
        RegistryQuery.KeyPath.Assign(c.key.c_str());
        RegistryQuery.ValueName.Assign(c.value.c_str());
        EXPECT_EQ(c.found, QueryInstallLocation());
        if (c.found) {
            EXPECT_STREQ(c.text, RegistryQuery.ResultText.CStr());
        }
    }
}

TEST_F(LocationTest, ValuesLongerThanTheResultAreUnusableNotCut) {
    const std::string text1215 = "C:\\" + std::string(1215 - 3, 'a');
    const std::string var1212(1212, 'b');
    const struct {
        const char* name;
        DWORD type;
        std::string data;
        const char* variable;  // value of %LONG%
        int found;
        std::string text;
    } cases[] = {
        {"text of 1215", REG_SZ, text1215, "", 1, text1215},
        {"text of 1216", REG_SZ, text1215 + "a", "", 0, ""},
        {"text of 1599", REG_SZ, "C:\\" + std::string(1596, 'c'), "", 0, ""},
        {"expansion to 1215", REG_EXPAND_SZ, "C:\\%LONG%", var1212.c_str(), 1, "C:\\" + var1212},
        {"expansion to 1216", REG_EXPAND_SZ, "C:\\%LONG%b", var1212.c_str(), 0, ""},
        {"expansion past 1600", REG_EXPAND_SZ, "%LONG%%LONG%", var1212.c_str(), 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::Reset();
        sim::SetEnvironmentVariable("LONG", c.variable);
        sim::SetRegistryString(HKEY_CURRENT_USER, TestKey, "Path", c.data, c.type);
        Aim("Path");
        EXPECT_EQ(c.found, QueryInstallLocation());
        if (c.found) {
            EXPECT_EQ(c.text, RegistryQuery.ResultText.CStr());
        }
        // A conversion that did not fit may have filled the result: it stays terminated.
        EXPECT_NE(nullptr, memchr(RegistryQuery.ResultText.Text, '\0', sizeof RegistryQuery.ResultText.Text));
    }
}

TEST_F(LocationTest, CleanInstallFolderKeepsTheFolderOfACommandOrPath) {
    const struct {
        const char* name;
        const char* text;
        const char* folder;
    } cases[] = {
        {"quoted command with quoted argument", "  \"C:\\Program Files\\Tool\\tool.exe\" \"%1\"",
         "C:\\Program Files\\Tool\\"},
        {"unquoted command with argument", "C:\\TOOLS\\TOOL.EXE %1", "C:\\TOOLS\\"},
        {"folder without trailing backslash", "C:\\TOOLS\\APP", "C:\\TOOLS\\"},
        {"folder with trailing backslash", "C:\\TOOLS\\", "C:\\TOOLS\\"},
        {"spaces only", "    ", ""},
        {"empty", "", ""},
        {"no backslash", "TOOL", "TOOL"},
        {"leading spaces", "   C:\\APP\\X.EXE", "C:\\APP\\"},
        {"unclosed quote", "\"C:\\My App\\X.EXE", "C:\\My App\\"},
        {"quote not at the start", "C:\\APP\\X.EXE \"%1\"", "C:\\APP\\"},
        {"percent in the path", "C:\\A%B\\C", "C:\\"},
        {"trailing spaces", "C:\\TOOLS   ", "C:\\"},
        {"a quote only", "\"", ""},
        {"quoted spaces", "\"   \"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WorkText text{};
        text.Assign(c.text);
        CleanInstallFolder(text.Data());
        EXPECT_STREQ(c.folder, text.CStr());
    }
}

}  // namespace
