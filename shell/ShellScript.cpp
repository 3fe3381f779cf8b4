#include "shell/ShellScript.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include <fmt/format.h>

#include "base/Utf8.h"
#include "shell/Shell.h"

namespace kova {

namespace {

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> words(std::string_view text) {
    std::istringstream in{std::string(text)};
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

bool validUtf8(std::string_view text) {
    std::size_t at = 0;
    char32_t code = 0;
    while (at < text.size()) {
        if (!nextUtf8(text, at, code))
            return false;
    }
    return true;
}

// Seconds from 0 (exclusive) up to a day.
bool seconds(const std::string& text, double& out) {
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && out > 0.0 && out <= 86400.0;
}

std::optional<CompareOp> compareOp(const std::string& text) {
    if (text == "==")
        return CompareOp::Equal;
    if (text == "!=")
        return CompareOp::NotEqual;
    if (text == "<")
        return CompareOp::Less;
    if (text == "<=")
        return CompareOp::LessEqual;
    if (text == ">")
        return CompareOp::Greater;
    if (text == ">=")
        return CompareOp::GreaterEqual;
    return std::nullopt;
}

// `text` as a value of `kind`, whole: "12x" is no integer here, unlike on the wire.
std::optional<FieldValue> convertValue(FieldKind kind, const std::string& text) {
    FieldValue value;
    value.kind = kind;
    char* end = nullptr;
    errno = 0;
    switch (kind) {
        case FieldKind::Int: {
            const long long number = std::strtoll(text.c_str(), &end, 10);
            if (text.empty() || *end != '\0' || errno != 0 || number < INT32_MIN || number > INT32_MAX) {
                return std::nullopt;
            }
            value.number = static_cast<std::int32_t>(number);
            return value;
        }
        case FieldKind::Float:
            value.real = std::strtof(text.c_str(), &end);
            if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(value.real))
                return std::nullopt;
            return value;
        case FieldKind::Flag:
            if (text != "true" && text != "false" && text != "1" && text != "0")
                return std::nullopt;
            value.flag = text == "true" || text == "1";
            return value;
        case FieldKind::Text:
            value.text = text;
            return value;
    }
    return std::nullopt;
}

const char* kindName(FieldKind kind) {
    switch (kind) {
        case FieldKind::Int:
            return "a whole number";
        case FieldKind::Float:
            return "a number";
        case FieldKind::Flag:
            return "true, false, 1 or 0";
        case FieldKind::Text:
            return "a text";
    }
    return "";
}

constexpr const char* kWaitForm = "wait FIELD OP VALUE [within SECONDS], OP one of == != < <= > >=";

// One step from a trimmed, non-empty line that is no comment; the error text when it is faulty.
std::string parseStep(ScriptStep& step) {
    const std::vector<std::string> w = words(step.text);
    const std::string& word = w.front();
    if (word == "wait") {
        step.kind = StepKind::Wait;
        if (w.size() != 4 && !(w.size() == 6 && w[4] == "within")) {
            return "not a wait: " + std::string(kWaitForm);
        }
        step.field = w[1];
        const std::optional<FieldKind> kind = statusFieldKind(step.field);
        if (!kind) {
            return "the status record has no field '" + step.field +
                   "' (the names are those of --watch's fields: currentPo, goalPo, operationState, "
                   "routeGen.poTo, frontDrive.actualRpm, alarmFault[0], ...)";
        }
        const std::optional<CompareOp> op = compareOp(w[2]);
        if (!op)
            return "'" + w[2] + "' is no comparison: " + kWaitForm;
        step.op = *op;
        if (*kind == FieldKind::Flag && step.op != CompareOp::Equal && step.op != CompareOp::NotEqual) {
            return step.field + " is true or false: compare it with == or != only";
        }
        const std::optional<FieldValue> value = convertValue(*kind, w[3]);
        if (!value)
            return "'" + w[3] + "' is not " + kindName(*kind) + ", as " + step.field + " is";
        step.value = *value;
        if (w.size() == 6 && !seconds(w[5], step.withinSeconds)) {
            return "within takes seconds above 0, up to 86400, not '" + w[5] + "'";
        }
        return {};
    }
    if (word == "expect") {
        step.kind = StepKind::Expect;
        step.expected = std::string(trimmed(std::string_view(step.text).substr(6)));
        return step.expected.empty() ? "expect TEXT: the text the last reply holds" : "";
    }
    if (word == "sleep") {
        step.kind = StepKind::Sleep;
        return w.size() == 2 && seconds(w[1], step.seconds) ? ""
                                                            : "sleep SECONDS: seconds above 0, up to 86400";
    }
    step.kind = StepKind::Command;
    step.command = step.text;
    return shellRejection(step.command);
}

}  // namespace

Script parseScript(std::string_view text) {
    Script script;
    int number = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        ++number;
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        auto fail = [&](std::string message, bool rejected = false) {
            script.steps.clear();
            script.error = ScriptError{number, std::move(message), rejected};
            return script;
        };
        if (line.size() > kMaxScriptLineBytes) {
            return fail(fmt::format("the line is {} bytes long, over the {} a line may have", line.size(),
                                    kMaxScriptLineBytes));
        }
        if (!validUtf8(line))
            return fail("the line is not UTF-8 text");
        ScriptStep step;
        step.line = number;
        step.text = std::string(trimmed(line));
        if (step.text.empty() || step.text.front() == '#')
            continue;
        if (const std::string why = parseStep(step); !why.empty()) {
            return fail(why, step.kind == StepKind::Command);
        }
        script.steps.push_back(std::move(step));
    }
    if (script.steps.empty()) {
        script.error = ScriptError{0, "the script has no steps", false};
    }
    return script;
}

