// Fuzzes the status handler: the input up to its first NUL or newline is the index frame, the rest
// the values frame. The fast handler must never crash and must leave exactly the record (and report
// exactly the outcome) of the plain handler built from Poco::StringTokenizer and std::stoi/stof;
// the record it leaves must then format into the monitor's rows.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "monitor/StatusHandler.h"
#include "monitor/StatusRecordText.h"
#include "monitor/StatusReference.h"
#include "monitor/StatusRows.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = input.find_first_of(std::string("\0\n", 2));
    const std::string index = input.substr(0, cut);
    const std::string values = cut == std::string::npos ? std::string() : input.substr(cut + 1);

    kova::StatusRecord fast;
    kova::StatusRecord plain;
    const kova::StatusOutcome fastOutcome = kova::handleStatusMessage(index, values, fast);
    const kova::StatusOutcome plainOutcome = kova::referenceHandleStatusMessage(index, values, plain);
    const std::string fastText = kova::describeStatusRecord(fast);
    const std::string plainText = kova::describeStatusRecord(plain);
    if (fastOutcome != plainOutcome || fastText != plainText) {
        std::fprintf(stderr, "outcome %d vs %d\n--- fast\n%s--- plain\n%s", static_cast<int>(fastOutcome),
                     static_cast<int>(plainOutcome), fastText.c_str(), plainText.c_str());
        std::abort();
    }
    const auto items = kova::formatStatusItems(fast);
    if (items.size() != 26) {
        std::abort();
    }
    return 0;
}
