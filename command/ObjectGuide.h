#pragma once

#include <string>
#include <vector>

namespace kova {

// The objects command's listing: a heading, then one line per object the console knows (index,
// subindex, name, value kinds, "status" when the status stream carries it, "set" when the commands
// write it). Pure; any thread.
std::vector<std::string> objectListing();

// The object indices that start with `typed`, each once, in ascending order, and the name of each
// ("3009 currentPosition"; an index with several subindices names them all). Pure; any thread.
struct ObjectChoices {
    std::vector<std::string> indices;
    std::vector<std::string> labels;
};
ObjectChoices objectIndicesStartingWith(const std::string& typed);

}  // namespace kova
