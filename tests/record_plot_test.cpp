// scripts/plot against a recording made by the writer: a PNG of a synthetic drive, and exit status 2
// for files it cannot plot.
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "TmuxPane.h"
#include "record/RecordWriter.h"

namespace kova::record {
namespace {

int plot(const std::string& arguments) {
    const int status = std::system(
        (std::string(KOVA_SOURCE_DIR) + "/scripts/plot " + arguments + " 2>/dev/null >/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Twenty seconds of a vehicle starting, running along the track and stopping, at the controller's
// rates, with a few requests; or, with `drive` false, a recording of no messages at all.
void record(const std::string& path, bool drive) {
    RecordWriter writer;
    writer.open(path, false, {"0.6", "OHV-1", "127.0.0.1", 5550});
    if (!drive) {
        return;
    }
    const std::int64_t start = RecordWriter::nowNs();
    double position = 12000.0;                // 0.1 mm
    for (int tick = 0; tick < 400; ++tick) {  // every 50 ms
        const std::int64_t t = start + tick * 50'000'000LL;
        const double seconds = tick * 0.05;
        // Ramps up from 2 s to 5 s and down from 14 s to 17 s, to 1.5 m/s (in 0.1 mm/s).
        const double ramp = std::clamp(std::min(seconds - 2.0, 17.0 - seconds) / 3.0, 0.0, 1.0);
        const int target = static_cast<int>(15000 * ramp);
        const int actual = static_cast<int>(target * 0.97);
        position += actual * 0.05;
        writer.recordStatus(t, {"4035", std::to_string(target)});
        writer.recordStatus(t + 1000, {"4034", std::to_string(actual)});
        writer.recordStatus(t + 2000, {"7120", std::to_string(static_cast<int>(position))});
        if (tick % 2 == 0) {
            writer.recordStatus(t + 3000, {"111", seconds < 1.5 ? "1" : seconds < 18 ? "4" : "1"});
        }
    }
    writer.recordRequest(start + 1'000'000'000, "set", "3033/0/15", start + 1'010'000'000,
                         RequestOutcome::replied(), {"0", "ok"});
    writer.recordRequest(start + 1'200'000'000, "set", "3031/0/2", start + 1'210'000'000,
                         RequestOutcome::replied(), {"0", "ok"});
    writer.recordRequest(start + 15'000'000'000, "get", "4011/0", start + 16'200'000'000,
                         RequestOutcome::noResponse(), {});
    writer.close();
}

TEST(RecordPlot, DrawsAPngOfARecordedDrive) {
    test::TempDir dir;
    record(dir.file("drive.kovarec"), true);
    record(dir.file("idle.kovarec"), false);
    ASSERT_EQ(plot(dir.file("drive.kovarec")), 0);
    ASSERT_EQ(plot(dir.file("idle.kovarec") + " " + dir.file("idle-run.png")), 0);
    const std::string png = test::readFile(dir.file("drive.png"));
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    // The curves and labels add to the four empty panels that a recording without messages gives.
    EXPECT_GT(png.size(), test::readFile(dir.file("idle-run.png")).size() + 3000);
}

TEST(RecordPlot, RefusesMissingAndNonRecordingFilesWithStatusTwo) {
    test::TempDir dir;
    EXPECT_EQ(plot(dir.file("missing.kovarec")), 2);
    test::writeFile(dir.file("notes.txt"), "vehicle stopped at 03:12\n");
    EXPECT_EQ(plot(dir.file("notes.txt") + " " + dir.file("notes.png")), 2);
    EXPECT_EQ(
        std::system(("sqlite3 " + dir.file("other.db") + " 'CREATE TABLE status (t_ns, value)'").c_str()), 0);
    EXPECT_EQ(plot(dir.file("other.db")), 2);
    EXPECT_FALSE(std::filesystem::exists(dir.file("notes.png")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("other.png")));
}

// A fleet recording draws one vehicle, named; without a name, or with one it lacks, nothing is drawn.
TEST(RecordPlot, AFleetRecordingDrawsTheVehicleNamed) {
    test::TempDir dir;
    const std::string path = dir.file("fleet.kovarec");
    {
        RecordWriter writer;
        writer.open(path, false, {"0.7", "fleet", "conf.json", 0, {{"OHV-1", "h", 5550}, {"OHV-2", "h", 5560}}});
        const std::int64_t start = RecordWriter::nowNs();
        for (int tick = 0; tick < 100; ++tick) {
            writer.recordStatus(start + tick * 50'000'000LL, {"4034", std::to_string(tick * 100)}, tick % 2);
        }
        writer.close();
    }
    EXPECT_EQ(plot(path), 2);
    EXPECT_EQ(plot("--vehicle OHV-9 " + path), 2);
    EXPECT_FALSE(std::filesystem::exists(dir.file("fleet.png")));
    const std::string said = test::runCommand(std::string(KOVA_SOURCE_DIR) + "/scripts/plot " + path + " 2>&1");
    EXPECT_NE(said.find("--vehicle NAME (OHV-1, OHV-2)"), std::string::npos) << said;
    ASSERT_EQ(plot("--vehicle OHV-2 " + path), 0);
    EXPECT_EQ(test::readFile(dir.file("fleet.png")).substr(0, 8), "\x89PNG\r\n\x1a\n");
}

}  // namespace
}  // namespace kova::record
