// Cost of storing one status message, for a mix like the controller's own stream: mostly short
// integer objects, some floats and texts, a few messages the monitor ignores or cannot convert.
// Prints the fast handler's cost and, for comparison, that of the plain tokenizer/stoi/stof one.
#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

#include "monitor/StatusHandler.h"
#include "monitor/StatusReference.h"

namespace {

const std::vector<std::pair<std::string, std::string>> kMix = {
    {"4005", "10000/12000/2500000"},
    {"4034", "14000"},
    {"4035", "15000"},
    {"3009", "12/7/1"},
    {"3010", "1/12/3/4"},
    {"3011", "1/2/3/2500/1200/3/0"},
    {"3012", "8/1000"},
    {"7022", "15/15"},
    {"7023", "1591/1591/3/3/2/2"},
    {"7024", "-123456"},
    {"7027", "1500.5"},
    {"7028", "1499.75/1500.25"},
    {"7029", "505/0"},
    {"7030", "480/470"},
    {"7033", "1000/1100/30000/31000/5000/5200"},
    {"7035", "0/0/0/0/0/0"},
    {"7120", "1234567"},
    {"7122", "1.25"},
    {"7123", "10000/12000"},
    {"3037", "123450/23450/100000"},
    {"111", "4"},
    {"4021", "3"},
    {"500", "E0012/"},
    {"501", " / "},
    {"3050", "left"},
    {"3060", "straight"},
    {"3065", "0"},
    {"4061", "1234.5"},
    {"9999", "1/2"},     // not in the table
    {"3009", "12/x/1"},  // a value that does not convert
};

template <class Handler>
double nanosecondsPerMessage(Handler handle, int rounds) {
    kova::StatusRecord record;
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < rounds; ++round) {
        for (const auto& [index, values] : kMix) {
            benchmark::DoNotOptimize(handle(index, values, record));
        }
    }
    benchmark::ClobberMemory();
    const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count() / (static_cast<double>(rounds) * static_cast<double>(kMix.size()));
}

}  // namespace

int main() {
    auto fast = [](const std::string& index, const std::string& values, kova::StatusRecord& record) {
        return kova::handleStatusMessage(index, values, record);
    };
    auto plain = [](const std::string& index, const std::string& values, kova::StatusRecord& record) {
        return kova::referenceHandleStatusMessage(index, values, record);
    };
    nanosecondsPerMessage(fast, 20000);  // warm-up
    double best = 1e300;
    double bestPlain = 1e300;
    for (int run = 0; run < 5; ++run) {
        best = std::min(best, nanosecondsPerMessage(fast, 100000));
        bestPlain = std::min(bestPlain, nanosecondsPerMessage(plain, 20000));
    }
    std::printf("status handler, %zu-message mix, best of 5 runs\n", kMix.size());
    std::printf("RESULT status_handler_per_message %.1f ns\n", best);
    std::printf("RESULT status_handler_plain_reference_per_message %.1f ns\n", bestPlain);
    return 0;
}
