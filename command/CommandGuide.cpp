#include "command/CommandGuide.h"

#include <algorithm>
#include <string_view>

#include "command/CommandUsage.h"
#include "command/ObjectGuide.h"
#include "protocol/CommandCodes.h"

namespace kova {

namespace {

using Words = std::vector<std::string_view>;

// One command as the operator learns it: its word, what help shows for it, and the keywords each of
// its fields takes (an empty list: a free field, nothing to complete).
struct Form {
    std::string_view word;
    std::string_view shown;  // the usage text; empty for a word listed with another
    std::vector<Words> fields;
};

template <class Table>
Words wordsOf(const Table& table) {
    Words words;
    for (const auto& keyword : table) {
        words.push_back(keyword.word);
    }
    return words;
}

const std::vector<Form>& forms() {
    using namespace protocol;
    static const std::vector<Form> table = {
        {"set", usage::kSet, {{}, {}, {}}},
        {"setm", usage::kSetMany, {{}, {}}},
        {"get", usage::kGet, {{}, {}}},
        {"getm", usage::kGetMany, {{}}},
        {"switch", usage::kSwitch, {wordsOf(kModeKeywords)}},
        {"m", usage::kManualMove, {{"f", "b", "s"}}},
        {"h", "h, s -- hard stop, soft stop", {}},
        {"s", "", {}},
        {"log", usage::kLog, {wordsOf(kLogSwitchKeywords), wordsOf(kSwitchValueKeywords)}},
        {"control", usage::kControl, {wordsOf(kControlKeywords)}},
        {"servo", usage::kServo, {wordsOf(kServoKeywords)}},
        {"goal", usage::kGoal, {{}}},
        {"sgoal", usage::kGoalList, {{}}},
        {"steer", usage::kSteer, {Words(kSteeringKeywords.begin(), kSteeringKeywords.end())}},
        {"find", "find TEXT, /TEXT -- in the log (re:REGEX); F3/Shift-F3", {}},
        {"filter", "filter [TEXT] -- only log lines with TEXT; alone: all", {}},
        {"help", "help, ?, objects -- this table, the objects; Ctrl-C: end", {}},
        {"objects", "", {}},
        {"alarms", "alarms, ack [all] -- the alarm journal; log, Esc: back", {}},
        {"ack", "", {{"all"}}},
        {"fleet", "fleet -- back; /: filter, s: order, a: alarms (ack all: all)", {}},
    };
    return table;
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::vector<std::string> commandTable(int rows, int cols, bool withFleet) {
    std::vector<std::string_view> entries;
    for (const Form& form : forms()) {
        if (!form.shown.empty() && (withFleet || form.word != "fleet")) {
            entries.push_back(form.shown);
        }
    }
    if (rows <= 0 || cols <= 0 || entries.empty()) {
        return {};
    }
    // Column after column, each as wide as its widest entry: the fewest rows whose columns fit the
    // width. One column of every entry is the last resort, cut at the width.
    constexpr std::size_t kGap = 3;
    const auto width = static_cast<std::size_t>(cols);
    std::size_t needed = entries.size();
    std::vector<std::size_t> widths;
    for (std::size_t perColumn = 1; perColumn <= entries.size(); ++perColumn) {
        std::vector<std::size_t> tried((entries.size() + perColumn - 1) / perColumn, 0);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            tried[i / perColumn] = std::max(tried[i / perColumn], entries[i].size());
        }
        std::size_t total = kGap * (tried.size() - 1);
        for (const std::size_t w : tried) {
            total += w;
        }
        if (total <= width || tried.size() == 1) {
            needed = perColumn;
            widths = std::move(tried);
            break;
        }
    }
    const bool cut = needed > static_cast<std::size_t>(rows);
    const std::size_t shownRows = cut ? static_cast<std::size_t>(rows - 1) : needed;
    std::vector<std::string> table(shownRows);
    std::size_t left = 0;  // where the current column starts
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t column = i / needed;
        if (i % needed == 0 && column > 0) {
            left += widths[column - 1] + kGap;
        }
        const std::size_t row = i % needed;
        if (row < shownRows) {
            std::string& line = table[row];
            line.resize(left, ' ');
            line += entries[i];
        }
    }
    if (cut) {
        table.push_back("... a wider terminal shows the whole table");
    }
    for (std::string& line : table) {
        line.resize(std::min(line.size(), width));
    }
    return table;
}

Completion completeCommand(const std::string& line, bool withFleet) {
    Completion result{line, {}};
    const std::size_t slash = line.rfind('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    const std::string_view typed = trimmed(std::string_view(line).substr(start));
    const std::size_t fieldIndex = static_cast<std::size_t>(std::count(line.begin(), line.end(), '/'));
    const std::string_view commandWord = trimmed(std::string_view(line).substr(0, line.find('/')));

    const Form* command = nullptr;
    for (const Form& form : forms()) {
        if (form.word == commandWord) {
            command = &form;
        }
    }
    Words choices;
    if (fieldIndex == 0) {
        for (const Form& form : forms()) {
            if (withFleet || form.word != "fleet") {
                choices.push_back(form.word);
            }
        }
    } else if (command != nullptr && fieldIndex <= command->fields.size()) {
        choices = command->fields[fieldIndex - 1];
    }
    // An object's index: the known ones, listed with their names.
    ObjectChoices objects;
    const bool objectField = fieldIndex == 1 && command != nullptr &&
                             (command->word == "set" || command->word == "setm" || command->word == "get" ||
                              command->word == "getm");
    if (objectField) {
        objects = objectIndicesStartingWith(std::string(typed));
        choices.assign(objects.indices.begin(), objects.indices.end());
    }
    for (std::string_view choice : choices) {
        if (choice.substr(0, typed.size()) == typed) {
            result.candidates.emplace_back(choice);
        }
    }
    if (result.candidates.empty()) {
        return result;
    }
    std::string shared = result.candidates.front();
    for (const std::string& candidate : result.candidates) {
        std::size_t same = 0;
        while (same < shared.size() && same < candidate.size() && shared[same] == candidate[same]) {
            ++same;
        }
        shared.resize(same);
    }
    // The blanks before the field stay as typed.
    const std::size_t fieldStart = std::min(line.size(), line.find_first_not_of(" \t", start));
    std::string completed = line.substr(0, fieldStart) + shared;
    if (result.candidates.size() == 1) {
        // Whole: go on to the next field when the command takes one.
        const Form* finished = fieldIndex == 0 ? nullptr : command;
        if (fieldIndex == 0) {
            for (const Form& form : forms()) {
                if (form.word == shared) {
                    finished = &form;
                }
            }
        }
        if (finished != nullptr && fieldIndex < finished->fields.size()) {
            completed += '/';
        }
    }
    result.line = completed.size() >= line.size() ? completed : line;
    if (!objects.labels.empty()) {
        result.candidates = objects.labels;
    }
    return result;
}

}  // namespace kova
