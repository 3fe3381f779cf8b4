// The console's command line against the real binary: a vehicle picked by name from a configuration
// file of its own, arguments it cannot follow, --help and --version.
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zmq.hpp>

#include "TestSupport.h"
#include "TmuxPane.h"

namespace kova::test {
namespace {

using namespace std::chrono_literals;

struct Ended {
    int status = -1;
    std::string output;  // standard output and standard error together
};

// Runs the console with `args` in `dir`, with no terminal at all, and waits for it to end.
Ended runWithoutTerminal(const TempDir& dir, std::vector<std::string> args) {
    args.insert(args.begin(), KOVA_CONSOLE_BINARY);
    const std::string output = dir.file("output.txt");
    std::remove(output.c_str());
    ChildProcess console(args, dir.path(), output);
    Ended ended;
    int status = 0;
    if (console.waitExit(5s, &status) && WIFEXITED(status)) {
        ended.status = WEXITSTATUS(status);
    }
    ended.output = readFile(output);
    return ended;
}

const char* const kTwoVehicles = R"({"connection": [
    {"name": "ohv-a", "IP": "127.0.0.1", "port": 5000},
    {"name": "ohv-b", "IP": "127.0.0.1", "port": 6000}]})";

TEST(TerminalArguments, ArgumentsThatCannotBeFollowedAreOneLineAndStatusTwo) {
    TempDir dir;
    writeFile(dir.file("fleet.json"), kTwoVehicles);
    writeFile(dir.file("none.json"), R"({"connection": []})");
    writeFile(dir.file("twice.json"), R"({"connection": [{"name": "ohv-a", "IP": "h", "port": 1},
        {"name": "ohv-b", "IP": "h", "port": 2}, {"name": "ohv-a", "IP": "h", "port": 3}]})");
    writeFile(dir.file("bad.json"), R"({"connection": [)");
    const struct {
        std::vector<std::string> args;
        std::string said;
    } cases[] = {
        {{"--bogus"}, "kovaConsoleOHV: unknown option '--bogus' (see --help)\n"},
        {{"--config"}, "kovaConsoleOHV: --config needs a file (see --help)\n"},
        {{"--config", "missing.json"},
         "kovaConsoleOHV: cannot load the configuration missing.json: no such file\n"},
        {{"--config", "twice.json"},
         "kovaConsoleOHV: cannot load the configuration twice.json: the name 'ohv-a' appears twice, at "
         "positions 1 and 3\n"},
        {{"--fleet", "--config", "twice.json"},
         "kovaConsoleOHV: cannot load the configuration twice.json: the name 'ohv-a' appears twice, at "
         "positions 1 and 3\n"},
        {{"--config", "bad.json"},
         "kovaConsoleOHV: cannot load the configuration bad.json: not JSON: unexpected end of text\n"},
        {{"--config", "fleet.json", "ohv-c"},
         "kovaConsoleOHV: no connection named 'ohv-c' in fleet.json (it names: ohv-a, ohv-b)\n"},
        {{"ohv-a"}, "kovaConsoleOHV: cannot load the configuration ./conf.json: no such file\n"},
        {{"ohv-a", "ohv-b"}, "kovaConsoleOHV: one vehicle name only, not 'ohv-a' and 'ohv-b' (see --help)\n"},
        {{"--fleet", "--config", "fleet.json", "ohv-a"},
         "kovaConsoleOHV: --fleet shows every vehicle: no vehicle name with it (see --help)\n"},
        {{"--fleet", "--config", "none.json"},
         "kovaConsoleOHV: configuration file none.json names no vehicle\n"},
        {{"--record", "r.db", "--fleet", "--config", "fleet.json", "--watch"},
         "kovaConsoleOHV: --record with --fleet records the fleet table's run: not with --watch (see --help)\n"},
        {{"--replay", "r.db", "--fleet"},
         "kovaConsoleOHV: --replay plays a recording back: no --fleet, --config or --record with it (see "
         "--help)\n"},
        {{"--speed", "2"}, "kovaConsoleOHV: --speed goes with --replay FILE (see --help)\n"},
        {{"--replay", "r.db", "--speed", "fast"},
         "kovaConsoleOHV: --speed needs a number from 1/64 (0.015625) to 1024, not 'fast' (see --help)\n"},
        {{"--replay", "r.db", "--speed", "2000"},
         "kovaConsoleOHV: --speed needs a number from 1/64 (0.015625) to 1024, not '2000' (see --help)\n"},
        {{"--session", "2"}, "kovaConsoleOHV: --session goes with --replay FILE (see --help)\n"},
        {{"--replay", "r.db", "--session", "0"},
         "kovaConsoleOHV: --session needs a session number from 1, not '0' (see --help)\n"},
    };
    for (const auto& c : cases) {
        const Ended ended = runWithoutTerminal(dir, c.args);
        EXPECT_EQ(ended.status, 2) << c.said;
        EXPECT_EQ(ended.output, c.said);
    }
    EXPECT_FALSE(fileExists(dir.file("log/kovaConsole.log"))) << "refused before anything started";
}

