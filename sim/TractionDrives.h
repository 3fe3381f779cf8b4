#pragma once

#include <cstdint>
#include <string>

#include "protocol/StateCodes.h"

namespace kova::sim {

// Servo and network-management states of a drive, numbered as the controller publishes them.
using protocol::NmtState;
using protocol::ServoState;

// Drive error codes (CiA 402 style) that the simulator raises.
constexpr int kErrorBrakeLocked = 0x7121;  // motor blocked: driven against the closed brake

// The front and rear traction drives with their shared brake. Both drives follow the same commands;
// every change takes a little simulated time, as on a real field bus.
class TractionDrives {
public:
    // Advances the pending transitions by `dt` seconds.
    void advance(double dt);

    // Each command returns an empty text when accepted, otherwise why it was refused.
    std::string servoOn();
    std::string servoOff();
    std::string quickStop();
    std::string releaseBrake();
    std::string lockBrake();
    std::string resetFault();
    std::string resetCommunication();
    std::string resetNode();
    // A drive fault: both drives drop to the fault state and the brake closes.
    void fault(int errorCode);

    ServoState servoState() const { return state_; }
    NmtState nmtState() const { return nmt_; }
    bool brakeReleased() const { return brakeReleased_; }
    bool servoIsOn() const { return state_ == ServoState::On && pending_ == ServoState::None; }
    bool switchingOn() const { return pending_ == ServoState::On; }
    bool brakeReleasing() const { return brakeReleaseLeft_ >= 0.0; }
    bool switchingOff() const { return pending_ == ServoState::Off; }
    bool faulted() const { return state_ == ServoState::Fault; }
    bool operational() const { return nmt_ == NmtState::Op; }

    // CiA 402 control and status words as the drives show them.
    std::uint16_t controlWord() const { return controlWord_; }
    std::uint16_t statusWord() const;
    int errorCode() const { return errorCode_; }

private:
    void begin(ServoState target, double seconds, std::uint16_t controlWord);
    void bootNetwork(double seconds);

    ServoState state_ = ServoState::Off;
    ServoState pending_ = ServoState::None;
    double pendingLeft_ = 0.0;
    NmtState nmt_ = NmtState::BootUp;
    double bootLeft_ = 0.8;  // until the network reaches Op
    double bootTotal_ = 0.8;
    bool brakeReleased_ = false;
    double brakeReleaseLeft_ = -1.0;  // counts down to an automatic release after servo on
    std::uint16_t controlWord_ = 0x0000;
    int errorCode_ = 0;
};

}  // namespace kova::sim
