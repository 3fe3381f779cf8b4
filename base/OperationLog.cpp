#include "base/OperationLog.h"

#include <chrono>
#include <memory>

#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/rotating_file_sink.h>

namespace kova {

void setupOperationLog() {
    spdlog::flush_every(std::chrono::seconds(1));
    spdlog::drop_all();
    auto logger = spdlog::rotating_logger_mt("filelog", kOperationLogPath, kOperationLogMaxBytes,
                                             kOperationLogKeptFiles, false);
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
