#pragma once

namespace kova::layout {

// Window rows: the banner over rows 7-16; monitor 0-15, log 16-23, command title 24 and input from 25
// down; the fleet table over the whole screen.
constexpr int kIntroTop = 7;
constexpr int kIntroHeight = 10;
constexpr int kMonitorTop = 0;
constexpr int kMonitorHeight = 16;
constexpr int kLogTop = 16;
constexpr int kLogHeight = 8;
constexpr int kCommandTop = 24;
constexpr int kCommandHeight = 1;

}  // namespace kova::layout
