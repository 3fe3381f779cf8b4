#include "logview/LogLayout.h"

#include <algorithm>

#include "base/TextCells.h"

namespace kova {

namespace {

constexpr std::size_t kBytesPerRow = 80;
constexpr int kTabWidth = 8;

// Breaks the text into rows of at most `cols` cells, stopping once `maxRows` rows are full.
class RowBreaker {
public:
    RowBreaker(int cols, int maxRows) : cols_(cols), maxRows_(maxRows) { rows_.emplace_back(); }

    bool full() const { return static_cast<int>(rows_.size()) > maxRows_; }

    void newRow() {
        rows_.emplace_back();
        cells_ = 0;
    }

    // Puts a run of cells that must stay on one row (a character, a caret pair, an escape), `width`
    // columns wide.
    void put(std::string_view cells, int width) {
        if (cells_ + width > cols_ && cells_ > 0) {
            newRow();
        }
        rows_.back().append(cells);
        cells_ += width;
    }

    // Puts plain text of one column a byte, breaking it across rows where they are full.
    void putPlain(std::string_view text) {
        while (!text.empty() && !full()) {
            if (cells_ >= cols_) {
                newRow();
                continue;
            }
            const std::size_t take = std::min(text.size(), static_cast<std::size_t>(cols_ - cells_));
            rows_.back().append(text.substr(0, take));
            cells_ += static_cast<int>(take);
            text.remove_prefix(take);
        }
    }

    // Blanks up to the next tab stop (tab stops every 8 columns; a full row moves on first).
    void tab() {
        if (cells_ >= cols_) {
            newRow();
        }
        const int stop = std::min(cols_, (cells_ / kTabWidth + 1) * kTabWidth);
        rows_.back().append(static_cast<std::size_t>(stop - cells_), ' ');
        cells_ = stop;
    }

    std::vector<std::string> take() {
        if (static_cast<int>(rows_.size()) > maxRows_) {
            rows_.resize(static_cast<std::size_t>(maxRows_));
        }
        return std::move(rows_);
    }

private:
    int cols_;
    int maxRows_;
    int cells_ = 0;
    std::vector<std::string> rows_;
};

}  // namespace

LogBlock layoutLogLine(std::int64_t number, std::string_view line, int bodyRows, int cols) {
    LogBlock block;
    if (bodyRows <= 0 || cols <= 0) {
        return block;
    }
    const std::string prefix = std::to_string(number) + " ";
    const std::size_t bytes = prefix.size() + line.size();
    // A frame is one line already: a line break at its very end starts no row of its own.
    if (!line.empty() && line.back() == '\n') {
        line.remove_suffix(line.size() >= 2 && line[line.size() - 2] == '\r' ? 2 : 1);
    }
    RowBreaker rows(std::max(cols, 4), bodyRows);  // a caret pair or a wide character fits a row
    rows.put(prefix, static_cast<int>(prefix.size()));
    // Line breaks and tabs shape the rows; everything else is shown cell by cell.
    std::string piece;
    int width = 0;
    while (!line.empty() && !rows.full()) {
        const std::size_t special = line.find_first_of("\n\t\r");
        TextCells cells(line.substr(0, special));
        while (!rows.full()) {
            const std::string_view plain = cells.plainRun();
            if (!plain.empty()) {
                rows.putPlain(plain);
            } else if (cells.next(piece, width)) {
                rows.put(piece, width);
            } else {
                break;
            }
        }
        if (special == std::string_view::npos) {
            break;
        }
        if (line[special] == '\n') {
            rows.newRow();
        } else if (line[special] == '\t') {
            rows.tab();
        } else if (special + 1 < line.size() && line[special + 1] == '\n') {
            // CR LF ends a row like LF alone
        } else {
            rows.put("^M", 2);
        }
        line.remove_prefix(special + 1);
    }
    block.rows = rows.take();
    const std::size_t byRule = bytes / kBytesPerRow + 1;
    const std::size_t needed = std::max(byRule, block.rows.size());
    block.height = static_cast<int>(std::min<std::size_t>(needed, static_cast<std::size_t>(bodyRows)));
    return block;
}

}  // namespace kova
