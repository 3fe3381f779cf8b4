#pragma once

#include "sim/VehicleStatus.h"

namespace kova::sim {

class VehicleModel;

// Reads the published values off the vehicle's parts, in the controller's units, and works out
// the operation status from them. Holds the model it reads; build one per reading. Same thread as
// the model.
class VehicleReadout {
public:
    // `model` must outlive the readout.
    explicit VehicleReadout(const VehicleModel& model) : model_(model) {}

    VehicleStatus status() const;
    // The manual or automatic status code for the present operation state; 0 in any other state.
    int operationStatus() const;

private:
    int manualStatus() const;
    int automaticStatus() const;
    void fillPosition(VehicleStatus& out) const;
    void fillRoute(VehicleStatus& out) const;
    void fillControl(VehicleStatus& out) const;
    void fillDrives(VehicleStatus& out) const;

    const VehicleModel& model_;
};

}  // namespace kova::sim
