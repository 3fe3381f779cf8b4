#include "sim/ActivityLog.h"

#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/spdlog.h>

namespace kova::sim {

ActivityLog::ActivityLog(std::string path, std::size_t maxBytes) : path_(std::move(path)) {
    auto sink = std::make_shared<spdlog::sinks::rotating_file_sink_mt>(path_, maxBytes, 1);
    logger_ = std::make_shared<spdlog::logger>("kovaSimOHV", std::move(sink));
    logger_->set_pattern("%Y-%m-%d %T.%e [%l] %v");
    logger_->set_level(spdlog::level::info);
    // Each record reaches the file at once: tests and the operator read it while the simulator runs.
    logger_->flush_on(spdlog::level::info);
}

ActivityLog::~ActivityLog() {
    logger_->flush();
}

// Texts go in as they are, never as format strings: request bodies may hold braces.
void ActivityLog::info(const std::string& text) {
    logger_->log(spdlog::level::info, spdlog::string_view_t(text));
}

void ActivityLog::error(const std::string& text) {
    logger_->log(spdlog::level::err, spdlog::string_view_t(text));
}

}  // namespace kova::sim
