// The one vehicle's alarms: the journal opened at start, events taken at every redraw, the commands
// alarms, ack, ack all and log, and the journal shown in the log window.
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

}  // namespace

void ConsoleApp::setUpAlarms(const ControllerAddress& controller) {
    alarms_ = std::make_unique<AlarmWatch>();
    alarmVehicle_ = controller.name.empty() ? "controller" : controller.name;
    operator_ = operatorFrom(settings_.operatorName);
    command.onLocalLine([this](const std::string& line) { return alarmCommand(line); });
}

std::string ConsoleApp::alarmTitle() const {
    return alarms_ ? alarms_->titleText(alarmVehicle_, nowMs()) : std::string();
}

MonitorWindow::Beside ConsoleApp::withAlarms(MonitorWindow::Beside beside) const {
    const std::string alarms = alarmTitle();
    if (alarms.empty()) {
        return beside;
    }
    beside.text = alarms + (beside.text.empty() ? "" : "  ") + beside.text;
    beside.alert = beside.alert || alarms_->counts(alarmVehicle_).unacked > 0;
    return beside;
}

void ConsoleApp::watchAlarms() {
    if (!alarms_) {
        return;
    }
    const StatusRecord record = monitor.status().snapshot();
    const LinkState link = LinkState::at(monitor.status().newestArrival(), std::chrono::steady_clock::now());
    const std::vector<AlarmEvent> events = alarms_->observe(alarmVehicle_, record, link, nowMs());
    if (!events.empty() && alarmsShown_) {
        showAlarms();
    }
}

bool ConsoleApp::alarmCommand(const std::string& line) {
    const std::size_t from = line.find_first_not_of(' ');
    const std::size_t to = line.find_last_not_of(' ');
    const std::string words = from == std::string::npos ? "" : line.substr(from, to - from + 1);
    if (words == "alarms") {
        alarmsShown_ = true;
        alarmSelected_ = 0;
        showAlarms();
        return true;
    }
    if (words == "log" && alarmsShown_) {
        alarmsShown_ = false;
        log.takeKey(27);
        return true;
    }
    if (words != "ack" && words != "ack all") {
        return false;
    }
    std::string said;
    if (words == "ack all") {
        said = alarms_->ackAll(alarmVehicle_, operator_, nowMs());
    } else {
        const std::vector<Alarm> journal = alarms_->journal(alarmVehicle_);
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
        alarmsShown_ = false;
        return false;  // the log window takes it and shows the log again
    }
    if (key != KEY_UP && key != KEY_DOWN) {
        return false;  // typed into the line; the journal stays
    }
    const int count = static_cast<int>(alarms_->journal(alarmVehicle_).size());
    const int row = alarmSelected_ + (key == KEY_DOWN ? 1 : -1);
    alarmSelected_ = std::max(0, std::min(row, count - 1));
    showAlarms();
    return true;
}

void ConsoleApp::showAlarms() {
    const std::vector<Alarm> journal = alarms_->journal(alarmVehicle_);
    const int selected = alarmSelected_;
    // The rows shown are those of the selected row's page; unacknowledged alarms stand out.
    auto firstShown = std::make_shared<int>(0);
    log.showInBody(
        [journal, selected, firstShown](int bodyRows, int bodyCols) {
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
                std::string row = (i == selected ? "> " : "  ") + alarmLine(alarm);
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
