#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "monitor/StatusRecord.h"
#include "monitor/StatusTable.h"

namespace kova {

// The status record's fields by their names: "currentPo", "routeGen.poTo", "frontDrive.actualRpm",
// "alarmFault[0]" (an array's elements by position).
enum class FieldKind { Int, Float, Text, Flag };

struct FieldValue {
    FieldKind kind = FieldKind::Int;
    std::int32_t number = 0;
    float real = 0.0f;
    std::string text;
    bool flag = false;
};

// The kind of the field named `name`; nothing when the record has no such field.
std::optional<FieldKind> statusFieldKind(std::string_view name);

// One published message read as the monitor reads it, into a record of its own: the fields it
// stored, named and in value order, and the outcome. Pure.
struct MessageFields {
    StatusOutcome outcome = StatusOutcome::Discarded;
    std::vector<std::pair<std::string, FieldValue>> fields;
};
MessageFields fieldsOfMessage(std::string_view indexText, std::string_view valuesText);

}  // namespace kova
