// --watch and --watch-log: a controller's status or log stream on standard output, until a stop
// signal or a closed pipe.
#include <algorithm>
#include <atomic>
#include <map>
#include <thread>

#include "base/TextCells.h"
#include "monitor/ValueConversion.h"
#include "net/Context.h"
#include "net/Subscription.h"
#include "protocol/Endpoints.h"
#include "shell/Shell.h"
#include "shell/ShellJson.h"

namespace kova {

namespace {

// How often a quiet watch looks whether its reader went away.
constexpr long kOutputCheckMs = 200;

using Handler = std::function<void(const ControllerAddress& vehicle, zmq::multipart_t& message)>;

// Every vehicle's stream on a thread of its own, each message handed to `handle`, until the run is
// stopped (the stop shuts the messaging context down, which ends every receive at once).
// `between` runs on the calling thread while the streams flow; it returns when the stop has come.
int followStreams(const ShellTarget& target, int offset, const char* label, ShellStop& stop,
                  const Handler& handle, const std::function<void()>& between,
                  const std::vector<std::string>& prefixes = {}) {
    std::vector<std::unique_ptr<Subscription>> subscriptions;
    for (const ControllerAddress& vehicle : target.vehicles) {
        const MessageLimits& limits =
            offset == protocol::kLogPortOffset ? kLogLimits : kStatusLimits;
        subscriptions.push_back(std::make_unique<Subscription>(messagingContext(), vehicle.endpoint(offset),
                                                               label, limits, prefixes));
        if (!subscriptions.back()->startError().empty()) {
            return shellRefuse(exit_status::kFailed, subscriptions.back()->startError());
        }
    }
    std::atomic<bool> running{true};
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < subscriptions.size(); ++i) {
        const ControllerAddress& vehicle = target.vehicles[i];
        threads.emplace_back([&, i] {
            subscriptions[i]->run(
                running, [&](zmq::multipart_t& message) { handle(vehicle, message); },
                [&vehicle](const std::string& text) {
                    std::fprintf(stderr, "kovaConsoleOHV: %s: %s\n", vehicle.name.c_str(), text.c_str());
                });
        });
    }
    between();
    running = false;
    stop.request();
    for (std::thread& thread : threads) {
        thread.join();
    }
    return exit_status::kOk;
}

// --every: the latest message of each object, handed out once a period when its values differ from
// those written last. Any thread.
class ChangedObjects {
public:
    void offer(const std::string& vehicle, const std::string& index, const std::string& values,
               std::string line) {
        std::lock_guard<std::mutex> lock(mutex_);
        Object& object = objects_[{vehicle, index}];
        if (values == object.written) {
            object.line.clear();  // back to what was written: nothing changed
        } else {
            object.values = values;
            object.line = std::move(line);
        }
    }

    std::vector<std::string> take() {
        std::vector<std::string> lines;
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& [key, object] : objects_) {
            if (!object.line.empty()) {
                lines.push_back(std::move(object.line));
                object.line.clear();
                object.written = object.values;
            }
        }
        return lines;
    }

private:
    struct Object {
        std::string written;  // the values of the line written last
        std::string values;   // the values of `line`
        std::string line;     // waiting to be written; empty when there is none
    };
    std::mutex mutex_;
    std::map<std::pair<std::string, std::string>, Object> objects_;  // by vehicle and index text
};

}  // namespace

int runWatch(const ShellOptions& options, const ShellTarget& target, ShellStop& stop, ShellOutput& out) {
    ChangedObjects changed;
    const Handler handle = [&](const ControllerAddress& vehicle, zmq::multipart_t& message) {
        const std::int64_t ns = record::RecordWriter::nowNs();
        if (target.recorder) {
            record::Frames frames;
            for (const zmq::message_t& frame : message) frames.push_back(frame.to_string());
            target.recorder->recordStatus(ns, std::move(frames));
        }
        if (message.size() < 2)
            return;
        const std::string indexText = message.popstr();
        const std::string valuesText = message.popstr();
        std::int32_t index = 0;
        if (!options.watchIndexes.empty() &&
            (!convertInt(indexText, index) ||
             std::find(options.watchIndexes.begin(), options.watchIndexes.end(), index) ==
                 options.watchIndexes.end())) {
            return;
        }
        std::string line =
            statusJson(ns, vehicle.name, indexText, valuesText, fieldsOfMessage(indexText, valuesText));
        if (options.everyMs == 0) {
            out.line(line);
            return;
        }
        changed.offer(vehicle.name, indexText, valuesText, std::move(line));
    };
    const auto between = [&] {
        if (options.everyMs == 0) {
            while (stop.sleep(kOutputCheckMs) && !out.checkClosed()) {
            }
            return;
        }
        while (stop.sleep(options.everyMs) && !out.checkClosed()) {
            for (const std::string& line : changed.take()) out.line(line);
        }
    };
    // The publisher sends only the objects asked for (and others whose index starts alike, which the
    // handler drops).
    std::vector<std::string> prefixes;
    for (int index : options.watchIndexes) {
        prefixes.push_back(std::to_string(index));
    }
    return followStreams(target, protocol::kStatusPortOffset, "Network status", stop, handle, between,
                         prefixes);
}

int runWatchLog(const ShellTarget& target, ShellStop& stop, ShellOutput& out) {
    std::atomic<std::int64_t> number{0};
    const bool named = target.vehicles.size() > 1;
    const Handler handle = [&](const ControllerAddress& vehicle, zmq::multipart_t& message) {
        for (const zmq::message_t& frame : message) {
            const std::string line = frame.to_string();
            if (target.recorder) {
                target.recorder->recordLog(record::RecordWriter::nowNs(), ++number, {line});
            }
            out.line((named ? vehicle.name + ": " : std::string()) + displayText(line));
        }
    };
    const auto between = [&] {
        while (stop.sleep(kOutputCheckMs) && !out.checkClosed()) {
        }
    };
    return followStreams(target, protocol::kLogPortOffset, "Network log", stop, handle, between);
}

}  // namespace kova
