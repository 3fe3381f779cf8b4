#pragma once

#include <cstdint>
#include <string>

#include <spdlog/spdlog.h>

namespace kova {

// Path of the console's own operation log, relative to the working directory.
constexpr const char* kOperationLogPath = "log/kovaConsole.log";
constexpr std::size_t kOperationLogMaxBytes = 1048576;
constexpr std::size_t kOperationLogKeptFiles = 1;

// Sets up the rotating operation log "filelog" as the default logger: appended, rotated at 1 MiB
// with one older file, pattern "%Y-%m-%d %T.%e [%l] %v" in local time, CR LF line ends, flushed once
// a second. Throws spdlog::spdlog_ex when the file cannot be opened; there is then no default logger.
// Main thread, once, before the screen starts.
void setupOperationLog();

// Replaces spdlog's own error handler (which prints onto the terminal, over the screen) on `logger`:
// a failed write is counted, and the first reason kept for logWriteFailure(). Any thread.
void watchLogErrors(spdlog::logger& logger);
// Any thread: "log write failed: <reason>" once a write of a watched log failed, else empty.
std::string logWriteFailure();
// Any thread: failed writes of the watched logs so far.
std::uint64_t logWriteFailures();

namespace oplog {

// Records of the operation log. When the set-up failed there is no logger, and the record is
// dropped instead of dereferencing a missing one.
template <typename... Args>
void info(spdlog::format_string_t<Args...> format, Args&&... args) {
    if (auto* logger = spdlog::default_logger_raw()) {
        logger->info(format, std::forward<Args>(args)...);
    }
}

template <typename... Args>
void error(spdlog::format_string_t<Args...> format, Args&&... args) {
    if (auto* logger = spdlog::default_logger_raw()) {
        logger->error(format, std::forward<Args>(args)...);
    }
}

// Writes buffered records to the file now.
void flush();

}  // namespace oplog
}  // namespace kova