TEST(TerminalArguments, HelpAndVersionNeverTouchTheScreen) {
    TempDir dir;
    const Ended version = runWithoutTerminal(dir, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, "kovaConsoleOHV 0.6\n");
    const Ended help = runWithoutTerminal(dir, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("Usage: kovaConsoleOHV [--config FILE] [NAME | --fleet] [--record FILE", 0),
              0u)
        << help.output;
    for (const char* key : {"PgUp", "Tab", "Ctrl-C", "--config FILE", "--fleet", "--replay FILE", "Space", "--session N",
                            "from 1/64 (0.015625) to 1024"}) {
        EXPECT_NE(help.output.find(key), std::string::npos) << key;
    }
    EXPECT_FALSE(fileExists(dir.file("log/kovaConsole.log")));
}

// The named vehicle of another file is the one the console talks to: its name in the title, its
// log stream in the log window, and the operation log names the file it read.
TEST(TerminalArguments, ANamedVehicleFromAnotherFileIsTheOneShown) {
    TempDir dir;
    const int first = freeBasePort();
    const int second = freeBasePort();
    writeFile(
        dir.file("fleet.json"),
        "{\"connection\": [{\"name\": \"ohv-a\", \"IP\": \"127.0.0.1\", \"port\": " + std::to_string(first) +
            "}, {\"name\": \"ohv-b\", \"IP\": \"127.0.0.1\", "
            "\"port\": " +
            std::to_string(second) + "}]}");
    zmq::context_t context;
    zmq::socket_t log(context, zmq::socket_type::pub);
    log.set(zmq::sockopt::linger, 0);
    log.bind("tcp://127.0.0.1:" + std::to_string(second + 4));

    TmuxPane pane(std::string(KOVA_CONSOLE_BINARY) + " --config fleet.json ohv-b", dir.path());
    ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
    EXPECT_NE(pane.row(0).find("(ohv-b:127.0.0.1)"), std::string::npos) << pane.row(0);
    EXPECT_TRUE(waitUntil(
        [&] {
            log.send(zmq::buffer(std::string("from the second vehicle")), zmq::send_flags::dontwait);
            return pane.waitForText(" from the second vehicle", 100ms);
        },
        8s))
        << pane.screenText();
    EXPECT_EQ(pane.screenText().find("Loading configuration file is failed"), std::string::npos);
    ASSERT_TRUE(pane.stop());
    const std::string records = readFile(dir.file("log/kovaConsole.log"));
    const auto start = records.find("[info] start kovaConsole");
    EXPECT_NE(records.find("[info] configuration file fleet.json is found", start), std::string::npos)
        << records;
}

}  // namespace
}  // namespace kova::test
