// The simulator's activity log: record layout, texts taken as they are, rotation, and that it stays
// out of spdlog's registry, where the console's own logger lives in the same process.
#include <filesystem>
#include <regex>

#include <gtest/gtest.h>
#include <spdlog/spdlog.h>

#include "TestSupport.h"
#include "sim/ActivityLog.h"

namespace kova::sim {
namespace {

TEST(SimActivityLog, RecordsReachTheFileAtOnceInTheirLayout) {
    test::TempDir dir;
    ActivityLog log(dir.file("log/kovaSimOHV.log"));  // the folder is made
    log.info("request set 3050/0/{} -> {0}");
    log.error("messaging failed: %s");
    const auto lines = test::splitLines(test::readFile(dir.file("log/kovaSimOHV.log")));
    ASSERT_EQ(lines.size(), 2u);
    const std::regex layout(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3} \[(info|error)\] .*)");
    for (const auto& line : lines) {
        EXPECT_TRUE(std::regex_match(line, layout)) << line;
    }
    EXPECT_EQ(lines[0].substr(24), "[info] request set 3050/0/{} -> {0}");
    EXPECT_EQ(lines[1].substr(24), "[error] messaging failed: %s");
}

TEST(SimActivityLog, RotatesKeepingOneOlderFile) {
    test::TempDir dir;
    ActivityLog log(dir.file("sim.log"), 1000);
    for (int i = 0; i < 100; ++i) {
        log.info(std::string(50, 'x'));
    }
    EXPECT_LE(std::filesystem::file_size(dir.file("sim.log")), 1000u);
    EXPECT_GT(std::filesystem::file_size(dir.file("sim.1.log")), 900u);
    EXPECT_FALSE(std::filesystem::exists(dir.file("sim.2.log")));
}

TEST(SimActivityLog, LeavesSpdlogsRegistryAndDefaultLoggerAlone) {
    test::TempDir dir;
    const auto defaultBefore = spdlog::default_logger();
    {
        ActivityLog first(dir.file("a.log"));
        ActivityLog second(dir.file("b.log"));  // a registered name would be taken already
        first.info("one");
        second.info("two");
        EXPECT_EQ(spdlog::get("kovaSimOHV"), nullptr);
        EXPECT_EQ(spdlog::default_logger(), defaultBefore);
    }
    EXPECT_NE(test::readFile(dir.file("a.log")).find("[info] one"), std::string::npos);
    EXPECT_NE(test::readFile(dir.file("b.log")).find("[info] two"), std::string::npos);
}

}  // namespace
}  // namespace kova::sim
