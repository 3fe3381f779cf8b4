// The log window's search and filter: what "find" and "filter" do to the view, the title and the
// lines as they come. The patterns themselves are logfind's.
#include <algorithm>

#include "logview/LogLayout.h"
#include "logview/LogWindow.h"
#include "ui/Screen.h"

namespace kova {

std::string LogWindow::find(const std::string& typed) {
    // Compiled before the lock is taken: the other windows go on drawing meanwhile.
    ParsedPattern parsed = LogPattern::parse(typed);
    if (!parsed.pattern) {
        return "find: " + parsed.refusal;
    }
    ScreenLock lock;
    find_ = std::move(parsed.pattern);
    help_ = nullptr;
    collectMatches();
    if (bodyWin != nullptr) {
        showMatch();
    }
    return {};
}

std::string LogWindow::filter(const std::string& typed) {
    std::optional<LogPattern> pattern;
    if (!typed.empty()) {
        ParsedPattern parsed = LogPattern::parse(typed);
        if (!parsed.pattern) {
            return "filter: " + parsed.refusal;
        }
        pattern = std::move(parsed.pattern);
    }
    ScreenLock lock;
    filter_ = std::move(pattern);
    filtered_.clear();
    if (filter_) {
        for (const LogEntry& entry : history_.entries()) {
            if (filter_->matches(entry.text)) {
                filtered_.push_back(entry);
            }
        }
    }
    // Another set of lines: the view goes live over them, and a search looks among them.
    help_ = nullptr;
    backRows_ = 0;
    newWhileBack_ = 0;
    below_.reset();
    if (find_) {
        collectMatches();
    }
    if (bodyWin == nullptr) {
        return {};
    }
    if (find_) {
        showMatch();
    } else {
        repaintLog();
    }
    return {};
}

std::vector<MatchSpan> LogWindow::spansOf(const std::string& text) const {
    if (find_) {
        return find_->spans(text);
    }
    if (filter_) {
        return filter_->spans(text);
    }
    return {};
}

bool LogWindow::followLine(const LogEntry& entry) {
    if (!find_ && !filter_) {
        return true;
    }
    const std::uint64_t oldest = history_.oldestSeq();
    while (!filtered_.empty() && filtered_.front().seq < oldest) {
        filtered_.pop_front();
    }
    matches_.dropBefore(oldest);
    titleStale_ = true;  // the counts of lines
    const bool kept = !filter_ || filter_->matches(entry.text);
    if (filter_ && kept) {
        filtered_.push_back(entry);
    }
    if (find_ && kept && find_->matches(entry.text)) {
        matches_.add(entry.seq);
    }
    return kept;
}

void LogWindow::collectMatches() {
    matches_.clear();
    for (const LogEntry& entry : shown()) {
        if (find_->matches(entry.text)) {
            matches_.add(entry.seq);
        }
    }
    matches_.selectNewest();
}

void LogWindow::showMatch() {
    if (const std::optional<std::uint64_t> seq = matches_.current()) {
        const std::deque<LogEntry>& entries = shown();
        auto it =
            std::lower_bound(entries.begin(), entries.end(), *seq,
                             [](const LogEntry& entry, std::uint64_t value) { return entry.seq < value; });
        const int bodyRows = getmaxy(bodyWin);
        const int bodyCols = getmaxx(bodyWin);
        std::size_t below = 0;
        for (++it; it != entries.end(); ++it) {
            below += static_cast<std::size_t>(layoutLogLine(it->number, it->text, bodyRows, bodyCols).height);
        }
        // Never further back than PgUp goes: the oldest lines fill the body from its top.
        const std::size_t page = static_cast<std::size_t>(std::max(1, bodyRows));
        const std::size_t total = historyRows();
        backRows_ = std::min(below, total > page ? total - page : 0);
        if (backRows_ == 0) {
            newWhileBack_ = 0;
        }
        below_.reset();
    }
    repaintLog();
}

void LogWindow::repaintLog() {
    redrawBody();
    refreshTitle();
    refresh(bodyWin);
    parkCursor();
}

std::string LogWindow::findCaption() const {
    std::string caption;
    const bool oldestGone = history_.oldestSeq() > 0;
    if (filter_) {
        caption +=
            "  " + filterTitle(filter_->typed(), filtered_.size(), history_.entries().size(), oldestGone);
    }
    if (find_) {
        caption += "  " + findTitle(find_->typed(), matches_.position(), matches_.size(), shown().size(),
                                    oldestGone);
    }
    return caption;
}

}  // namespace kova
