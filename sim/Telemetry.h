#pragma once

#include <cstdint>
#include <random>

namespace kova::sim {

// A measured period (µs) and the longest one seen so far.
struct PeriodSample {
    int actual = 0;
    int max = 0;
};

// Timing figures the controller reports about itself: control cycle, field-bus cycles and the
// barcode camera, each jittering a little around its nominal value. Seeded.
class Telemetry {
  public:
    explicit Telemetry(std::uint32_t seed);

    // Advances by `dt` seconds; takes fresh samples ten times a simulated second.
    void advance(double dt);

    static constexpr int kControlPeriodTarget = 10000;  // µs

    PeriodSample control;
    PeriodSample pdo;
    PeriodSample nodeguard;
    PeriodSample controlword;
    PeriodSample camera;

  private:
    void sample(PeriodSample& period, int nominal, double spread);

    std::mt19937 random_;
    double untilSample_ = 0.0;
};

}  // namespace kova::sim
