#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logfind/FindTexts.h"
#include "logfind/LogPattern.h"

using namespace kova;

TEST(LogPattern, PlainTextWithSmartCaseAndRegularExpressions) {
    const struct {
        const char* typed;
        std::string line;
        bool matches;
    } cases[] = {
        {"error", "motor ERROR 12", true},   // no capital: any case
        {"Error", "motor error 12", false},  // a capital: exact case
        {"Error", "motor Error 12", true},
        {"a.b", "axb", false},  // plain text: the dot is a dot
        {"a.b", "1 a.b 2", true},
        {"re:a.b", "axb", true},
        {"re:^E\\d+$", "E120", true},
        {"re:^E\\d+$", "xE120", false},
        {"re:(?i)servo", "SERVO on", true},
        {"überlast", "ÜBERLAST x", true},     // case folds past ASCII too
        {"x", std::string("a\xff x"), true},  // a line of invalid UTF-8 is still searched
        // A backtracking engine would take for ever here; RE2 answers in linear time.
        {"re:(a+)+$", std::string(100000, 'a') + "!", false},
    };
    for (const auto& c : cases) {
        const ParsedPattern parsed = LogPattern::parse(c.typed);
        ASSERT_TRUE(parsed.pattern) << c.typed << ": " << parsed.refusal;
        EXPECT_EQ(parsed.pattern->matches(c.line), c.matches) << c.typed << " in " << c.line;
    }
}

TEST(LogPattern, RefusesWhatCannotBeLookedFor) {
    const struct {
        std::string typed;
        const char* refusal;
    } cases[] = {
        {"", "nothing to look for"},
        {"re:", "nothing to look for"},
        {"a\x01", "the text holds the control byte \\x01"},
        {"a\x1b[2J", "the text holds the control byte \\x1b"},
        {"caf\xe9", "the text is not valid UTF-8 (byte \\xe9)"},
        {"re:(a", "re: missing ): (a"},
        {"re:a{2,1}", "re: invalid repetition size: {2,1}"},
    };
    for (const auto& c : cases) {
        const ParsedPattern parsed = LogPattern::parse(c.typed);
        EXPECT_FALSE(parsed.pattern) << c.typed;
        EXPECT_EQ(parsed.refusal, c.refusal) << c.typed;
    }
}

TEST(LogPattern, SpansCoverEveryMatchLeftToRight) {
    using Spans = std::vector<std::pair<std::size_t, std::size_t>>;
    auto spansOf = [](const char* typed, const std::string& line) {
        Spans out;
        for (const MatchSpan& span : LogPattern::parse(typed).pattern->spans(line)) {
            out.emplace_back(span.begin, span.end);
        }
        return out;
    };
    EXPECT_EQ(spansOf("oo", "foo boOo"), (Spans{{1, 3}, {5, 7}}));
    EXPECT_EQ(spansOf("re:x*", "axxa"), (Spans{{1, 3}}));  // empty matches skipped, no endless loop
    EXPECT_EQ(spansOf("re:^a", "aaa"), (Spans{{0, 1}}));   // an anchor holds only at the start
    EXPECT_EQ(spansOf("a", std::string(1000, 'a')).size(), LogPattern::kMaxSpans);
}

TEST(MatchList, StepsThroughMatchesAndFollowsTheScrollback) {
    MatchList list;
    EXPECT_FALSE(list.older());
    for (std::uint64_t seq : {3, 5, 9}) {
        list.add(seq);
    }
    list.selectNewest();
    EXPECT_EQ(list.position(), 1u);
    EXPECT_TRUE(list.older());
    EXPECT_TRUE(list.older());
    EXPECT_FALSE(list.older());  // at the oldest it stays
    EXPECT_EQ(list.current(), 3u);
    EXPECT_TRUE(list.newer());
    list.add(12);  // a new match keeps the view's match current, one further from the newest
    EXPECT_EQ(list.current(), 5u);
    EXPECT_EQ(list.position(), 3u);
    list.dropBefore(6);  // the current match left the scrollback: the oldest left takes its place
    EXPECT_EQ(list.current(), 9u);
    list.dropBefore(100);
    EXPECT_FALSE(list.current());
    EXPECT_EQ(list.position(), 0u);
}

TEST(FindTexts, TitlesSayWhatIsGoneAndCutLongText) {
    EXPECT_EQ(findTitle("re:E\\d", 0, 0, 10000, true),
              "find: re:E\\d, no match in 10000 lines, older lines gone");
    EXPECT_EQ(filterTitle("servo", 3, 40, false), "filter: servo, 3 of 40 lines");
    EXPECT_EQ(shownPattern("a\x01z"), "a^Az");
    EXPECT_EQ(shownPattern(std::string(30, 'x')), std::string(21, 'x') + "...");
}
