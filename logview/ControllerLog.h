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

    // The longest file name (bytes) the file systems the console runs on take (NAME_MAX).
    static constexpr std::size_t kMaxFileName = 255;

    // "log/<name>.log" with the connection name written one-to-one as a file name, so two
    // connections never share a file and a file's name tells whose it is: letters, digits, '-', '_'
    // and '.' stay as they are (except a leading '.', which would hide the file or name a folder),
    // every other byte becomes %XX (upper-case hex, '%' itself included). A name too long for the
    // file system, counting the ".<n>" that rotation adds, is cut and ends in '~' and a hash of the
    // whole name ('~' never appears otherwise, so a cut name never meets an uncut one).
    // "log/controller.log" when there is no name. Pure.
    static std::string pathFor(const std::string& connectionName);
    // The part between "log/" and ".log". Pure.
    static std::string fileStemFor(const std::string& connectionName);

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
