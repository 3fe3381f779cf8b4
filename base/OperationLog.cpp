#include "base/OperationLog.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>

#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/rotating_file_sink.h>

namespace kova {

namespace {

std::atomic<std::uint64_t> failures{0};
std::mutex firstMutex;
std::string firstFailure;

}  // namespace

void watchLogErrors(spdlog::logger& logger) {
    logger.set_error_handler([](const std::string& reason) {
        if (failures.fetch_add(1) == 0) {
            std::lock_guard<std::mutex> lock(firstMutex);
            firstFailure = "log write failed: " + reason;
        }
    });
}

std::string logWriteFailure() {
    std::lock_guard<std::mutex> lock(firstMutex);
    return firstFailure;
}

std::uint64_t logWriteFailures() {
    return failures.load();
}

void setupOperationLog() {
    spdlog::flush_every(std::chrono::seconds(1));
    spdlog::drop_all();
    auto logger = spdlog::rotating_logger_mt("filelog", kOperationLogPath, kOperationLogMaxBytes,
                                             kOperationLogKeptFiles, false);
    watchLogErrors(*logger);
    logger->set_level(spdlog::level::info);
    logger->set_formatter(std::make_unique<spdlog::pattern_formatter>(
        "%Y-%m-%d %T.%e [%l] %v", spdlog::pattern_time_type::local, std::string("\r\n")));
    spdlog::set_default_logger(logger);
}

namespace oplog {

void flush() {
    if (auto* logger = spdlog::default_logger_raw()) {
        logger->flush();
    }
}

}  // namespace oplog
}  // namespace kova
