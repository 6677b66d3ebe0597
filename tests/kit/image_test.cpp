// tavio-disc image: pressed with xorriso where the settings allow, its AUTORUN.INF, the Joliet names Windows
// reads back, the names a system without Joliet sees, and outputs that would destroy an input.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "disc_text.h"
#include "disc_tool.h"
#include "kit_discs.h"

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

bool HasXorriso() { return system("xorriso -version >/dev/null 2>&1") == 0; }

// Lays out a disc below root: the launcher, a program at path (host names, '/') and settings that
// run it from the disc as value (the settings' own spelling, ANSI) for both families.
std::string MakeDisc(const std::string& root, const std::string& name, const std::string& path,
                     const std::string& value) {
    const std::string disc = root + "/" + name;
    EXPECT_EQ(0, system(("rm -rf '" + disc + "' && mkdir -p \"$(dirname '" + disc + "/" + path + "')\"").c_str()));
    WriteFile(disc + "/AUTOPLAY.EXE", "MZ");
    WriteFile(disc + "/" + path, "MZ");
    WriteFile(disc + "/AUTOPLAY.INI", "[Tavio32 Settings]\r\nInstallNeeded=0\r\nRunProgram32=" + value +
                                          "\r\nRunProgramNT=" + value + "\r\n");
    return disc;
}

std::string Repeat(char c, size_t n) { return std::string(n, c); }

// What check foresees and what the image read back holds agree, name by name, with xorriso's Joliet limits.
TEST(ImageTest, ReadsTheJolietNamesBackAsWindowsFindsThem) {
    if (!HasXorriso()) GTEST_SKIP() << "xorriso is not installed (scripts/deps installs it)";
    const std::string root = TestDiscs();
    ASSERT_FALSE(root.empty());
    const std::string long67 = "Ueberblick und Einfuehrung in das Produkt mit sehr langem Namen.EXE";
    std::string deep;
    // 168 characters, well within Windows' paths, but 333 bytes of Joliet path.
    for (char level = '1'; level <= '6'; ++level) deep += std::string("Ordner ") + level + " mit langem Namen/";
    std::string deepValue = deep + "Programm.exe";
    for (char& c : deepValue)
        if (c == '/') c = '\\';
    const struct {
        const char* name;
        std::string path;   // on the host
        std::string value;  // in the settings
        bool found;
        std::string instead;  // what the image holds for it, JSON-quoted; "null" for nothing
    } cases[] = {
        {"name-64", Repeat('a', 60) + ".EXE", Repeat('a', 60) + ".EXE", true, ""},
        // xorriso does not count the extension's dot: 61 + ".EXE" stays whole.
        {"name-65", Repeat('b', 61) + ".EXE", Repeat('B', 61) + ".exe", true, ""},
        {"name-65-bare", Repeat('c', 65), Repeat('c', 65), false, "\"" + Repeat('c', 64) + "\""},
        {"name-67", long67, long67, false, "\"Ueberblick und Einfuehrung in das Produkt mit sehr langem Nam.EXE\""},
        {"folder-80", Repeat('F', 80) + "/RUN.EXE", Repeat('F', 80) + "\\run.exe", false,
         "\"" + Repeat('F', 64) + "\\\\RUN.EXE\""},
        {"deep", deep + "Programm.exe", deepValue, false, "null"},
        // Windows folds the letters of the code page too: \xD6 is the folded \xF6 of the host's UTF-8 name.
        {"not-ascii", "Gr\xC3\xB6\xC3\x9F" "e/\xC3\x9C" "bersicht.exe", "GR\xD6\xDF" "E\\\xFC" "bersicht.EXE", true, ""},
        {"spaced-document", "Read Me First/Handbuch zum Produkt.htm", "Read Me First\\Handbuch zum Produkt.htm", true,
         ""},
    };
    const std::string iso = root + "/joliet.iso";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string disc = MakeDisc(root, c.name, c.path, c.value);
        std::string out, err;
        EXPECT_EQ(0, DiscTool({"check", disc}, &out, &err)) << out << err;
        EXPECT_EQ(!c.found, Contains(out, "RunProgram32: ") && Contains(out, "RunProgramNT: ")) << out;
        out.clear();
        remove(iso.c_str());
        EXPECT_EQ(c.found ? 0 : 1, DiscTool({"image", disc, iso, "--json"}, &out, &err)) << err;
        EXPECT_EQ(c.found, access(iso.c_str(), F_OK) == 0);
        const std::string found = c.found ? "\"found\": true" : "\"found\": false";
        EXPECT_TRUE(Contains(out, "{\"key\": \"RunProgram32\", \"family\": \"Windows 95/98\"")) << out;
        EXPECT_TRUE(Contains(out, found + ", \"joliet\": ")) << out;
        if (!c.found) {
            EXPECT_TRUE(Contains(out, "\"instead\": " + c.instead)) << out;
            EXPECT_TRUE(Contains(err, "image: error: RunProgramNT (Windows NT) \"")) << err;
            EXPECT_TRUE(Contains(err, "image: not pressed: 2 files do not resolve")) << err;
        }
    }
}

