#include "platform/user_folders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "tests/support/temp_dir.h"

namespace tarvos {
namespace {

namespace fs = std::filesystem;

using WritableFolderTest = testing::TempDirectoryTest;

TEST_F(WritableFolderTest, TheWantedFolderUnlessItCanNeitherBeUsedNorMade) {
    testing::WriteBytes(Path("file"), "");
    fs::create_directory(Path("present"));
    struct Case {
        const char* wanted;
        bool withFallback;
        const char* chosen;
    };
    const Case cases[] = {
        {"present", true, "present"},
        {"made", true, "made"},                // created beside, as before
        {"file", true, "state/kvr/Logs"},      // a file is in the way
        {"file/Logs", true, "state/kvr/Logs"}, // its parent is no folder
        {"file/Logs", false, "file/Logs"},     // no fallback known: the caller's own failure
    };
    for (const Case& c : cases) {
        const std::optional<fs::path> fallback =
            c.withFallback ? std::optional<fs::path>(Path("state/kvr/Logs")) : std::nullopt;
        EXPECT_EQ(WritableFolderOr(Path(c.wanted), fallback), Path(c.chosen)) << c.wanted;
        EXPECT_TRUE(fs::is_directory(Path(c.chosen)) || !c.withFallback) << c.wanted;
    }
}

}  // namespace
}  // namespace tarvos
