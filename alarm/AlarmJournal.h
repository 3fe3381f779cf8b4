#pragma once

#include "alarm/AlarmBook.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kova {

// The journal file (log/alarms.db): every event as a row, and every alarm's present state, so an
// alarm left unacknowledged stays so after a restart. WAL and a short busy wait let two consoles on
// one folder share it. A write that fails is counted and its reason kept for the title; the book in
// memory stays whole either way, so the screen never depends on the file.
class AlarmJournal {
public:
    // Busy wait for a lock held by another console, kept short so a write never stalls the screen.
    static constexpr int kBusyWaitMs = 200;

    AlarmJournal();
    ~AlarmJournal();
    AlarmJournal(const AlarmJournal&) = delete;
    AlarmJournal& operator=(const AlarmJournal&) = delete;

    // Opens or creates the file and reads its alarms into book; false (and error()) when it cannot.
    bool open(const std::string& path, AlarmBook& book);
    bool isOpen() const;

    // Writes one event and the alarm it moved; false when the write failed.
    bool record(const AlarmEvent& event, const Alarm& alarm);
    // Writes an acknowledgement of alarm by its operator.
    bool recordAck(const Alarm& alarm);

    // The first id no alarm in the file has (0 when the file cannot say): two consoles on one file
    // never give two alarms one id.
    std::int64_t nextFreeId();

    // Why the last open or write failed, empty while all is well.
    const std::string& error() const { return error_; }
    std::uint64_t failedWrites() const { return failedWrites_; }

private:
    bool write(const char* what, const AlarmEvent& event, const Alarm& alarm);

    struct Files;
    std::unique_ptr<Files> files_;
    std::string error_;
    std::uint64_t failedWrites_ = 0;
};

}  // namespace kova
