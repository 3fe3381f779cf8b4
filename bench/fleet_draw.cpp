// Redraws of the fleet table with 1000 vehicles on a 160x50 curses screen whose output goes to
// /dev/null, as the timer does them: each vehicle brought up to its store (the record copied only
// when it changed), then the table (rows formatted again only when their vehicle changed). Once with
// every vehicle's position changing between redraws, once with nothing changing.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "OffscreenTerminal.h"
#include "fleet/FleetWindow.h"
#include "monitor/StatusStore.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kVehicles = 1000;

}  // namespace

int main() {
    kova::bench::OffscreenTerminal terminal(160, 50);
    if (!terminal.ok()) {
        return 1;
    }
    std::vector<std::unique_ptr<kova::StatusStore>> stores;
    std::vector<kova::FleetVehicle> vehicles(kVehicles);
    for (int i = 0; i < kVehicles; ++i) {
        stores.push_back(std::make_unique<kova::StatusStore>());
        stores.back()->store("111", "4");
        stores.back()->store("4021", "3");
        vehicles[static_cast<std::size_t>(i)].address = {"ohv" + std::to_string(1000 + i), "127.0.0.1",
                                                         20000 + 10 * i};
    }
    kova::FleetWindow window;
    window.create(160, 50);
    // Microseconds per redraw, best of five runs; `change` runs before each redraw.
    const auto timeRedraws = [&](auto change) {
        double best = 1e300;
        for (int run = 0; run < 5; ++run) {
            const auto start = Clock::now();
            constexpr int kRedraws = 100;
            for (int redraw = 0; redraw < kRedraws; ++redraw) {
                change(run * kRedraws + redraw);
                const auto now = Clock::now();
                for (std::size_t i = 0; i < vehicles.size(); ++i) {
                    kova::refreshFleetVehicle(vehicles[i], *stores[i], now);
                }
                window.drawTable(vehicles);
            }
            best = std::min(
                best, std::chrono::duration<double, std::micro>(Clock::now() - start).count() / kRedraws);
        }
        return best;
    };
    for (auto& store : stores) {
        store->noteArrival();  // live for the whole run (2 s)
    }
    const double allChanged = timeRedraws([&](int redraw) {
        for (std::size_t i = 0; i < stores.size(); ++i) {
            stores[i]->store("3009", std::to_string(redraw + static_cast<int>(i) % 500) + "/1/1");
        }
    });
    const double noneChanged = timeRedraws([](int) {});
    window.close();
    std::printf("fleet table of %d vehicles on a 160x50 screen written to /dev/null, best of 5 runs\n",
                kVehicles);
    std::printf("RESULT fleet_table_draw_1000_all_changed %.0f us\n", allChanged);
    std::printf("RESULT fleet_table_draw_1000_none_changed %.0f us\n", noneChanged);
    // Five redraws a second.
    std::printf("RESULT fleet_table_all_changed_core_share %.2f %%\n", allChanged * 5.0 / 1e6 * 100.0);
    std::printf("RESULT fleet_table_none_changed_core_share %.3f %%\n", noneChanged * 5.0 / 1e6 * 100.0);
    return 0;
}
