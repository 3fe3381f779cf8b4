// The console recording what it receives and sends, and the console playing a recording back.
#include <cstdio>

#include "app/ConsoleApp.h"
#include "app/ScreenLayout.h"
#include "base/TextCells.h"
#include "ui/Screen.h"

namespace kova {

using namespace layout;

namespace {

constexpr const char* kReplayKeys =
    "replay: Space pause/resume  + faster  - slower  Right/Left 10 s on/back  q end  PgUp/PgDn log";

record::Frames framesOf(const zmq::multipart_t& message) {
    record::Frames frames;
    frames.reserve(message.size());
    for (const zmq::message_t& frame : message) {
        frames.push_back(frame.to_string());
    }
    return frames;
}

record::RequestOutcome outcomeOf(const ExchangeResult& result) {
    switch (result.status) {
        case ExchangeStatus::Replied:
            return record::RequestOutcome::replied();
        case ExchangeStatus::NoResponse:
            return record::RequestOutcome::noResponse();
        default:
            return record::RequestOutcome::error(result.text);
    }
}

}  // namespace

void ConsoleApp::connectRecorder() {
    std::shared_ptr<record::RecordWriter> recorder = settings_.recorder;
    monitor.onReceived([recorder](const zmq::multipart_t& message) {
        // In a flood the queue fills up: the messages it would drop are not even copied.
        const std::int64_t ns = record::RecordWriter::nowNs();
        if (recorder->hasRoom()) {
            recorder->recordStatus(ns, framesOf(message));
        } else {
            recorder->dropStatus(ns);
        }
    });
    log.onReceived([recorder](std::int64_t number, const std::string& line) {
        recorder->recordLog(record::RecordWriter::nowNs(), number, {line});
    });
    command.onSent([recorder](const CommandRunner::Sent& sent) {
        recorder->recordRequest(sent.sentNs, sent.verb, sent.body, sent.endedNs, outcomeOf(*sent.result),
                                sent.result->frames);
    });
    monitor.showBeside([this, recorder] {
        const std::string alarms = alarmTitle();
        const std::string gap = alarms.empty() ? "" : "  ";
        if (const std::uint64_t dropped = recorder->droppedCount()) {
            return MonitorWindow::Beside{alarms + gap + "rec: " + std::to_string(dropped) + " dropped", true};
        }
        char size[32];
        std::snprintf(size, sizeof size, "rec %.1f MB", static_cast<double>(recorder->fileBytes()) / 1e6);
        return MonitorWindow::Beside{alarms + gap + size, !alarms.empty()};
    });
}

void ConsoleApp::setUpReplay() {
    replayer_ = std::make_unique<Replayer>(settings_.replay, settings_.replaySession, settings_.speed, log, command);
    const ControllerAddress recorded = replayer_->recordedController();
    monitor.create(cols, kMonitorTop, kMonitorHeight);
    monitor.show(replayer_->store(), recorded);
    monitor.showBeside([this] { return MonitorWindow::Beside{replayer_->titleText(), false}; });
    monitor.linkFrom([this] { return replayer_->linkState(); });
    log.create(cols, kLogTop, kLogHeight);
    command.create(cols, kCommandTop, kCommandHeight, recorded);
    // First which session plays and anything about how the file was read; any other key shows the keys.
    const std::string& notice = settings_.replay->notice();
    command.showText(displayText(replayer_->sessionText() + (notice.empty() ? "" : "; " + notice)));
    monitor.draw();
    log.draw();
    command.draw();
}

bool ConsoleApp::replayKey(int key) {
    switch (replayer_->takeKey(key)) {
        case Replayer::Key::Quit:
            requestStop();
            break;
        case Replayer::Key::Taken:
            break;
        case Replayer::Key::NotMine:
            if (!log.takeKey(key)) {
                command.showText(kReplayKeys);
                command.draw();
            }
            break;
    }
    return true;
}

}  // namespace kova
