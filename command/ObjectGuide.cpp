#include "command/ObjectGuide.h"

#include <fmt/format.h>

#include "protocol/ObjectTable.h"

namespace kova {

std::vector<std::string> objectListing() {
    std::vector<std::string> lines;
    lines.push_back(
        fmt::format("{:>5}/{:<3} {:<22} {:<28} {:<6} {}", "index", "sub", "name", "values", "stream", "set"));
    for (const protocol::ObjectInfo& object : protocol::knownObjects()) {
        lines.push_back(fmt::format("{:>5}/{:<3} {:<22} {:<28} {:<6} {}", object.index, object.subindex,
                                    object.name, object.type, object.published ? "status" : "-",
                                    object.written ? "set" : "-"));
    }
    return lines;
}

ObjectChoices objectIndicesStartingWith(const std::string& typed) {
    ObjectChoices choices;
    for (const protocol::ObjectInfo& object : protocol::knownObjects()) {
        const std::string index = std::to_string(object.index);
        if (index.compare(0, typed.size(), typed) != 0) {
            continue;
        }
        if (!choices.indices.empty() && choices.indices.back() == index) {
            choices.labels.back() += " " + object.name;
            continue;
        }
        choices.indices.push_back(index);
        choices.labels.push_back(index + " " + object.name);
    }
    return choices;
}

}  // namespace kova
