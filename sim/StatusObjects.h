#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim/VehicleStatus.h"

namespace kova::sim {

// One published status message: the object index (frame 1) and its values joined by "/" (frame 2).
struct StatusMessage {
    int index = 0;
    std::string values;
};

// A published object and how often it goes out (real milliseconds between messages).
struct PublishedObject {
    int index = 0;
    int periodMs = 100;
};

// Every object the controller publishes, in ascending index order.
const std::vector<PublishedObject>& publishedObjects();

// The index of every published object as frame 1 carries it, in the order of publishedObjects().
const std::vector<std::string>& publishedIndexTexts();

// The values text of the object at `position` of publishedObjects().
std::string statusValuesAt(const VehicleStatus& status, std::size_t position);

// The values text of one object, or nothing for an index that is not published.
std::optional<std::string> statusValues(const VehicleStatus& status, int index);

// The message of every published object.
std::vector<StatusMessage> statusMessages(const VehicleStatus& status);

}  // namespace kova::sim
