#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace spdlog {
class logger;
}

namespace kova::sim {

// The simulator's own record of what it did, in a file (never the terminal: it runs in the
// background of the console). Records look like "2024-05-01 12:00:00.123 [info] text". The file is
// appended to and rotated at `maxBytes`, one older file ("<name>.1.<ext>") kept; every record is
// flushed as it is written. The logger is the simulator's own: it is neither registered with
// spdlog nor made its default, so the console's logger, in the same process in tests, is left
// alone. Thread-safe.
class ActivityLog {
public:
    // Opens the file, creating its folder if needed. Throws spdlog::spdlog_ex (a std::exception)
    // when the file cannot be opened.
    explicit ActivityLog(std::string path, std::size_t maxBytes = 1 << 20);
    ~ActivityLog();
    ActivityLog(const ActivityLog&) = delete;
    ActivityLog& operator=(const ActivityLog&) = delete;

    void info(const std::string& text);
    void error(const std::string& text);

    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::shared_ptr<spdlog::logger> logger_;
};

}  // namespace kova::sim
