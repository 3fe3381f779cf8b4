#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace kova {

// The lines a search matched, by their place in the scrollback (a sequence number that grows by one
// a line and never repeats), with the match the view is on. Kept in step with the scrollback: new
// matching lines are added, lines that left it are dropped. Not thread-safe.
class MatchList {
public:
    void clear();
    // A line newer than every line added so far.
    void add(std::uint64_t seq);
    // Forgets the lines before `oldest` (they left the scrollback); the current match, if it went,
    // becomes the oldest one left.
    void dropBefore(std::uint64_t oldest);

    std::size_t size() const { return seqs_.size(); }
    std::optional<std::uint64_t> current() const;
    // The newest match becomes current (none when there is no match).
    void selectNewest();
    // The next older or newer match becomes current; false (nothing changes) when there is none.
    bool older();
    bool newer();
    // Where the current match stands counted from the newest (1 is the newest); 0 with none.
    std::size_t position() const;

private:
    std::deque<std::uint64_t> seqs_;
    std::size_t current_ = 0;  // index into seqs_ while it is not empty
};

// The text an operator typed as the title shows it: escaped as the screen shows log text, cut to at
// most `maxCols` columns with "..." when longer.
std::string shownPattern(std::string_view typed, int maxCols = 24);

// "find: TEXT, match K of N" or "find: TEXT, no match in N lines"; when the scrollback has already
// let its oldest lines go, ", older lines gone" follows, so an absent match is not taken for certain.
std::string findTitle(std::string_view typed, std::size_t position, std::size_t matches, std::size_t lines,
                      bool oldestGone);
// "filter: TEXT, N of M lines", and ", older lines gone" likewise.
std::string filterTitle(std::string_view typed, std::size_t shown, std::size_t lines, bool oldestGone);

}  // namespace kova
