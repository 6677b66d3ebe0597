// Golden transcripts of tavio-disc: each file in tests/kit/golden is a command line
// ("$ tavio-disc ARGS", discs named as in kit_discs.cpp), what it prints, and "[status N]".
// The Wine suite runs the Windows build (TAVIODSK.EXE) against the same files.
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "disc_text.h"
#include "disc_tool.h"
#include "kit_discs.h"

namespace {

const std::string kGoldenFolder = std::string(TAVIO_SOURCE_DIR) + "/tests/kit/golden";

// Words split at blanks; a word in double quotes keeps its blanks.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ') ++i;
        if (i == line.size()) break;
        std::string word;
        if (line[i] == '"') {
            const size_t close = line.find('"', i + 1);
            word = line.substr(i + 1, close - i - 1);
            i = close == std::string::npos ? line.size() : close + 1;
        } else {
            const size_t end = std::min(line.find(' ', i), line.size());
            word = line.substr(i, end - i);
            i = end;
        }
        words.push_back(word);
    }
    return words;
}

TEST(GoldenTest, TranscriptsMatch) {
    const std::string discs = TestDiscs();
    ASSERT_FALSE(discs.empty());
    char here[4096];
    ASSERT_NE(nullptr, getcwd(here, sizeof here));
    ASSERT_EQ(0, chdir(discs.c_str()));  // the transcripts name the discs relative to their folder

    std::vector<std::string> files;
    DIR* folder = opendir(kGoldenFolder.c_str());
    ASSERT_NE(nullptr, folder);
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".txt") == 0) files.push_back(name);
    }
    closedir(folder);
    std::sort(files.begin(), files.end());
    EXPECT_GE(files.size(), 8u);

    for (const std::string& name : files) {
        SCOPED_TRACE(name);
        const std::string golden = ReadFile(kGoldenFolder + "/" + name);
        const size_t firstEnd = golden.find('\n');
        const size_t statusStart = golden.rfind("[status ");
        ASSERT_TRUE(firstEnd != std::string::npos && statusStart != std::string::npos && golden.compare(0, 13, "$ tavio-disc ") == 0)
            << "a transcript is \"$ tavio-disc ARGS\", the output, and \"[status N]\"";
        const std::vector<std::string> args = Words(golden.substr(13, firstEnd - 13));
        std::string out, err;
        const int status = DiscTool(args, &out, &err);
        EXPECT_EQ(golden.substr(firstEnd + 1, statusStart - firstEnd - 1), out);
        EXPECT_EQ(golden.substr(statusStart), "[status " + std::to_string(status) + "]\n");
        EXPECT_EQ("", err);
    }
    ASSERT_EQ(0, chdir(here));
}

}  // namespace
