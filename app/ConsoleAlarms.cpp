// Alarms of the vehicle shown: the journal opened at start, events from every status message the
// monitor receives (or the replay plays), the link watched at every redraw, the commands alarms,
// ack, ack all and log, and the journal shown in the log window.
#include <chrono>
#include <cstdlib>
#include <memory>

#include "app/ConsoleApp.h"
#include "base/OperationLog.h"
#include "base/TextCells.h"
#include "base/Utf8.h"
#include "ui/Screen.h"

namespace kova {

namespace {

std::int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string operatorFrom(const std::string& given) {
    if (!given.empty()) {
        return given;
    }
    const char* user = std::getenv("USER");
    return user != nullptr && *user != '\0' ? user : "unknown";
}

constexpr const char* kReplayAckText = "Replay: alarms are acknowledged only live, not in a replay";

}  // namespace

void ConsoleApp::setUpAlarms(const ControllerAddress& controller) {
    alarms_ = std::make_unique<AlarmWatch>();
    alarms_->startWriter(std::chrono::milliseconds(kRedrawIntervalMs));
    setAlarmVehicle(controller.name.empty() ? "controller" : controller.name);
    operator_ = operatorFrom(settings_.operatorName);
    command.onLocalLine([this](const std::string& line) { return alarmCommand(line); });
    monitor.onReceived([this](const zmq::multipart_t& message) {
        if (message.size() >= 2) {
            alarms_->observeMessage(alarmVehicle(), message[0].to_string_view(), message[1].to_string_view(),
                                    monitor.status(), nowMs());
        }
    });
    if (!alarms_->movedAside().empty()) {
        oplog::error("alarm journal damaged: moved aside to {}, a fresh one started", alarms_->movedAside());
    }
}

void ConsoleApp::setUpReplayAlarms() {
    // Rebuilt from the recorded stream as of the replay clock, in memory only.
    alarms_ = std::make_unique<AlarmWatch>("");
    const ControllerAddress recorded = replayer_->recordedController();
    setAlarmVehicle(recorded.name.empty() ? "controller" : recorded.name);
    operator_ = operatorFrom(settings_.operatorName);
    command.onLocalLine([this](const std::string& line) { return alarmCommand(line); });
    if (replayer_->fleet()) {
        setUpFleetReplayAlarms();
        return;
    }
    auto newestNs = std::make_shared<std::int64_t>(0);
    replayer_->onStatusPlayed([this, newestNs](std::int64_t ns, const record::Frames& frames) {
        const std::string vehicle = alarmVehicle();
        if (ns < *newestNs) {
            alarms_->restart();  // played again from the start up to the new position
        }
        const std::int64_t liveNs = std::chrono::nanoseconds(LinkState::kLiveFor).count();
        if (*newestNs != 0 && ns - *newestNs >= liveNs) {
            // Nothing recorded for longer than the link stays live: silent then, live again now.
            alarms_->observeLink(vehicle, true, replayer_->store(), (*newestNs + liveNs) / 1'000'000);
            alarms_->observeLink(vehicle, false, replayer_->store(), ns / 1'000'000);
        }
        *newestNs = ns;
        if (frames.size() >= 2) {
            alarms_->observeMessage(vehicle, frames[0], frames[1], replayer_->store(), ns / 1'000'000);
        }
    });
}

std::string ConsoleApp::alarmScope() const {
    std::lock_guard<std::mutex> lock(alarmScopeMutex_);
    return fleetJournal_ ? std::string() : alarmVehicle_;
}

std::string ConsoleApp::alarmVehicle() const {
    std::lock_guard<std::mutex> lock(alarmScopeMutex_);
    return alarmVehicle_;
}

void ConsoleApp::setAlarmVehicle(const std::string& vehicle) {
    std::lock_guard<std::mutex> lock(alarmScopeMutex_);
    alarmVehicle_ = vehicle;
}

std::string ConsoleApp::alarmTitle() const {
    if (!alarms_) {
        return {};
    }
    return alarms_->titleText(alarmScope(), nowMs());
}

MonitorWindow::Beside ConsoleApp::withAlarms(MonitorWindow::Beside beside) const {
    const std::string alarms = alarmTitle();
    if (alarms.empty()) {
        return beside;
    }
    beside.text = alarms + (beside.text.empty() ? "" : "  ") + beside.text;
    beside.alert = beside.alert || alarms_->counts(alarmScope()).unacked > 0 || !alarms_->fileError().empty();
    return beside;
}

void ConsoleApp::watchAlarms() {
    if (!alarms_) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (fleet_) {
        for (std::size_t i = 0; i < fleet_->size(); ++i) {
            StatusStore& store = fleet_->store(i);
            const bool silent = LinkState::at(store.newestArrival(), now).kind == LinkState::Kind::Silent;
            alarms_->observeLink(fleetVehicleName(i), silent, store, nowMs());
        }
    } else if (!replayer_) {
        const bool silent =
            LinkState::at(monitor.status().newestArrival(), now).kind == LinkState::Kind::Silent;
        alarms_->observeLink(alarmVehicle(), silent, monitor.status(), nowMs());
    }
    if (alarmsShown_ && alarms_->changes() != alarmsDrawn_) {
        showAlarms();
    }
}

bool ConsoleApp::alarmCommand(const std::string& line) {
    const std::size_t from = line.find_first_not_of(' ');
    const std::size_t to = line.find_last_not_of(' ');
    const std::string words = from == std::string::npos ? "" : line.substr(from, to - from + 1);
    if (words == "alarms") {
        fleetJournal_ = false;
        alarmsShown_ = true;
        alarmSelected_ = 0;
        showAlarms();
        return true;
    }
    if (words == "log" && alarmsShown_) {
        alarmsShown_ = false;
        fleetJournal_ = false;
        log.takeKey(27);
        return true;
    }
    if (words != "ack" && words != "ack all") {
        return false;
    }
    std::string said;
    if (replayer_) {
        said = kReplayAckText;
    } else if (words == "ack all") {
        said = alarms_->ackAll(alarmScope(), operator_, nowMs());
    } else {
        const std::vector<Alarm> journal = alarms_->journal(alarmScope());
        const std::size_t row = static_cast<std::size_t>(alarmSelected_.load());
        said = !alarmsShown_ || row >= journal.size() ? std::string("Nothing to acknowledge")
                                                      : alarms_->ack(journal[row].id, operator_, nowMs());
    }
    oplog::info("alarm {} -> {}", escapeText(words), escapeText(said));
    command.showText(said);
    if (alarmsShown_) {
        showAlarms();
    }
    return true;
}

bool ConsoleApp::alarmKey(int key) {
    if (!alarmsShown_) {
        return false;
    }
    if (key == 27) {
        if (fleetJournal_) {
            leaveFleetJournal();
            return true;
        }
        alarmsShown_ = false;
        return false;  // the log window takes it and shows the log again
    }
    if (key != KEY_UP && key != KEY_DOWN) {
        return false;  // typed into the line; the journal stays
    }
    const int count = static_cast<int>(alarms_->journal(alarmScope()).size());
    const int row = alarmSelected_ + (key == KEY_DOWN ? 1 : -1);
    alarmSelected_ = std::max(0, std::min(row, count - 1));
    showAlarms();
    return true;
}

void ConsoleApp::showAlarms() {
    alarmsDrawn_ = alarms_->changes();
    const std::vector<Alarm> journal = alarms_->journal(alarmScope());
    const int selected = alarmSelected_;
    const bool withVehicle = fleetJournal_;
    // The rows shown are those of the selected row's page; unacknowledged alarms stand out.
    auto firstShown = std::make_shared<int>(0);
    log.showInBody(
        [journal, selected, firstShown, withVehicle](int bodyRows, int bodyCols) {
            std::vector<std::string> rows;
            if (journal.empty()) {
                rows.push_back("No alarms");
            }
            // The selected row stays on screen: the page that holds it.
            const int page = std::max(1, bodyRows);
            const int first = selected / page * page;
            *firstShown = first;
            for (int i = first; i < static_cast<int>(journal.size()) && i < first + page; ++i) {
                const Alarm& alarm = journal[static_cast<std::size_t>(i)];
                std::string row = (i == selected ? "> " : "  ") + alarmLine(alarm, withVehicle);
                rows.push_back(fitColumns(row, bodyCols, false));
            }
            return rows;
        },
        [journal, firstShown](std::size_t row) {
            const std::size_t at = static_cast<std::size_t>(*firstShown) + row;
            return at < journal.size() && !journal[at].acked();
        });
}

}  // namespace kova
