#include "logview/ControllerLog.h"

#include "base/OperationLog.h"

#include <atomic>
#include <memory>

#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/spdlog.h>

#include "base/Utf8.h"

namespace kova {

ControllerLog::~ControllerLog() {
    if (logger_) {
        logger_->flush();
        spdlog::drop(logger_->name());
    }
}

std::string ControllerLog::pathFor(const std::string& connectionName) {
    std::string safe;
    for (const char c : connectionName) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '.' || c == '-' || c == '_';
        safe += plain ? c : '_';
    }
    if (safe.empty() || safe.find_first_not_of('.') == std::string::npos) {
        safe = "controller";  // no name, or one that would name a folder
    }
    return "log/" + safe + ".log";
}

std::string ControllerLog::open(const std::string& connectionName) {
    static std::atomic<unsigned> serial{0};
    if (logger_) {
        logger_->flush();
        spdlog::drop(logger_->name());
        logger_.reset();
    }
    const std::string path = pathFor(connectionName);
    try {
        auto sink =
            std::make_shared<spdlog::sinks::rotating_file_sink_mt>(path, kMaxBytes, kKeptFiles, false);
        auto logger = std::make_shared<spdlog::logger>("controller-log-" + std::to_string(serial++), sink);
        logger->set_formatter(std::make_unique<spdlog::pattern_formatter>("%Y-%m-%d %T.%f %v"));
        logger->set_level(spdlog::level::info);
        watchLogErrors(*logger);
        // Registered, so the library's flusher writes it out once a second with the operation log.
        spdlog::register_logger(logger);
        logger_ = std::move(logger);
    } catch (const spdlog::spdlog_ex& e) {
        return "controller log " + path + " cannot be written: " + e.what();
    }
    return {};
}

void ControllerLog::write(std::uint32_t number, std::string_view line) {
    if (logger_) {
        logger_->info("{} {}", number, escapeText(line));
    }
}

void ControllerLog::flush() {
    if (logger_) {
        logger_->flush();
    }
}

}  // namespace kova
