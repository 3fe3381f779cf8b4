#include "shell/ShellJson.h"

#include <cmath>
#include <ctime>

#include <fmt/format.h>

#include "base/Utf8.h"

namespace kova {

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t start = at;
        char32_t code = 0;
        if (!nextUtf8(text, at, code)) {
            out += "\\ufffd";
            at = start + 1;
            continue;
        }
        if (code == '"' || code == '\\') {
            out += '\\';
            out += static_cast<char>(code);
        } else if (code < 0x20 || code == 0x7f) {
            out += fmt::format("\\u{:04x}", static_cast<unsigned>(code));
        } else {
            out.append(text.substr(start, at - start));
        }
    }
    return out + "\"";
}

std::string isoTime(std::int64_t ns) {
    const std::time_t seconds = static_cast<std::time_t>(ns / 1000000000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    return fmt::format("{}.{:03d}Z", text, static_cast<int>(ns / 1000000 % 1000));
}

namespace {

std::string jsonValue(const FieldValue& value) {
    switch (value.kind) {
        case FieldKind::Int:
            return std::to_string(value.number);
        case FieldKind::Float:
            return std::isfinite(value.real) ? fmt::format("{}", value.real) : "null";
        case FieldKind::Text:
            return jsonString(value.text);
        case FieldKind::Flag:
            return value.flag ? "true" : "false";
    }
    return "null";
}

const char* outcomeWord(StatusOutcome outcome) {
    switch (outcome) {
        case StatusOutcome::Stored:
            return "stored";
        case StatusOutcome::ConversionFailed:
            return "conversion failed";
        case StatusOutcome::Ignored:
            return "ignored";
        case StatusOutcome::Discarded:
            return "discarded";
    }
    return "";
}

}  // namespace

std::string replyJson(const ReplyLine& r) {
    std::string out = "{\"time\":" + jsonString(isoTime(r.timeNs)) + ",\"vehicle\":" + jsonString(r.vehicle);
    if (r.line > 0)
        out += fmt::format(",\"line\":{}", r.line);
    return out + ",\"command\":" + jsonString(r.command) + ",\"reply\":" + jsonString(r.reply) +
           fmt::format(",\"ms\":{:.1f}", r.ms) + ",\"outcome\":" + jsonString(r.outcome) + "}";
}

std::string stepJson(const StepLine& s) {
    std::string out = "{\"time\":" + jsonString(isoTime(s.timeNs)) + ",\"vehicle\":" + jsonString(s.vehicle) +
                      fmt::format(",\"line\":{}", s.line) + ",\"step\":" + jsonString(s.step) +
                      ",\"reply\":" + jsonString(s.reply) + fmt::format(",\"seconds\":{:.3f}", s.seconds) +
                      ",\"outcome\":" + jsonString(s.outcome);
    if (!s.why.empty())
        out += ",\"why\":" + jsonString(s.why);
    return out + "}";
}

std::string statusJson(std::int64_t timeNs, std::string_view vehicle, std::string_view indexText,
                       std::string_view valuesText, const MessageFields& fields) {
    std::string out =
        "{\"time\":" + jsonString(isoTime(timeNs)) + ",\"vehicle\":" + jsonString(vehicle) + ",\"index\":";
    const bool numeric = !indexText.empty() && indexText.size() < 10 &&
                         indexText.find_first_not_of("0123456789") == std::string_view::npos;
    out += numeric ? std::to_string(std::stol(std::string(indexText))) : jsonString(indexText);
    out += ",\"values\":[";
    std::size_t at = 0;
    while (true) {
        const std::size_t slash = valuesText.find('/', at);
        out += jsonString(valuesText.substr(at, slash == std::string_view::npos ? slash : slash - at));
        if (slash == std::string_view::npos)
            break;
        out += ',';
        at = slash + 1;
    }
    out += "],\"fields\":{";
    for (std::size_t i = 0; i < fields.fields.size(); ++i) {
        out += (i ? "," : "") + jsonString(fields.fields[i].first) + ":" + jsonValue(fields.fields[i].second);
    }
    out += "}";
    if (fields.outcome != StatusOutcome::Stored)
        out += ",\"outcome\":" + jsonString(outcomeWord(fields.outcome));
    return out + "}";
}

}  // namespace kova
