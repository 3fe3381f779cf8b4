#include "logfind/LogPattern.h"

#include <re2/re2.h>

#include <algorithm>

#include "base/Utf8.h"

namespace kova {

namespace {

// Why the text cannot be looked for as typed, or empty text.
std::string unusableText(std::string_view text) {
    if (text.empty()) {
        return "nothing to look for";
    }
    std::size_t at = 0;
    while (at < text.size()) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if ((byte < 0x20 && byte != '\t') || byte == 0x7f) {
            std::string why = "the text holds the control byte ";
            appendHexByte(why, byte);
            return why;
        }
        char32_t codePoint = 0;
        const std::size_t was = at;
        if (!nextUtf8(text, at, codePoint)) {
            std::string why = "the text is not valid UTF-8 (byte ";
            appendHexByte(why, static_cast<unsigned char>(text[was]));
            return why + ")";
        }
    }
    return {};
}

}  // namespace

ParsedPattern LogPattern::parse(std::string_view typed) {
    ParsedPattern parsed;
    const bool regex = typed.substr(0, kRegexPrefix.size()) == kRegexPrefix;
    const std::string_view text = regex ? typed.substr(kRegexPrefix.size()) : typed;
    parsed.refusal = unusableText(text);
    if (!parsed.refusal.empty()) {
        return parsed;
    }
    RE2::Options options;
    options.set_log_errors(false);  // the refusal says it; nothing may write onto the screen
    options.set_literal(!regex);
    if (!regex) {
        options.set_case_sensitive(
            std::any_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; }));
    }
    auto re = std::make_shared<const RE2>(re2::StringPiece(text.data(), text.size()), options);
    if (!re->ok()) {
        parsed.refusal = "re: " + re->error();
        return parsed;
    }
    LogPattern pattern;
    pattern.typed_ = std::string(typed);
    pattern.re_ = std::move(re);
    parsed.pattern = std::move(pattern);
    return parsed;
}

bool LogPattern::matches(std::string_view line) const {
    return RE2::PartialMatch(re2::StringPiece(line.data(), line.size()), *re_);
}

std::vector<MatchSpan> LogPattern::spans(std::string_view line) const {
    std::vector<MatchSpan> found;
    const re2::StringPiece text(line.data(), line.size());
    std::size_t at = 0;
    re2::StringPiece match;
    while (at <= line.size() && found.size() < kMaxSpans &&
           re_->Match(text, at, line.size(), RE2::UNANCHORED, &match, 1)) {
        const auto begin = static_cast<std::size_t>(match.data() - line.data());
        const std::size_t end = begin + match.size();
        if (end > begin) {
            found.push_back(MatchSpan{begin, end});
        }
        at = end > begin ? end : begin + 1;
    }
    return found;
}

}  // namespace kova
