#pragma once

#include <string>
#include <vector>

namespace kova::protocol {

// One object of the controller as the console knows it: where it is, its name (the name of its
// index constant in ObjectIndex.h), the kinds of its values, whether the status stream publishes it
// and whether it is written.
struct ObjectInfo {
    int index = 0;
    int subindex = 0;
    std::string name;
    std::string type;  // "int", "float", "text", "flag" per value, joined with ","
    bool published = false;
    bool written = false;  // the console's commands write it (set), and a controller takes the write
};

// Every object the console names, by ascending index then subindex: the published status objects
// (their types from kStatusLayouts), the objects the commands write, and the controller's
// parameters. Built once; any thread.
const std::vector<ObjectInfo>& knownObjects();

}  // namespace kova::protocol
