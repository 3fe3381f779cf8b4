// The configuration loader against real files, with its records checked in the real operation log.
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "base/OperationLog.h"
#include "config/Configuration.h"
#include "protocol/Endpoints.h"

namespace kova {
namespace {

using protocol::endpointText;
using protocol::kLogPortOffset;
using protocol::kRequestPortOffset;
using protocol::kStatusPortOffset;

using test::readFile;
using test::TempDir;
using test::writeFile;

// Each test runs in a fresh directory with a fresh operation log and an empty table.
class ConfigurationTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path());
        setupOperationLog();
    }
    void TearDown() override {
        spdlog::drop_all();
        std::filesystem::current_path(previous_);
    }

    bool load(const std::string& json) {
        writeFile("conf.json", json);
        loaded_ = loadConfiguration("./conf.json");
        writeRecords(loaded_);
        return loaded_.loaded;
    }

    bool loadAndLog(const std::string& path) {
        loaded_ = loadConfiguration(path);
        writeRecords(loaded_);
        return loaded_.loaded;
    }

    std::vector<std::string> names() const {
        std::vector<std::string> result;
        for (const ControllerAddress& connection : loaded_.connections) {
            result.push_back(connection.name);
        }
        return result;
    }

    // The operation log's records, without their time stamps.
    std::vector<std::string> records() {
        oplog::flush();
        std::vector<std::string> result;
        for (const auto& line : test::splitLines(readFile(kOperationLogPath))) {
            EXPECT_TRUE(!line.empty() && line.back() == '\r') << "record without CR LF: " << line;
            const auto bracket = line.find('[');
            result.push_back(line.substr(bracket, line.size() - bracket - 1));
        }
        return result;
    }

    TempDir dir_;
    std::filesystem::path previous_;
    Configuration loaded_;
};

TEST_F(ConfigurationTest, ValidFileFillsTheTableInOrderAndGivesTheFirstConnection) {
    ASSERT_TRUE(load(R"({"connection": [
        {"name": "ohv1", "IP": "10.0.0.5", "port": 6000},
        {"name": "ohv2", "IP": "10.0.0.6", "port": "7000"},
        {"name": 3, "IP": "h", "port": 7100.0, "extra": true}], "other": 1})"));
    EXPECT_EQ(names(), (std::vector<std::string>{"ohv1", "ohv2", "3"}));
    ASSERT_EQ(loaded_.connections.size(), 3u);
    EXPECT_EQ(loaded_.connections[1].host, "10.0.0.6");
    EXPECT_EQ(loaded_.connections[1].port, 7000);
    EXPECT_EQ(loaded_.connections[2].host, "h");
    EXPECT_EQ(loaded_.connections[2].port, 7100);
    const ControllerAddress first = firstConnection(loaded_);
    EXPECT_EQ(first.name, "ohv1");
    EXPECT_EQ(first.endpoint(kStatusPortOffset), "tcp://10.0.0.5:6001");
    EXPECT_EQ(first.endpoint(kRequestPortOffset), "tcp://10.0.0.5:6002");
    EXPECT_EQ(first.endpoint(kLogPortOffset), "tcp://10.0.0.5:6004");
    EXPECT_EQ(records(), (std::vector<std::string>{"[info] configuration file ./conf.json is found"}));
}

TEST_F(ConfigurationTest, EmptyArrayLoadsAndTheDefaultsApply) {
    ASSERT_TRUE(load(R"({"connection": []})"));
    const ControllerAddress first = firstConnection(loaded_);
    EXPECT_EQ(first.name, kLoopbackHost);
    EXPECT_EQ(first.host, kLoopbackHost);
    EXPECT_EQ(first.port, 5565);
    EXPECT_EQ(first.endpoint(kStatusPortOffset), "tcp://localhost:5566");
    EXPECT_EQ(first.endpoint(kLogPortOffset), "tcp://localhost:5569");
}

TEST_F(ConfigurationTest, DuplicateNameEmptiesTheWholeTableEvenWithoutItsOtherKeys) {
    EXPECT_FALSE(load(R"({"connection": [{"name": "a", "IP": "h1", "port": 1}, {"name": "a"}]})"));
    EXPECT_TRUE(loaded_.connections.empty());
    EXPECT_EQ(firstConnection(loaded_).host, kLoopbackHost);
    EXPECT_EQ(records().back(), "[error] a in configuration file is duplicated");
    load(R"({"connection": [{"name": "a", "IP": "h", "port": 1}, {"name": "b", "IP": "h", "port": 2},
                            {"name": "a"}]})");
    EXPECT_EQ(loaded_.fault, "./conf.json: the name 'a' appears twice, at positions 1 and 3");
}

TEST_F(ConfigurationTest, NamesDifferingOnlyInCaseAreNotDuplicates) {
    EXPECT_TRUE(load(
        R"({"connection": [{"name": "A", "IP": "h", "port": 1}, {"name": "a", "IP": "h", "port": 2}]})"));
    EXPECT_EQ(names(), (std::vector<std::string>{"A", "a"}));
}

