#include "sim/StatusSubscriptions.h"

#include "sim/StatusObjects.h"

namespace kova::sim {

StatusSubscriptions::StatusSubscriptions() : wanted_(publishedObjects().size(), false) {}

bool StatusSubscriptions::apply(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    if (size == 0 || (bytes[0] != 0 && bytes[0] != 1)) {
        return false;
    }
    std::string prefix(bytes + 1, size - 1);
    const bool changed = bytes[0] == 1 ? prefixes_.insert(std::move(prefix)).second : prefixes_.erase(prefix) > 0;
    if (changed) {
        recompute();
    }
    return changed;
}

void StatusSubscriptions::recompute() {
    const auto& texts = publishedIndexTexts();
    wantedCount_ = 0;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        bool wanted = false;
        for (const std::string& prefix : prefixes_) {
            if (texts[i].compare(0, prefix.size(), prefix) == 0) {
                wanted = true;
                break;
            }
        }
        wanted_[i] = wanted;
        wantedCount_ += wanted ? 1 : 0;
    }
}

}  // namespace kova::sim
