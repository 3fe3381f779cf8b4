// The operation log's file: pattern, line ends, appending, the directory, rotation.
#include <filesystem>
#include <regex>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "base/OperationLog.h"

namespace kova {
namespace {

class OperationLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path());
    }
    void TearDown() override {
        spdlog::drop_all();
        std::filesystem::current_path(previous_);
    }
    test::TempDir dir_;
    std::filesystem::path previous_;
};

TEST_F(OperationLogTest, RecordsFollowThePatternWithCrLfAndAppendAcrossRuns) {
    ASSERT_FALSE(std::filesystem::exists("log"));
    setupOperationLog();  // creates the directory
    oplog::info("start kovaConsole");
    oplog::error("{} in configuration file is duplicated", "x");
    spdlog::drop_all();
    setupOperationLog();  // a second run appends
    oplog::info("start kovaConsole");
    oplog::flush();

    const auto lines = test::splitLines(test::readFile(kOperationLogPath));
    ASSERT_EQ(lines.size(), 3u);
    const std::regex pattern(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3} \[(info|error)\] .*\r)");
    for (const auto& line : lines) {
        EXPECT_TRUE(std::regex_match(line, pattern)) << line;
    }
    EXPECT_NE(lines[0].find("[info] start kovaConsole\r"), std::string::npos);
    EXPECT_NE(lines[1].find("[error] x in configuration file is duplicated\r"), std::string::npos);
    EXPECT_NE(lines[2].find("[info] start kovaConsole\r"), std::string::npos);
}

TEST_F(OperationLogTest, RotatesAtOneMebibyteKeepingOneOlderFile) {
    setupOperationLog();
    const std::string filler(1000, 'x');
    for (int i = 0; i < 2500; ++i) {  // about 2.5 MB: two rotations
        oplog::info("{}", filler);
    }
    oplog::flush();
    EXPECT_LE(std::filesystem::file_size(kOperationLogPath), kOperationLogMaxBytes);
    EXPECT_TRUE(std::filesystem::exists("log/kovaConsole.1.log"));
    EXPECT_FALSE(std::filesystem::exists("log/kovaConsole.2.log"));
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator("log")) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 2u);
}

TEST_F(OperationLogTest, FailedSetupThrowsAndLaterRecordsAreDroppedSafely) {
    test::writeFile("log", "a file where the directory should be");
    EXPECT_THROW(setupOperationLog(), spdlog::spdlog_ex);
    EXPECT_EQ(spdlog::default_logger_raw(), nullptr);
    oplog::info("start kovaConsole");  // must not crash without a logger
    oplog::error("{}", "x");
    oplog::flush();
}

}  // namespace
}  // namespace kova
