#include "monitor/LinkState.h"

namespace kova {

LinkState LinkState::at(std::optional<std::chrono::steady_clock::time_point> newest,
                        std::chrono::steady_clock::time_point now) {
    LinkState state;
    if (!newest) {
        return state;
    }
    const auto age = now - *newest;
    if (age < kLiveFor) {
        state.kind = Kind::Live;
        return state;
    }
    state.kind = Kind::Silent;
    state.silentSeconds = static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(age).count());
    return state;
}

std::string LinkState::word() const {
    switch (kind) {
        case Kind::Waiting:
            return "waiting";
        case Kind::Live:
            return "live";
        case Kind::Paused:
            return "paused";
        case Kind::Silent:
            break;
    }
    return "silent " + std::to_string(silentSeconds) + "s";
}

}  // namespace kova
