#include "sim/ActivityLog.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <stdexcept>

namespace kova::sim {

namespace {

std::string timestamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[40];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(text + length, sizeof text - length, ".%03d", static_cast<int>(millis));
    return text;
}

}  // namespace

ActivityLog::ActivityLog(std::string path, std::size_t maxBytes)
    : path_(std::move(path)), maxBytes_(maxBytes) {
    const auto folder = std::filesystem::path(path_).parent_path();
    std::error_code ignored;
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, ignored);
    }
    open();
}

void ActivityLog::open() {
    file_.open(path_, std::ios::app);
    if (!file_) {
        throw std::runtime_error("cannot open log file " + path_);
    }
}

void ActivityLog::write(const char* level, const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::error_code ignored;
    const auto size = std::filesystem::file_size(path_, ignored);
    if (!ignored && size >= maxBytes_) {
        file_.close();
        std::filesystem::rename(path_, path_ + ".1", ignored);
        file_.clear();
        file_.open(path_, std::ios::app);
    }
    file_ << timestamp() << " [" << level << "] " << text << '\n';
    file_.flush();
}

}  // namespace kova::sim
