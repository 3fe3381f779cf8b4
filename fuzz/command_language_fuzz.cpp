// Feeds arbitrary lines to the command language and checks what any plan must hold: either one
// text to show or one or two requests of a known verb, never both, or the console's own help or
// objects listing with neither; every body comes from the line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/TextCells.h"
#include "command/CommandLanguage.h"

namespace {

bool knownVerb(const std::string& verb) {
    return verb == "set" || verb == "setm" || verb == "get" || verb == "getm";
}

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const kova::CommandPlan plan = kova::planCommand(line);
    // The console's own actions send nothing; find and filter carry the rest of the line.
    if (plan.action == kova::ConsoleAction::Find || plan.action == kova::ConsoleAction::Filter) {
        check(plan.message.empty() && plan.requests.empty() && plan.argument.size() < line.size());
    } else if (kova::splitCommandFields(line).empty() || plan.action == kova::ConsoleAction::Help ||
               plan.action == kova::ConsoleAction::Objects) {
        check(plan.message.empty() && plan.requests.empty());
    } else {
        check(plan.message.empty() != plan.requests.empty());
    }
    check(plan.requests.size() <= 2);
    for (const kova::PlannedRequest& request : plan.requests) {
        check(knownVerb(request.verb));
        check(request.body.size() <= line.size() + 16);
        check(request.waitMs == 0 || request.waitMs == kova::kCommandPauseMs);
    }
    // The same bytes as a reply text: nothing left that moves a terminal's cursor.
    const std::string shown = kova::displayText(line);
    for (const char c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        check(byte >= 0x20 && byte != 0x7f);
    }
    return 0;
}
