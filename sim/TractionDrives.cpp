#include "sim/TractionDrives.h"

namespace kova::sim {

namespace {

constexpr double kSwitchOnTime = 0.25;
constexpr double kSwitchOffTime = 0.1;
constexpr double kBrakeDelay = 0.15;
constexpr double kResetTime = 0.1;

}  // namespace

void TractionDrives::advance(double dt) {
    if (bootLeft_ > 0.0) {
        bootLeft_ -= dt;
        nmt_ = bootLeft_ <= 0.0                ? NmtState::Op
               : bootLeft_ <= bootTotal_ * 0.6 ? NmtState::PreOp
                                               : NmtState::BootUp;
    }
    if (pending_ != ServoState::None) {
        pendingLeft_ -= dt;
        if (pending_ == ServoState::On && pendingLeft_ <= kSwitchOnTime / 2.0) {
            controlWord_ = 0x0007;  // switch on, after the shutdown word
        }
        if (pendingLeft_ <= 0.0) {
            state_ = pending_;
            pending_ = ServoState::None;
            if (state_ == ServoState::On) {
                controlWord_ = 0x000F;
                brakeReleaseLeft_ = kBrakeDelay;
            }
        }
    }
    if (brakeReleaseLeft_ >= 0.0) {
        brakeReleaseLeft_ -= dt;
        if (brakeReleaseLeft_ < 0.0 && servoIsOn()) {
            brakeReleased_ = true;
        }
    }
}

void TractionDrives::begin(ServoState target, double seconds, std::uint16_t controlWord) {
    pending_ = target;
    pendingLeft_ = seconds;
    controlWord_ = controlWord;
}

void TractionDrives::bootNetwork(double seconds) {
    nmt_ = NmtState::BootUp;
    bootLeft_ = seconds;
    bootTotal_ = seconds;
}

std::string TractionDrives::servoOn() {
    if (!operational()) {
        return "drive network not operational";
    }
    if (state_ == ServoState::Fault) {
        return "drive fault, reset it first";
    }
    if (servoIsOn() || switchingOn()) {
        return "";
    }
    begin(ServoState::On, kSwitchOnTime, 0x0006);
    return "";
}

std::string TractionDrives::servoOff() {
    brakeReleased_ = false;
    brakeReleaseLeft_ = -1.0;
    if (state_ == ServoState::Fault) {
        return "";  // a faulted drive is already without torque
    }
    if (state_ != ServoState::Off || pending_ != ServoState::None) {
        begin(ServoState::Off, kSwitchOffTime, 0x0006);
    }
    return "";
}

std::string TractionDrives::quickStop() {
    if (state_ != ServoState::On) {
        return "servo is not on";
    }
    pending_ = ServoState::None;
    state_ = ServoState::QuickStop;
    controlWord_ = 0x0002;
    brakeReleased_ = false;
    brakeReleaseLeft_ = -1.0;
    return "";
}

std::string TractionDrives::releaseBrake() {
    if (!servoIsOn()) {
        return "servo is not on";
    }
    brakeReleased_ = true;
    brakeReleaseLeft_ = -1.0;
    return "";
}

std::string TractionDrives::lockBrake() {
    brakeReleased_ = false;
    brakeReleaseLeft_ = -1.0;
    return "";
}

std::string TractionDrives::resetFault() {
    if (state_ != ServoState::Fault) {
        return "";
    }
    errorCode_ = 0;
    begin(ServoState::Off, kResetTime, 0x0080);
    return "";
}

std::string TractionDrives::resetCommunication() {
    lockBrake();
    state_ = state_ == ServoState::Fault ? ServoState::Fault : ServoState::Off;
    pending_ = ServoState::None;
    controlWord_ = 0x0000;
    bootNetwork(0.5);
    return "";
}

std::string TractionDrives::resetNode() {
    lockBrake();
    state_ = ServoState::Off;
    pending_ = ServoState::None;
    controlWord_ = 0x0000;
    errorCode_ = 0;
    bootNetwork(1.0);
    return "";
}

void TractionDrives::fault(int errorCode) {
    state_ = ServoState::Fault;
    pending_ = ServoState::None;
    controlWord_ = 0x0000;
    errorCode_ = errorCode;
    brakeReleased_ = false;
    brakeReleaseLeft_ = -1.0;
}

std::uint16_t TractionDrives::statusWord() const {
    if (pending_ == ServoState::On) {
        return controlWord_ == 0x0007 ? 0x0233 : 0x0231;
    }
    switch (state_) {
        case ServoState::On:
            return 0x0237;
        case ServoState::QuickStop:
            return 0x0217;
        case ServoState::Fault:
            return 0x0218;
        default:
            return 0x0250;
    }
}

}  // namespace kova::sim
