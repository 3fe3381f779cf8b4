#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/StatusFields.h"

namespace kova {

// A commissioning script: one step a line. A command of the command line; "wait FIELD OP VALUE
// [within SECONDS]" on a status field by its record name; "expect TEXT" on the last reply;
// "sleep SECONDS"; blank lines and "#" comments.
enum class StepKind { Command, Wait, Expect, Sleep };
enum class CompareOp { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual };

struct ScriptStep {
    int line = 0;
    StepKind kind = StepKind::Command;
    std::string text;                 // the line as written, trimmed
    std::string command;              // Command
    std::string field;                // Wait: the field's name
    CompareOp op = CompareOp::Equal;  // Wait
    FieldValue value;                 // Wait: the value, converted as the field's kind
    double withinSeconds = 30.0;      // Wait
    std::string expected;             // Expect: looked for in the last reply
    double seconds = 0.0;             // Sleep
};

struct ScriptError {
    int line = 0;  // 0: the script as a whole
    std::string message;
    bool rejectedCommand = false;  // a command the command language rejects
};

struct Script {
    std::vector<ScriptStep> steps;
    std::optional<ScriptError> error;  // the first fault; no steps then
};

constexpr std::size_t kMaxScriptLineBytes = 4096;
constexpr std::size_t kMaxScriptBytes = 1 << 20;
constexpr double kDefaultWithinSeconds = 30.0;

// Reads the whole script, checking every line before any step could run. Pure.
Script parseScript(std::string_view text);

// Whether `actual` stands in relation `op` to `wanted` (both of the field's kind). Pure.
bool compareField(const FieldValue& actual, CompareOp op, const FieldValue& wanted);

// A field's value as the script's messages say it ("12", "2.5", "true", "RX").
std::string fieldText(const FieldValue& value);

// The script file's text (or standard input's, for "-"); an error text when it cannot be read, is
// a directory or is larger than kMaxScriptBytes.
std::string readScript(const std::string& path, std::string& error);

}  // namespace kova