// A disc's own AUTORUN.INF is kept; its icon and what its open= or shellexecute= starts must be
// on the disc (check) and in the image as Windows reads it (the read-back).
TEST(ImageTest, WhatTheDiscsOwnAutorunStartsIsInTheImage) {
    if (!HasXorriso()) GTEST_SKIP() << "xorriso is not installed (scripts/deps installs it)";
    const std::string root = TestDiscs();
    ASSERT_FALSE(root.empty());
    const std::string long67 = "Ueberblick und Einfuehrung in das Produkt mit sehr langem Namen.EXE";
    const struct {
        const char* name;
        std::string autorun;  // the [autorun] section's lines
        std::string check;    // check's error, or empty
        std::string image;    // the read-back's error, or empty
    } cases[] = {
        {"open-plain", "open=autoplay.exe /x", "", ""},
        {"open-quoted", "open=\"\\AUTOPLAY.EXE\" /x", "", ""},
        {"open-in-folder", "open=Prog/run.exe", "", ""},
        {"nothing-started", "label=OWN", "", ""},
        {"icon-with-index", "open=AUTOPLAY.EXE\r\nicon=/autoplay.exe,0", "", ""},
        {"first-line-counts", "open=AUTOPLAY.EXE\r\nopen=GONE.EXE", "", ""},
        {"open-missing", "open=AUTORUN.EXE /x", ":2: error: open: \"AUTORUN.EXE\" is not on the disc: AutoPlay starts nothing",
         ""},
        {"shellexecute-missing", "open=AUTOPLAY.EXE\r\nshellexecute=README.HTM", ":3: error: shellexecute: \"README.HTM\"",
         ""},
        {"icon-missing", "open=AUTOPLAY.EXE\r\nicon=DISC.ICO,1", ":3: error: icon: \"DISC.ICO\"", ""},
        // On the disc, but cut in the Joliet tree: only the read-back sees it.
        {"open-cut-by-joliet", "open=\"" + long67 + "\"", "",
         "AUTORUN.INF's open= \"" + long67 + "\": not in the image's Joliet tree"},
    };
    const std::string iso = root + "/own-autorun.iso";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string disc = MakeDisc(root, c.name, "Prog/RUN.EXE", "Prog\\RUN.EXE");
        WriteFile(disc + "/" + long67, "MZ");
        WriteFile(disc + "/AUTORUN.INF", "[autorun]\r\n" + c.autorun + "\r\n");
        std::string out, err;
        EXPECT_EQ(c.check.empty() ? 0 : 1, DiscTool({"check", disc}, &out, &err)) << out << err;
        if (!c.check.empty()) {
            EXPECT_TRUE(Contains(out, disc + "/AUTORUN.INF" + c.check)) << out;
        }
        remove(iso.c_str());
        out.clear();
        err.clear();
        const bool pressed = c.check.empty() && c.image.empty();
        EXPECT_EQ(pressed ? 0 : 1, DiscTool({"image", disc, iso}, &out, &err)) << out << err;
        EXPECT_EQ(pressed, access(iso.c_str(), F_OK) == 0);
        if (!c.image.empty()) {
            EXPECT_TRUE(Contains(out, "image: the disc's own AUTORUN.INF is kept")) << out;
            EXPECT_TRUE(Contains(err, "image: error: " + c.image)) << err;
        }
    }
}

