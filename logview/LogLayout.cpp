#include "logview/LogLayout.h"

namespace kova {

namespace {
constexpr std::size_t kBytesPerRow = 80;
}

LogLinePlacement placeLogLine(std::uint32_t number, const std::string& line, int bodyRows, int cols) {
    LogLinePlacement placement;
    placement.text = std::to_string(number) + " " + line;
    const std::size_t rowsNeeded = placement.text.size() / kBytesPerRow + 1;
    const int rows = bodyRows > 0 ? bodyRows : 0;
    if (rowsNeeded <= static_cast<std::size_t>(rows)) {
        placement.scrollRows = static_cast<int>(rowsNeeded);
        placement.startRow = rows - placement.scrollRows;
        return placement;
    }
    placement.scrollRows = rows;
    placement.startRow = 0;
    const std::size_t room = static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols > 0 ? cols : 0);
    if (placement.text.size() > room) {
        placement.text.resize(room);
    }
    return placement;
}

}  // namespace kova
