// Controller log file names: one file per connection name, the names that were already safe kept,
// and every rotated name within the file system's limit.
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "logview/ControllerLog.h"

namespace kova::test {
namespace {

TEST(ControllerLogNames, EveryNameHasAFileOfItsOwn) {
    const std::pair<std::string, std::string> cases[] = {
        {"ohv-01_west.2", "log/ohv-01_west.2.log"},  // as before: existing files keep their names
        {"a/b", "log/a%2Fb.log"},
        {"a_b", "log/a_b.log"},
        {"a:b", "log/a%3Ab.log"},
        {"a%3Ab", "log/a%253Ab.log"},
        {"\xC3\xA9t\xC3\xA9", "log/%C3%A9t%C3%A9.log"},
        {".", "log/%2E.log"},
        {"..", "log/%2E..log"},
        {"a b~", "log/a%20b%7E.log"},
        {std::string("a\0b", 3), "log/a%00b.log"},
        {"", "log/controller.log"},
    };
    for (const auto& [name, path] : cases) {
        EXPECT_EQ(ControllerLog::pathFor(name), path) << name;
    }
    // The longest stem whose fifth rotated file fits 255 bytes; one more is cut, with a hash of the
    // whole name, never inside an escaped byte.
    EXPECT_EQ(ControllerLog::fileStemFor(std::string(249, 'x')), std::string(249, 'x'));
    EXPECT_EQ(ControllerLog::fileStemFor(std::string(250, 'x')).substr(231, 2), "x~");
    EXPECT_NE(ControllerLog::fileStemFor(std::string(300, 'x') + "a"),
              ControllerLog::fileStemFor(std::string(300, 'x') + "b"));
    for (std::size_t pad = 0; pad < 3; ++pad) {
        const std::string stem = ControllerLog::fileStemFor(std::string(pad, 'x') + std::string(200, '/'));
        EXPECT_EQ((stem.find('~') - pad) % 3, 0u) << stem;
    }
}

// Real files: names of 300 and 250 characters log and rotate (10 MiB each) without a failed rename.
TEST(ControllerLogNames, LongNamesLogAndRotate) {
    TempDir dir;
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    const std::string line(1000, 'y');
    for (const std::size_t length : {300u, 250u}) {
        ControllerLog log;
        ASSERT_EQ(log.open(std::string(length, 'n')), "");
        for (std::uint32_t i = 0; i < 2 * ControllerLog::kMaxBytes / line.size() + 100; ++i) {
            log.write(i, line);
        }
        log.flush();
        const std::string stem = "log/" + ControllerLog::fileStemFor(std::string(length, 'n'));
        for (const char* suffix : {".log", ".1.log", ".2.log"}) {
            EXPECT_TRUE(fileExists(stem + suffix)) << length << suffix;
        }
    }
}

}  // namespace
}  // namespace kova::test
