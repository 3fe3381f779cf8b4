#pragma once

#include <fstream>
#include <mutex>
#include <string>

namespace kova::sim {

// The simulator's own record of what it did, in a file (never the terminal: it runs in the
// background of the console). Lines look like "2024-05-01 12:00:00.123 [info] text". The file is
// appended to and rotated at `maxBytes`, one older file ("<path>.1") kept. Thread-safe.
class ActivityLog {
  public:
    // Opens (creating the folder if needed). Throws std::runtime_error when the file cannot be opened.
    explicit ActivityLog(std::string path, std::size_t maxBytes = 1 << 20);

    void info(const std::string& text) { write("info", text); }
    void error(const std::string& text) { write("error", text); }

    const std::string& path() const { return path_; }

  private:
    void write(const char* level, const std::string& text);
    void open();

    std::string path_;
    std::size_t maxBytes_;
    std::mutex mutex_;
    std::ofstream file_;
};

}  // namespace kova::sim