// An output that would overwrite an input is refused before pressing; a failed press keeps an earlier image.
TEST(ImageTest, NeverWritesOverAnInput) {
    if (!HasXorriso()) GTEST_SKIP() << "xorriso is not installed (scripts/deps installs it)";
    const std::string root = TestDiscs();
    ASSERT_FALSE(root.empty());
    const std::string disc = root + "/sample";
    const std::string settings = ReadFile(disc + "/AUTOPLAY.INI");
    mkdir((root + "/empty").c_str(), 0700);
    mkdir((root + "/full").c_str(), 0700);
    WriteFile(root + "/full/x", "x");
    ASSERT_EQ(0, link((disc + "/AUTOPLAY.EXE").c_str(), (root + "/hard.iso").c_str()));
    ASSERT_EQ(0, symlink((disc + "/AUTOPLAY.INI").c_str(), (root + "/soft.iso").c_str()));
    const struct {
        std::string output;
        std::string err;
    } cases[] = {
        {disc + "/AUTOPLAY.INI", " is inside the disc folder "},
        {disc + "/out.iso", " is inside the disc folder "},
        {disc, " is a folder"},
        {root + "/empty", " is a folder"},
        {root + "/full", " is a folder"},
        {root + "/hard.iso", " is the disc's own file AUTOPLAY.EXE"},
        {root + "/soft.iso", " is inside the disc folder "},
        {root + "/no-such-folder/out.iso", "image: no folder "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output);
        std::string out, err;
        EXPECT_EQ(2, DiscTool({"image", disc, c.output}, &out, &err));
        EXPECT_TRUE(Contains(err, c.err)) << err;
        EXPECT_EQ(1, std::count(err.begin(), err.end(), '\n')) << err;
    }
    EXPECT_EQ(settings, ReadFile(disc + "/AUTOPLAY.INI"));
    EXPECT_EQ("MZ", ReadFile(disc + "/AUTOPLAY.EXE"));
    EXPECT_NE(0, access((disc + "/out.iso").c_str(), F_OK));
    struct stat folder;
    EXPECT_TRUE(stat((root + "/empty").c_str(), &folder) == 0 && S_ISDIR(folder.st_mode));

    // A press whose read-back fails leaves the earlier image whole, and nothing beside it.
    const std::string earlier = root + "/kept/out.iso";
    mkdir((root + "/kept").c_str(), 0700);
    std::string out, err;
    ASSERT_EQ(0, DiscTool({"image", disc, earlier}, &out, &err)) << err;
    const std::string image = ReadFile(earlier);
    const std::string cut = MakeDisc(root, "cut", Repeat('d', 70) + ".EXE", Repeat('d', 70) + ".EXE");
    EXPECT_EQ(1, DiscTool({"image", cut, earlier}, &out, &err));
    EXPECT_EQ(image, ReadFile(earlier));
    EXPECT_EQ(0, system(("test \"$(ls '" + root + "/kept')\" = out.iso").c_str()));
}

TEST(ImageTest, PressesOnlyCheckedDiscsAndTellsWhatJolietHides) {
    if (!HasXorriso()) GTEST_SKIP() << "xorriso is not installed (scripts/deps installs it)";
    const std::string discs = TestDiscs();
    ASSERT_FALSE(discs.empty());
    const std::string iso = discs + "/out.iso";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out;  // a part of the output
        std::string err;
    } cases[] = {
        {{"image", discs + "/sample", iso, "--label", "TAVIO_SAMPLE"}, 0,
         "image: AUTORUN.INF written: open=AUTOPLAY.EXE, icon=AUTOPLAY.EXE, label=TAVIO_SAMPLE\n"
         "image: " + iso + " pressed,", ""},
        {{"image", discs + "/sample", iso, "--icon", TAVIO_SOURCE_DIR "/resources/generic.ico"}, 0,
         "icon=generic.ico, label=SAMPLE\n", ""},
        {{"image", discs + "/long-names", iso}, 0,
         "image: warning: Sample Program\\Run Sample.exe: no plain ISO 9660 name: a system that reads no Joliet", ""},
        {{"image", discs + "/no-installer", iso}, 1, "", "image: not pressed: check reports 1 error\n"},
        {{"image", discs + "/sample", iso, "--label", "A_LABEL_LONGER_THAN_THIRTY_TWO_CHARACTERS"}, 1, "",
         "is longer than 32 characters"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1] + " " + (c.args.size() > 3 ? c.args[3] : ""));
        remove(iso.c_str());
        std::string out, err;
        EXPECT_EQ(c.status, DiscTool(c.args, &out, &err));
        EXPECT_TRUE(Contains(out, c.out)) << out;
        EXPECT_TRUE(Contains(err, c.err)) << err;
        EXPECT_EQ(c.status == 0, access(iso.c_str(), F_OK) == 0);
    }
    // The AUTORUN.INF inside the image, read back from it.
    std::string out, err;
    ASSERT_EQ(0, DiscTool({"image", discs + "/sample", iso, "--label", "TAVIO_SAMPLE"}, &out, &err));
    const std::string inf = discs + "/AUTORUN.INF";
    ASSERT_EQ(0, system(("xorriso -no_rc -osirrox on -indev stdio:'" + iso + "' -extract /AUTORUN.INF '" + inf +
                         "' >/dev/null 2>&1")
                            .c_str()));
    // It is the release package's own AUTORUN.INF, in CRLF lines, with the image's label.
    std::string shipped = ReadFile(TAVIO_SOURCE_DIR "/package/disc/AUTORUN.INF"), expected;
    ASSERT_NE(std::string::npos, shipped.find("\nlabel=MY_DISC\n"));
    shipped.replace(shipped.find("\nlabel=MY_DISC\n"), 15, "\nlabel=TAVIO_SAMPLE\n");
    for (char c : shipped) expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(expected, ReadFile(inf));
}

}  // namespace
