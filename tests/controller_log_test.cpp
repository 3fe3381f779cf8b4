// Controller log file names: one file per connection name, names kept as they were where they were
// already safe, and every rotated name within the file system's limit.
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "logview/ControllerLog.h"

namespace kova::test {
namespace {

TEST(ControllerLogNames, EveryNameHasAFileOfItsOwn) {
    const struct {
        std::string name;
        std::string path;
    } cases[] = {
        {"ohv-01_west.2", "log/ohv-01_west.2.log"},  // as before: existing files keep their names
        {"a/b", "log/a%2Fb.log"},
        {"a_b", "log/a_b.log"},
        {"a:b", "log/a%3Ab.log"},
        {"a%3Ab", "log/a%253Ab.log"},
        {"\xC3\xA9t\xC3\xA9", "log/%C3%A9t%C3%A9.log"},
        {"\xC3\xA8t\xC3\xA9", "log/%C3%A8t%C3%A9.log"},
        {".", "log/%2E.log"},
        {"..", "log/%2E..log"},
        {".hidden", "log/%2Ehidden.log"},
        {"a b~", "log/a%20b%7E.log"},
        {std::string("a\0b", 3), "log/a%00b.log"},
        {"", "log/controller.log"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ControllerLog::pathFor(c.name), c.path) << c.name;
    }
}

TEST(ControllerLogNames, LongNamesAreCutWithAHashAndEveryRotatedNameFits) {
    // The longest stem whose fifth rotated file still fits: 255 - ".5" - ".log".
    const std::string fits(249, 'x');
    EXPECT_EQ(ControllerLog::fileStemFor(fits), fits);
    const std::string longer = fits + "x";
    const std::string cut = ControllerLog::fileStemFor(longer);
    EXPECT_EQ(cut.size(), 249u);
    EXPECT_EQ(cut.substr(0, 232), std::string(232, 'x'));
    EXPECT_EQ(cut[232], '~');
    // Names that differ only past the cut still get files of their own.
    EXPECT_NE(ControllerLog::fileStemFor(std::string(300, 'x') + "a"),
              ControllerLog::fileStemFor(std::string(300, 'x') + "b"));
    // A cut never splits an escaped byte.
    for (std::size_t pad = 0; pad < 3; ++pad) {
        const std::string stem = ControllerLog::fileStemFor(std::string(pad, 'x') + std::string(200, '/'));
        const std::string kept = stem.substr(0, stem.find('~'));
        EXPECT_EQ((kept.size() - pad) % 3, 0u) << stem;
        EXPECT_LE(stem.size(), 249u);
    }
}

// Real files: names of 300 and 250 characters log and rotate (10 MiB each) without a failed rename.
TEST(ControllerLogNames, LongNamesLogAndRotate) {
    TempDir dir;
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    const std::string line(1000, 'y');
    for (const std::size_t length : {300u, 250u}) {
        const std::string name(length, 'n');
        ControllerLog log;
        ASSERT_EQ(log.open(name), "");
        for (std::uint32_t i = 0; i < 2 * ControllerLog::kMaxBytes / line.size() + 100; ++i) {
            log.write(i, line);
        }
        log.flush();
        const std::string path = ControllerLog::pathFor(name);
        const std::string stem = path.substr(0, path.size() - 4);
        EXPECT_TRUE(fileExists(path)) << path;
        EXPECT_TRUE(fileExists(stem + ".1.log")) << length;
        EXPECT_TRUE(fileExists(stem + ".2.log")) << length;
    }
}

}  // namespace
}  // namespace kova::test
