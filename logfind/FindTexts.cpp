#include "logfind/FindTexts.h"

#include <utility>
#include <vector>

#include "base/TextCells.h"

namespace kova {

void MatchList::clear() {
    seqs_.clear();
    current_ = 0;
}

void MatchList::add(std::uint64_t seq) {
    seqs_.push_back(seq);
}

void MatchList::dropBefore(std::uint64_t oldest) {
    std::size_t gone = 0;
    while (!seqs_.empty() && seqs_.front() < oldest) {
        seqs_.pop_front();
        ++gone;
    }
    current_ = current_ > gone ? current_ - gone : 0;
}

std::optional<std::uint64_t> MatchList::current() const {
    if (seqs_.empty()) {
        return std::nullopt;
    }
    return seqs_[current_];
}

void MatchList::selectNewest() {
    current_ = seqs_.empty() ? 0 : seqs_.size() - 1;
}

bool MatchList::older() {
    if (seqs_.empty() || current_ == 0) {
        return false;
    }
    --current_;
    return true;
}

bool MatchList::newer() {
    if (current_ + 1 >= seqs_.size()) {
        return false;
    }
    ++current_;
    return true;
}

std::size_t MatchList::position() const {
    return seqs_.empty() ? 0 : seqs_.size() - current_;
}

std::string shownPattern(std::string_view typed, int maxCols) {
    TextCells cells(typed);
    std::vector<std::pair<std::string, int>> pieces;  // each cell's text and width
    std::string piece;
    int width = 0;
    int used = 0;
    while (cells.next(piece, width)) {
        pieces.emplace_back(piece, width);
        used += width;
    }
    const bool cut = used > maxCols;
    while (!pieces.empty() && used > (cut ? maxCols - 3 : maxCols)) {
        used -= pieces.back().second;
        pieces.pop_back();
    }
    std::string shown;
    for (const auto& cell : pieces) {
        shown += cell.first;
    }
    return cut ? shown + "..." : shown;
}

namespace {

std::string gone(bool oldestGone) {
    return oldestGone ? ", older lines gone" : "";
}

}  // namespace

std::string findTitle(std::string_view typed, std::size_t position, std::size_t matches, std::size_t lines,
                      bool oldestGone) {
    const std::string head = "find: " + shownPattern(typed) + ", ";
    if (matches == 0) {
        return head + "no match in " + std::to_string(lines) + " lines" + gone(oldestGone);
    }
    return head + "match " + std::to_string(position) + " of " + std::to_string(matches) + gone(oldestGone);
}

std::string filterTitle(std::string_view typed, std::size_t shown, std::size_t lines, bool oldestGone) {
    return "filter: " + shownPattern(typed) + ", " + std::to_string(shown) + " of " + std::to_string(lines) +
           " lines" + gone(oldestGone);
}

}  // namespace kova
