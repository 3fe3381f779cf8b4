// Template part of LogLayout.h.
#pragma once

namespace kova {

template <class Entries>
std::vector<std::string> renderLogBody(const Entries& entries, int bodyRows, int cols, std::size_t skipRows) {
    return renderMarkedLogBody(entries, bodyRows, cols, skipRows,
                               [](const std::string&) { return std::vector<MatchSpan>{}; })
        .rows;
}

template <class Entries, class SpansOf>
LogBody renderMarkedLogBody(const Entries& entries, int bodyRows, int cols, std::size_t skipRows,
                            const SpansOf& spansOf) {
    LogBody result;
    std::vector<std::string>& body = result.rows;
    body.resize(static_cast<std::size_t>(bodyRows > 0 ? bodyRows : 0));
    // Filled from the bottom: `bottom` is the row below the next block to place, counted in the whole
    // history's rows, so the rows scrolled out below fall away first.
    long bottom = static_cast<long>(body.size()) + static_cast<long>(skipRows);
    for (auto it = entries.rbegin(); it != entries.rend() && bottom > 0; ++it) {
        const LogBlock block = layoutLogLine(it->number, it->text, bodyRows, cols, spansOf(it->text));
        const long top = bottom - block.height;
        for (std::size_t i = 0; i < block.rows.size(); ++i) {
            const long row = top + static_cast<long>(i);
            if (row >= 0 && row < static_cast<long>(body.size())) {
                body[static_cast<std::size_t>(row)] = block.rows[i];
            }
        }
        for (const LogBlock::Mark& mark : block.marks) {
            const long row = top + mark.row;
            if (row >= 0 && row < static_cast<long>(body.size())) {
                result.marks.push_back(LogBlock::Mark{static_cast<int>(row), mark.begin, mark.end});
            }
        }
        bottom = top;
    }
    return result;
}

}  // namespace kova
