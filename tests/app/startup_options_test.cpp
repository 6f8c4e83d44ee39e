// The window program's command line.
#include <gtest/gtest.h>

#include "app/startup_options.h"

namespace tarvos {
namespace {

Result<StartupOptions> Parse(QStringList args) {
    args.prepend(QStringLiteral("kvr-tarvos"));
    return ParseStartupOptions(args);
}

TEST(StartupOptionsTest, DocumentPrintSettingsAndTimeScale) {
    const auto plain = Parse({});
    ASSERT_TRUE(plain.ok());
    EXPECT_FALSE(plain.value().document || plain.value().printFile || plain.value().timeScale);

    const auto full = Parse({"m.tvd", "--settings", "s.ini", "--time-scale", "0.5"});
    ASSERT_TRUE(full.ok()) << full.error().message;
    EXPECT_EQ(full.value().document, "m.tvd");
    EXPECT_EQ(full.value().settingsFile, "s.ini");
    EXPECT_EQ(full.value().timeScale, 0.5);

    const auto print = Parse({"--print", "m.tvd", "--print-to", "out.pdf"});
    ASSERT_TRUE(print.ok());
    EXPECT_EQ(print.value().printFile, "m.tvd");
    EXPECT_EQ(print.value().printTo, "out.pdf");

    EXPECT_FALSE(plain.value().startMeasurement);
    const auto start = Parse({"--start-measurement"});
    ASSERT_TRUE(start.ok());
    EXPECT_TRUE(start.value().startMeasurement);
}

TEST(StartupOptionsTest, MistakesAreRefusedWithAReason) {
    EXPECT_FALSE(Parse({"a.tvd", "b.tvd"}).ok());
    EXPECT_FALSE(Parse({"--print-to", "out.pdf"}).ok());  // nothing to print
    EXPECT_FALSE(Parse({"--unknown"}).ok());
    EXPECT_FALSE(Parse({"--print", "m.tvd", "--start-measurement"}).ok());  // no window to start in
    for (const char* scale : {"-1", "abc", "nan", "inf", ""}) {
        const auto r = Parse({"--time-scale", scale});
        ASSERT_FALSE(r.ok()) << scale;
        EXPECT_NE(r.error().message.find("--time-scale"), std::string::npos);
    }
    EXPECT_TRUE(Parse({"--time-scale", "0"}).ok());
}

}  // namespace
}  // namespace tarvos
