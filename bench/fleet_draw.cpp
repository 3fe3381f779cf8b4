// One redraw of the fleet table with 200 vehicles (copying each vehicle's record, formatting the
// rows, painting the window) on a 160x50 curses screen whose output goes to /dev/null.
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
constexpr int kVehicles = 200;

}  // namespace

int main() {
    kova::bench::OffscreenTerminal terminal(160, 50);
    if (!terminal.ok()) {
        return 1;
    }
    std::vector<std::unique_ptr<kova::StatusStore>> stores;
    std::vector<kova::ControllerAddress> addresses;
    for (int i = 0; i < kVehicles; ++i) {
        stores.push_back(std::make_unique<kova::StatusStore>());
        stores.back()->store("111", "4");
        stores.back()->store("4021", "3");
        stores.back()->noteArrival();
        addresses.push_back({"ohv" + std::to_string(1000 + i), "127.0.0.1", 20000 + 10 * i});
    }
    kova::FleetWindow window;
    window.create(160, 50);
    double best = 1e300;
    for (int run = 0; run < 5; ++run) {
        const auto start = Clock::now();
        constexpr int kRedraws = 200;
        for (int redraw = 0; redraw < kRedraws; ++redraw) {
            for (int i = 0; i < kVehicles; ++i) {  // values that change between redraws
                stores[static_cast<std::size_t>(i)]->store("3009", std::to_string(redraw + i) + "/1/1");
            }
            // What the timer does: each vehicle's state, then the table.
            std::vector<kova::FleetVehicle> vehicles(kVehicles);
            const auto now = Clock::now();
            for (std::size_t i = 0; i < vehicles.size(); ++i) {
                vehicles[i].address = addresses[i];
                vehicles[i].link = kova::LinkState::at(stores[i]->newestArrival(), now);
                stores[i]->copyTo(vehicles[i].record);
            }
            window.drawTable(vehicles);
        }
        best = std::min(best,
                        std::chrono::duration<double, std::micro>(Clock::now() - start).count() / kRedraws);
    }
    window.close();
    std::printf("fleet table of %d vehicles on a 160x50 screen written to /dev/null, best of 5 runs\n",
                kVehicles);
    std::printf("RESULT fleet_table_draw_200_vehicles %.0f us\n", best);
    return 0;
}