bool compareField(const FieldValue& actual, CompareOp op, const FieldValue& wanted) {
    int order = 0;
    switch (actual.kind) {
        case FieldKind::Int:
            order = actual.number < wanted.number ? -1 : actual.number > wanted.number ? 1 : 0;
            break;
        case FieldKind::Float:
            order = actual.real < wanted.real ? -1 : actual.real > wanted.real ? 1 : 0;
            break;
        case FieldKind::Text:
            order = actual.text.compare(wanted.text);
            break;
        case FieldKind::Flag:
            order = actual.flag == wanted.flag ? 0 : 1;
            break;
    }
    switch (op) {
        case CompareOp::Equal:
            return order == 0;
        case CompareOp::NotEqual:
            return order != 0;
        case CompareOp::Less:
            return order < 0;
        case CompareOp::LessEqual:
            return order <= 0;
        case CompareOp::Greater:
            return order > 0;
        case CompareOp::GreaterEqual:
            return order >= 0;
    }
    return false;
}

std::string fieldText(const FieldValue& value) {
    switch (value.kind) {
        case FieldKind::Int:
            return std::to_string(value.number);
        case FieldKind::Float:
            return fmt::format("{}", value.real);
        case FieldKind::Text:
            return "\"" + escapeText(value.text, '"') + "\"";
        case FieldKind::Flag:
            return value.flag ? "true" : "false";
    }
    return {};
}

std::string readScript(const std::string& path, std::string& error) {
    std::string text;
    const auto readAll = [&text](std::istream& in) {
        char buffer[65536];
        while (text.size() <= kMaxScriptBytes && in.read(buffer, sizeof buffer).gcount() > 0) {
            text.append(buffer, static_cast<std::size_t>(in.gcount()));
        }
    };
    if (path == "-") {
        readAll(std::cin);
    } else {
        std::error_code ignored;
        if (std::filesystem::is_directory(path, ignored)) {
            error = "script " + path + " is a directory";
            return {};
        }
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            error = "cannot read script " + path + ": " + std::strerror(errno);
            return {};
        }
        readAll(in);
    }
    if (text.size() > kMaxScriptBytes) {
        error = "script " + path + " is over " + std::to_string(kMaxScriptBytes) + " bytes";
    }
    return text;
}

}  // namespace kova
