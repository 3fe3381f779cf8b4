// The console recording what it receives and sends, and the console playing a recording back.
#include <cstdio>

#include "app/ConsoleApp.h"
#include "app/ScreenLayout.h"
#include "base/OperationLog.h"
#include "base/TextCells.h"
#include "command/SentRecord.h"
#include "ui/Screen.h"

namespace kova {

using namespace layout;

namespace {

constexpr const char* kReplayKeys =
    "replay: Space pause/resume  + faster  - slower  Right/Left 10 s on/back  q end  PgUp/PgDn log  "
    "or type find, filter, help";
constexpr const char* kNoControllerText = "replay: no controller to send to; find, filter and help work here";

record::Frames framesOf(const zmq::multipart_t& message) {
    record::Frames frames;
    frames.reserve(message.size());
    for (const zmq::message_t& frame : message) {
        frames.push_back(frame.to_string());
    }
    return frames;
}

// Room the recorder's error text may take in the title, in columns.
constexpr int kRecordErrorColumns = 44;

std::string megabytes(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    return text;
}

// `text` as the screen shows it, cut to `columns` with "..." when longer.
std::string fittedText(const std::string& text, int columns) {
    if (displayWidth(text) <= columns) {
        return displayText(text);
    }
    return fitColumns(text, columns - 3, false) + "...";
}

MonitorWindow::Beside recorderTitle(const record::RecordWriter& recorder) {
    if (recorder.failing()) {
        return {"rec FAILING: " + fittedText(recorder.lastError(), kRecordErrorColumns), true};
    }
    if (std::string log = logWriteFailure(); !log.empty()) {
        return {fittedText(log, kRecordErrorColumns + 13), true};
    }
    if (const std::uint64_t dropped = recorder.droppedCount()) {
        return {"rec: " + std::to_string(dropped) + " dropped", true};
    }
    // The WAL is folded into the file at close: the recording will be about the sum of the two.
    std::string text = "rec " + megabytes(recorder.fileBytes());
    if (const std::uint64_t wal = recorder.walBytes()) {
        text += " + WAL " + megabytes(wal);
    }
    return {text, false};
}

}  // namespace

void ConsoleApp::connectRecorder() {
    std::shared_ptr<record::RecordWriter> recorder = settings_.recorder;
    // In a flood the queue fills up: the messages it would drop are not even copied.
    auto recordStatus = [recorder](const zmq::multipart_t& message, std::int32_t vehicle) {
        const std::int64_t ns = record::RecordWriter::nowNs();
        if (recorder->hasRoom()) {
            recorder->recordStatus(ns, framesOf(message), vehicle);
        } else {
            recorder->dropStatus(ns);
        }
    };
    if (fleet_) {
        // Every vehicle's stream as received, each row naming its vehicle (its index in the session).
        fleet_->onReceived([recordStatus](std::size_t vehicle, const zmq::multipart_t& message) {
            recordStatus(message, static_cast<std::int32_t>(vehicle));
        });
    } else {
        monitor.onReceived([recordStatus](const zmq::multipart_t& message) { recordStatus(message, -1); });
    }
    // The log lines and requests are the open vehicle's (-1 outside a fleet).
    log.onReceived([this, recorder](std::int64_t number, const std::string& line) {
        recorder->recordLog(record::RecordWriter::nowNs(), number, {line}, openVehicle_.load());
    });
    command.onSent([this, recorder](const CommandRunner::Sent& sent) {
        recordSent(*recorder, sent, openVehicle_.load());
    });
    recorder->onWriteState([](bool failing, const std::string& text) {
        if (failing) {
            oplog::error("recording fails: {}", text);
        } else {
            oplog::info("recording writes again ({} messages lost meanwhile, marked as gaps)", text);
        }
    });
    monitor.showBeside([this, recorder] { return withAlarms(recorderTitle(*recorder)); });
}

void ConsoleApp::setUpReplay() {
    replayer_ = std::make_unique<Replayer>(settings_.replay, settings_.replaySession, settings_.speed, log, command);
    replayerToWake_.store(replayer_.get(), std::memory_order_release);
    if (!settings_.vehicle.empty()) {
        replayer_->playAlone(settings_.vehicle);  // the reader walks that vehicle's rows only
    }
    const ControllerAddress recorded = replayer_->recordedController();
    monitor.create(cols, kMonitorTop, kMonitorHeight);
    monitor.show(replayer_->store(), recorded);
    monitor.showBeside([this] { return MonitorWindow::Beside{replayer_->titleText(), false}; });
    monitor.linkFrom([this] { return replayer_->linkState(); });
    log.create(cols, kLogTop, kLogHeight);
    command.create(cols, kCommandTop, kCommandHeight, recorded);
    command.refuseRequests(kNoControllerText);
    // First which session plays and anything about how the file was read; the keys after that.
    const std::string& notice = settings_.replay->notice();
    command.showText(displayText(replayer_->sessionText() + (notice.empty() ? "" : "; " + notice)) + "; " +
                     kReplayKeys);
    monitor.draw();
    log.draw();
    command.draw();
    if (replayer_->fleet()) {
        setUpFleetReplay();
    }
}

bool ConsoleApp::replayKey(int key, bool lineEmpty) {
    if (lineEmpty) {
        switch (replayer_->takeKey(key)) {
            case Replayer::Key::Quit:
                requestStop();
                return true;
            case Replayer::Key::Taken:
                return true;
            case Replayer::Key::NotMine:
                break;
        }
    }
    if (fleetShown_) {
        if (const FleetKey asked = fleetWindow_.takeKey(key); asked.action == FleetKey::Action::Open) {
            setAlarmVehicle(fleetVehicleName(asked.vehicle));
            openReplayedVehicle(asked.vehicle);
        } else if (asked.action == FleetKey::Action::Journal) {
            showFleetJournal();
        }
        return true;
    }
    return log.takeKey(key);
}

}  // namespace kova
