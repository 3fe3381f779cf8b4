#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace spdlog {
class logger;
}

namespace kova {

// The controller's log lines kept on disk, so what scrolled out of the log window is not gone:
// log/<connection name>.log, one record per line received, "<receive time> <number> <line>" with the
// console's receive time (microseconds), the number the line has on screen and the line as data
// (control bytes escaped, so one record is one line). Rotated at 10 MiB with 5 older files kept,
// flushed once a second and when closed.
class ControllerLog {
public:
    static constexpr std::size_t kMaxBytes = 10 * 1024 * 1024;
    static constexpr std::size_t kKeptFiles = 5;

    ControllerLog() = default;
    ~ControllerLog();
    ControllerLog(const ControllerLog&) = delete;
    ControllerLog& operator=(const ControllerLog&) = delete;

    // "log/<name>.log" with the name made safe for a file name (anything but letters, digits, '.',
    // '-' and '_' becomes '_'); "log/controller.log" when there is no name. Pure.
    static std::string pathFor(const std::string& connectionName);

    // Opens (appending; the folder is made) the file for `connectionName`, closing any file opened
    // before. Returns why it cannot be written, or empty text. The thread that writes.
    std::string open(const std::string& connectionName);

    // Appends one received line. Does nothing when the file is not open. Any thread.
    void write(std::int64_t number, std::string_view line);

    // Writes what is buffered to the file now. Any thread.
    void flush();

private:
    std::shared_ptr<spdlog::logger> logger_;
};

}  // namespace kova
