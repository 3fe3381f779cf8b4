#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace kova {

// How current a controller's status stream is: no message yet, the newest under 2 s old, or silent
// for some whole seconds; a replay standing still is paused. Operators read a monitor's values as
// the vehicle's state only while live.
struct LinkState {
    enum class Kind { Waiting, Live, Silent, Paused };

    static constexpr std::chrono::seconds kLiveFor{2};

    Kind kind = Kind::Waiting;
    long silentSeconds = 0;  // whole seconds since the newest message, while Silent

    // The state at `now` for a stream whose newest message came at `newest` (nothing yet: none).
    static LinkState at(std::optional<std::chrono::steady_clock::time_point> newest,
                        std::chrono::steady_clock::time_point now);

    // "waiting", "live", "silent 7s" or "paused": the words of the monitor title and the fleet table.
    std::string word() const;
};

}  // namespace kova
