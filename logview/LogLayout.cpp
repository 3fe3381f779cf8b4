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
    RowBreaker(int cols, int maxRows, const std::vector<MatchSpan>& spans)
        : cols_(cols), maxRows_(maxRows), spans_(spans) {
        rows_.emplace_back();
    }

    bool full() const { return static_cast<int>(rows_.size()) > maxRows_; }

    void newRow() {
        rows_.emplace_back();
        cells_ = 0;
    }

    // Puts a run of cells that must stay on one row (a character, a caret pair, an escape), `width`
    // columns wide, that shows bytes [from, to) of the line: marked whole when any of them matched.
    void put(std::string_view cells, int width, std::size_t from = 0, std::size_t to = 0) {
        if (cells_ + width > cols_ && cells_ > 0) {
            newRow();
        }
        const std::size_t before = rows_.back().size();
        rows_.back().append(cells);
        cells_ += width;
        for (const MatchSpan& span : spans_) {
            if (span.begin < to && from < span.end) {
                mark(before, rows_.back().size());
                break;
            }
        }
    }

    // Puts plain text of one column a byte, bytes from `from` on of the line, breaking it across rows
    // where they are full.
    void putPlain(std::string_view text, std::size_t from) {
        while (!text.empty() && !full()) {
            if (cells_ >= cols_) {
                newRow();
                continue;
            }
            const std::size_t take = std::min(text.size(), static_cast<std::size_t>(cols_ - cells_));
            const std::size_t before = rows_.back().size();
            rows_.back().append(text.substr(0, take));
            for (const MatchSpan& span : spans_) {
                const std::size_t begin = std::max(span.begin, from);
                const std::size_t end = std::min(span.end, from + take);
                if (begin < end) {
                    mark(before + (begin - from), before + (end - from));
                }
            }
            cells_ += static_cast<int>(take);
            text.remove_prefix(take);
            from += take;
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

    // The marks, those on rows cut away left out.
    std::vector<LogBlock::Mark> takeMarks() {
        while (!marks_.empty() && marks_.back().row >= maxRows_) {
            marks_.pop_back();
        }
        return std::move(marks_);
    }

private:
    // Marks bytes [begin, end) of the current row, joined to the mark just before when they touch.
    void mark(std::size_t begin, std::size_t end) {
        const int row = static_cast<int>(rows_.size()) - 1;
        if (!marks_.empty() && marks_.back().row == row && marks_.back().end == begin) {
            marks_.back().end = end;
        } else {
            marks_.push_back(LogBlock::Mark{row, begin, end});
        }
    }

    int cols_;
    int maxRows_;
    const std::vector<MatchSpan>& spans_;
    std::vector<LogBlock::Mark> marks_;
    int cells_ = 0;
    std::vector<std::string> rows_;
};

}  // namespace

LogBlock layoutLogLine(std::int64_t number, std::string_view line, int bodyRows, int cols,
                       const std::vector<MatchSpan>& spans) {
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
    const char* const origin = line.data();               // byte offsets of the spans count from here
    RowBreaker rows(std::max(cols, 4), bodyRows, spans);  // a caret pair or a wide character fits a row
    rows.put(prefix, static_cast<int>(prefix.size()));
    // Line breaks and tabs shape the rows; everything else is shown cell by cell.
    std::string piece;
    int width = 0;
    while (!line.empty() && !rows.full()) {
        const std::size_t special = line.find_first_of("\n\t\r");
        const std::string_view part = line.substr(0, special);
        const auto partFrom = static_cast<std::size_t>(part.data() - origin);
        TextCells cells(part);
        while (!rows.full()) {
            const std::size_t from = partFrom + cells.offset();
            const std::string_view plain = cells.plainRun();
            if (!plain.empty()) {
                rows.putPlain(plain, from);
            } else if (cells.next(piece, width)) {
                rows.put(piece, width, from, partFrom + cells.offset());
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
            const auto at = static_cast<std::size_t>(line.data() - origin) + special;
            rows.put("^M", 2, at, at + 1);
        }
        line.remove_prefix(special + 1);
    }
    block.marks = rows.takeMarks();
    block.rows = rows.take();
    const std::size_t byRule = bytes / kBytesPerRow + 1;
    const std::size_t needed = std::max(byRule, block.rows.size());
    block.height = static_cast<int>(std::min<std::size_t>(needed, static_cast<std::size_t>(bodyRows)));
    return block;
}

}  // namespace kova
