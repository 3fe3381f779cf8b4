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

std::string ControllerLog::fileStemFor(const std::string& connectionName) {
    if (connectionName.empty()) {
        return "controller";
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string stem;
    for (std::size_t i = 0; i < connectionName.size(); ++i) {
        const char c = connectionName[i];
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '-' || c == '_' || (c == '.' && i > 0);
        if (plain) {
            stem += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            stem += '%';
            stem += kHex[byte >> 4];
            stem += kHex[byte & 0x0F];
        }
    }
    // Rotation turns "<stem>.log" into "<stem>.<n>.log" for n up to kKeptFiles.
    const std::size_t limit =
        kMaxFileName - std::string(".log").size() - 1 - std::to_string(kKeptFiles).size();
    if (stem.size() <= limit) {
        return stem;
    }
    // FNV-1a of the whole name: the cut part alone would let long names that differ late collide.
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : connectionName) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    }
    std::string tail = "~";
    for (int shift = 60; shift >= 0; shift -= 4) {
        tail += kHex[(hash >> shift) & 0x0F];
    }
    std::size_t cut = limit - tail.size();
    // Never inside a %XX.
    if (stem[cut - 1] == '%') {
        cut -= 1;
    } else if (stem[cut - 2] == '%') {
        cut -= 2;
    }
    return stem.substr(0, cut) + tail;
}

std::string ControllerLog::pathFor(const std::string& connectionName) {
    return "log/" + fileStemFor(connectionName) + ".log";
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

void ControllerLog::write(std::int64_t number, std::string_view line) {
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
