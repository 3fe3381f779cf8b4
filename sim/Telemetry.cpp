#include "sim/Telemetry.h"

#include <algorithm>
#include <cmath>

namespace kova::sim {

Telemetry::Telemetry(std::uint32_t seed) : random_(seed) {
    advance(0.0);
}

void Telemetry::sample(PeriodSample& period, int nominal, double spread) {
    std::normal_distribution<double> jitter(0.0, spread);
    const double value = nominal + std::clamp(jitter(random_), -4.0 * spread, 4.0 * spread);
    period.actual = static_cast<int>(std::lround(std::max(1.0, value)));
    period.max = std::max(period.max, period.actual);
}

void Telemetry::advance(double dt) {
    untilSample_ -= dt;
    if (untilSample_ > 0.0) {
        return;
    }
    untilSample_ = 0.1;
    sample(control, kControlPeriodTarget, 120.0);
    sample(pdo, 1000, 25.0);
    sample(nodeguard, 100000, 400.0);
    sample(controlword, 2000, 60.0);
    sample(camera, 2000, 80.0);
}

}  // namespace kova::sim
