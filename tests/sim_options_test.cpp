// The simulator's command line, its reading of the console's conf.json, and the bind address.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "sim/SimOptions.h"

namespace kova::sim {
namespace {

TEST(SimOptions, DefaultsWithoutArguments) {
    const ParsedOptions parsed = parseOptions({});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.host, "127.0.0.1");
    EXPECT_EQ(parsed.options.basePort, 5565);
    EXPECT_EQ(parsed.options.timeScale, 1.0);
    EXPECT_EQ(parsed.options.fault, FaultMode::None);
    EXPECT_TRUE(parsed.options.obstacles);
    EXPECT_FALSE(parsed.options.seedGiven);
    EXPECT_EQ(parsed.options.logPath, "log/kovaSimOHV.log");
}

TEST(SimOptions, EveryOptionInBothSpellings) {
    const ParsedOptions parsed =
        parseOptions({"--config", "c.json", "--host=localhost", "--port", "6000", "--seed=42", "--time-scale",
                      "7.5", "--flood", "5000", "--flood-delay=20", "--flood-rate", "300",
                      "--fault=late-answer", "--no-obstacles", "--log", "x/y.log"});
    ASSERT_EQ(parsed.error, "");
    const SimOptions& o = parsed.options;
    EXPECT_EQ(o.configPath, "c.json");
    EXPECT_EQ(o.host, "localhost");
    EXPECT_TRUE(o.hostGiven);
    EXPECT_EQ(o.basePort, 6000);
    EXPECT_TRUE(o.portGiven);
    EXPECT_EQ(o.seed, 42u);
    EXPECT_TRUE(o.seedGiven);
    EXPECT_EQ(o.timeScale, 7.5);
    EXPECT_EQ(o.flood, 5000u);
    EXPECT_EQ(o.floodDelayMs, 20);
    EXPECT_EQ(o.floodRate, 300.0);
    EXPECT_EQ(o.fault, FaultMode::LateAnswer);
    EXPECT_FALSE(o.obstacles);
    EXPECT_EQ(o.logPath, "x/y.log");
    EXPECT_TRUE(parseOptions({"--help"}).options.help);
    EXPECT_EQ(parseOptions({"--fault", "never-answer"}).options.fault, FaultMode::NeverAnswer);
    EXPECT_EQ(parseOptions({"--fault", "malformed"}).options.fault, FaultMode::Malformed);
}

TEST(SimOptions, BadArgumentsAreNamed) {
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const Case cases[] = {
        {{"--bogus"}, "unknown option --bogus"},
        {{"extra"}, "unknown option extra"},
        {{"--port"}, "--port needs a value"},
        {{"--port", "0"}, "bad value for --port: 0"},
        {{"--port", "65532"}, "bad value for --port: 65532"},
        {{"--port", "12ab"}, "bad value for --port: 12ab"},
        {{"--port", "-5"}, "bad value for --port: -5"},
        {{"--seed", "4294967296"}, "bad value for --seed: 4294967296"},
        {{"--time-scale", "0"}, "bad value for --time-scale: 0"},
        {{"--time-scale", "fast"}, "bad value for --time-scale: fast"},
        {{"--time-scale", "nan"}, "bad value for --time-scale: nan"},
        {{"--flood", "1.5"}, "bad value for --flood: 1.5"},
        {{"--fault", "sometimes"}, "bad value for --fault: sometimes"},
        {{"--config="}, "bad value for --config: "},
        {{"--no-obstacles=1"}, "unknown option --no-obstacles=1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseOptions(c.args).error, c.error);
    }
}

TEST(SimOptions, BindAddressForConfiguredHosts) {
    const std::pair<const char*, const char*> cases[] = {
        {"127.0.0.1", "127.0.0.1"}, {"0.0.0.0", "0.0.0.0"},       {"10.0.0.5", "10.0.0.5"},
        {"localhost", "127.0.0.1"}, {"ohv01.plant", "127.0.0.1"}, {"256.1.1.1", "127.0.0.1"},
        {"1.2.3", "127.0.0.1"},     {"1.2.3.4.5", "127.0.0.1"},   {"::1", "127.0.0.1"},
        {"", "127.0.0.1"},          {"1..2.3", "127.0.0.1"},      {"0001.2.3.4", "127.0.0.1"},
    };
    for (const auto& [host, address] : cases) {
        EXPECT_EQ(bindAddress(host), address) << host;
    }
}

TEST(SimOptions, TheConsolesConfigurationGivesHostAndPort) {
    test::TempDir dir;
    test::writeConf(dir.path(), "localhost", 6100);
    std::string host;
    int port = 0;
    ASSERT_EQ(readConnection(dir.file("conf.json"), host, port), "");
    EXPECT_EQ(host, "localhost");
    EXPECT_EQ(port, 6100);

    test::writeFile(dir.file("string.json"),
                    R"({"connection": [{"name": "a", "IP": "127.0.0.1", "port": "6200"}, {"name": "b"}]})");
    ASSERT_EQ(readConnection(dir.file("string.json"), host, port), "");
    EXPECT_EQ(port, 6200);

    // --port wins over the file, the file's host stays.
    SimOptions options = parseOptions({"--config", dir.file("conf.json"), "--port", "7000"}).options;
    ASSERT_EQ(resolveConnection(options), "");
    EXPECT_EQ(options.host, "localhost");
    EXPECT_EQ(options.basePort, 7000);
}

TEST(SimOptions, UnusableConfigurationFilesAreReported) {
    test::TempDir dir;
    const std::pair<const char*, const char*> files[] = {
        {"syntax.json", "{\"connection\": ["},
        {"empty.json", "{\"connection\": []}"},
        {"noport.json", "{\"connection\": [{\"name\": \"a\", \"IP\": \"127.0.0.1\"}]}"},
        {"badport.json", "{\"connection\": [{\"name\": \"a\", \"IP\": \"127.0.0.1\", \"port\": \"x\"}]}"},
        {"array.json", "[1, 2]"},
        {"range.json", "{\"connection\": [{\"name\": \"a\", \"IP\": \"127.0.0.1\", \"port\": 70000}]}"},
    };
    for (const auto& [name, text] : files) {
        test::writeFile(dir.file(name), text);
        std::string host = "unchanged";
        int port = 1;
        EXPECT_NE(readConnection(dir.file(name), host, port), "") << name;
        EXPECT_EQ(host, "unchanged") << name;
        EXPECT_EQ(port, 1) << name;
    }
    std::string host;
    int port = 0;
    EXPECT_EQ(readConnection(dir.file("missing.json"), host, port),
              "cannot read configuration file " + dir.file("missing.json"));
}

}  // namespace
}  // namespace kova::sim
