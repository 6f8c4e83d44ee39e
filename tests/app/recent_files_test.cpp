// The recent files: their order and limit, their settings section and their menu texts.
#include "app/recent_files.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tarvos {
namespace {

using Entries = std::vector<std::string>;

struct Step {
    bool add;  // false: remove
    std::string path;
};

TEST(RecentFiles, MostRecentFirstEachFileOnceAtMostTheLimit) {
    const std::string cwd = std::filesystem::current_path().lexically_normal().string();
    struct Case {
        const char* name;
        std::vector<Step> steps;
        Entries expected;
    };
    const std::vector<Case> cases{
        {"newest first", {{true, "/m/a.tvd"}, {true, "/m/b.tvd"}}, {"/m/b.tvd", "/m/a.tvd"}},
        {"reopened moves up", {{true, "/m/a.tvd"}, {true, "/m/b.tvd"}, {true, "/m/a.tvd"}}, {"/m/a.tvd", "/m/b.tvd"}},
        {"one file, two spellings", {{true, "/m/a.tvd"}, {true, "/m/x/../a.tvd"}, {true, "/m//./a.tvd"}}, {"/m/a.tvd"}},
        {"oldest falls off",
         {{true, "/1"}, {true, "/2"}, {true, "/3"}, {true, "/4"}, {true, "/5"}, {true, "/6"}, {true, "/7"}},
         {"/7", "/6", "/5", "/4", "/3", "/2"}},
        {"removed by any spelling", {{true, "/m/a.tvd"}, {true, "/m/b.tvd"}, {false, "/m/x/../a.tvd"}}, {"/m/b.tvd"}},
        {"no line can hold these", {{true, ""}, {true, "/m/a\n[Measurement]"}, {true, std::string(5000, 'a')}}, {}},
        {"relative to the working folder", {{true, "r.tvd"}}, {cwd + "/r.tvd"}},
    };
    for (const Case& c : cases) {
        RecentFiles files;
        for (const Step& step : c.steps) step.add ? files.Add(step.path) : files.Remove(step.path);
        EXPECT_EQ(files.Entries(), c.expected) << c.name;
    }
}

TEST(RecentFiles, ItsSectionReadsBackAndLeavesTheOthersAlone) {
    const std::string others = "[Measurement]\r\nSamples=33\r\n[KVR Settings]\r\nMode=13\r\n";
    IniFile ini = IniFile::Parse(others + "[Recent Files]\r\nFile1=/old.tvd\r\nFile9=/kept?\r\n");
    RecentFiles files;
    for (const char* path : {"/m/lab & bench.tvd", "/m/ends in a space.tvd ", "/m/a.tvd"}) files.Add(path);
    WriteRecentFiles(ini, files);
    EXPECT_EQ(ini.Text().substr(0, others.size()), others);
    EXPECT_EQ(ini.Text().find("old.tvd"), std::string::npos);  // the whole section is replaced
    EXPECT_EQ(ReadRecentFiles(ini), files);

    // Hand-edited sections: gaps, repeats and empty values skipped, keys beyond the limit unread.
    struct Case {
        const char* text;
        Entries expected;
    };
    const std::vector<Case> cases{
        {"[Recent Files]\nFile2=/b\nFile4=/d\n", {"/b", "/d"}},
        {"[Recent Files]\nFile1=/a\nFile2=\nFile3=/a\nFile4=/c\n", {"/a", "/c"}},
        {"[Recent Files]\nFile7=/g\n", {}},
        {"[Other]\nFile1=/a\n", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadRecentFiles(IniFile::Parse(c.text)).Entries(), c.expected) << c.text;

    WriteRecentFiles(ini, RecentFiles{});
    EXPECT_EQ(ini.Text(), others);  // an empty list leaves no section
}

TEST(RecentFiles, MenuTextsAreNumberedAndTellEqualNamesApart) {
    struct Case {
        Entries entries;
        Entries texts;
    };
    const std::vector<Case> cases{
        {{"/m/a.tvd", "/n/b.tvd"}, {"&1 a.tvd", "&2 b.tvd"}},
        {{"/m/a.tvd", "/n/a.tvd", "/n/c.tvd"}, {"&1 /m/a.tvd", "&2 /n/a.tvd", "&3 c.tvd"}},
        {{"/m/R&D.tvd"}, {"&1 R&&D.tvd"}},
        {{"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8", "/9", "/10", "/11"},
         {"&1 1", "&2 2", "&3 3", "&4 4", "&5 5", "&6 6", "&7 7", "&8 8", "&9 9", "1&0 10", "11 11"}},
    };
    for (const Case& c : cases) EXPECT_EQ(RecentMenuTexts(c.entries), c.texts) << c.entries.front();
}

}  // namespace
}  // namespace tarvos