TEST_F(ConfigurationTest, LaterElementWithoutPortFailsButKeepsTheEntriesBeforeIt) {
    EXPECT_FALSE(
        load(R"({"connection": [{"name": "a", "IP": "h1", "port": 6000}, {"name": "b", "IP": "h2"}]})"));
    EXPECT_EQ(names(), (std::vector<std::string>{"a"}));
    const ControllerAddress first = firstConnection(loaded_);
    EXPECT_EQ(first.host, "h1");
    EXPECT_EQ(first.port, 6000);
    const auto log = records();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].rfind("[error] Loading a configuration file is failed: ", 0), 0u) << log[1];

    // The fleet's list has every element, each with why it cannot be used.
    load(R"({"connection": [{"name": "a", "IP": "h", "port": 1}, {"name": "b", "IP": "h", "port": "x"}, 7,
                            {"IP": "h", "port": 3}, {"name": "e", "IP": "h", "port": 5}]})");
    std::vector<std::string> faults;
    for (const ConnectionEntry& entry : loaded_.entries) {
        faults.push_back(entry.address.name + ": " + entry.fault);
    }
    EXPECT_EQ(faults.size(), 5u);
    EXPECT_EQ(faults[0], "a: ");
    EXPECT_EQ(faults[1].rfind("b: \"port\" unusable: ", 0), 0u) << faults[1];
    EXPECT_EQ(faults[2], ": not an object");
    EXPECT_EQ(faults[3], ": no \"name\"");
    EXPECT_EQ(faults[4], "e: ");
    EXPECT_EQ(names(), (std::vector<std::string>{"a"}));
}

// Every kind of defect gives false, one error record after the "found" record, and no exception.
TEST_F(ConfigurationTest, EveryDefectIsAnErrorRecordAndFalse) {
    const char* defects[] = {
        "{\"connection\": [",                                                      // syntax error
        "[1, 2]",                                                                  // top level not an object
        "{}",                                                                      // "connection" missing
        "{\"connection\": {\"name\": \"a\"}}",                                     // not an array
        "{\"connection\": [7]}",                                                   // element not an object
        "{\"connection\": [{\"IP\": \"h\", \"port\": 1}]}",                        // name missing
        "{\"connection\": [{\"name\": \"a\", \"port\": 1}]}",                      // IP missing
        "{\"connection\": [{\"name\": \"a\", \"IP\": \"h\", \"port\": \"x1\"}]}",  // port not a number
        "{\"connection\": [{\"name\": \"a\", \"IP\": \"h\", \"port\": 99999999999}]}",  // port out of range
        "",                                                                             // empty file
        "\xff\xfe\x00garbage",                                                          // binary
    };
    for (const char* defect : defects) {
        std::filesystem::remove(kOperationLogPath);
        setupOperationLog();
        EXPECT_FALSE(load(defect)) << defect;
        const auto log = records();
        ASSERT_EQ(log.size(), 2u) << defect;
        EXPECT_EQ(log[0], "[info] configuration file ./conf.json is found");
        EXPECT_EQ(log[1].rfind("[error] Loading a configuration file is failed: ", 0), 0u) << log[1];
        EXPECT_TRUE(loaded_.connections.empty()) << defect;
    }
}

TEST_F(ConfigurationTest, MissingFileDirectoryAndUnreadableFile) {
    EXPECT_FALSE(loadAndLog("./conf.json"));
    EXPECT_EQ(records().back(), "[error] configuration file ./conf.json is not exist");
    EXPECT_EQ(loaded_.fault, "./conf.json: no such file");

    // A path ending in a separator names no file: false, and nothing is written.
    const auto before = records().size();
    EXPECT_FALSE(loadAndLog("./"));
    EXPECT_EQ(records().size(), before);

    std::filesystem::create_directory("confdir");
    EXPECT_FALSE(loadAndLog("./confdir"));
    EXPECT_EQ(records().back().rfind("[error] Loading a configuration file is failed: ", 0), 0u);

    if (geteuid() != 0) {  // root reads any file
        writeFile("locked.json", "{}");
        std::filesystem::permissions("locked.json", std::filesystem::perms::none);
        EXPECT_FALSE(loadAndLog("./locked.json"));
        EXPECT_EQ(records().back().rfind("[error] Loading a configuration file is failed: ", 0), 0u);
    }
}

TEST(Endpoint, PortArithmeticNeverOverflows) {
    EXPECT_EQ(endpointText("h", 2147483647, kLogPortOffset), "tcp://h:2147483651");
    EXPECT_EQ(endpointText("h", -10, kStatusPortOffset), "tcp://h:-9");
    EXPECT_EQ(endpointText("my host", 0, kRequestPortOffset), "tcp://my host:2");
}

}  // namespace
}  // namespace kova
