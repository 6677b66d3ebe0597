// tavio-disc image: pressed with xorriso where the settings allow, its AUTORUN.INF, and the names a system without Joliet sees.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "disc_text.h"
#include "disc_tool.h"
#include "kit_discs.h"

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(ImageTest, PressesOnlyCheckedDiscsAndTellsWhatJolietHides) {
    if (system("xorriso -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "xorriso is not installed (scripts/deps installs it)";
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
         "image: warning: Sample Program\\Run Sample.exe: not under the image's plain ISO 9660 names", ""},
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
