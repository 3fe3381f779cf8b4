#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>

#include "protocol/ObjectIndex.h"

namespace kova::protocol {

// How one value of a status message is written and read. Values travel as text in frame 2,
// separated by "/"; white space around a value is insignificant.
enum class ValueKind : std::uint8_t {
    Int,       // decimal integer in the 32-bit signed range
    Float,     // decimal or exponent notation, in the 32-bit float range
    Text,      // any bytes but "/"
    IntFlag,   // an integer, read as true when it equals 1
    TextFlag,  // a text, read as true when it is exactly "1"
};

// The most values any status object takes.
constexpr std::size_t kMaxValues = 7;

// The values of one status object: their kinds in order, the value counts a message may have, and
// how many of them the reader converts. Built at compile time; a kind list longer than kMaxValues
// is a compile error where the layout is a constant.
class ObjectLayout {
public:
    constexpr ObjectLayout(int index, std::initializer_list<ValueKind> kinds)
        : index_(index), count_(static_cast<std::uint8_t>(kinds.size())), read_(count_) {
        if (kinds.size() == 0 || kinds.size() > kMaxValues) {
            throw std::length_error("a status object takes 1 to kMaxValues values");
        }
        std::size_t i = 0;
        for (ValueKind kind : kinds) {
            kinds_[i++] = kind;
        }
        accepted_ = static_cast<std::uint8_t>(1u << count_);
    }

    // The same layout that also accepts a message of only the first `count` values.
    constexpr ObjectLayout orFirst(std::size_t count) const {
        if (count == 0 || count >= count_) {
            throw std::out_of_range("a shorter form has fewer values than the full one");
        }
        ObjectLayout shorter = *this;
        shorter.accepted_ = static_cast<std::uint8_t>(accepted_ | (1u << count));
        return shorter;
    }

    // The same layout of which a reader converts only the first `count` values; the others must be
    // there but are neither converted nor stored.
    constexpr ObjectLayout readingFirst(std::size_t count) const {
        if (count == 0 || count > count_) {
            throw std::out_of_range("a reader converts 1 to all values");
        }
        ObjectLayout partial = *this;
        partial.read_ = static_cast<std::uint8_t>(count);
        return partial;
    }

    constexpr int index() const { return index_; }
    // Number of values of the full form; a publisher always sends that many.
    constexpr std::size_t valueCount() const { return count_; }
    // Number of values, from the first, that a reader converts.
    constexpr std::size_t readCount() const { return read_; }
    // Kind of value `i`, for i below valueCount().
    constexpr ValueKind kind(std::size_t i) const { return kinds_[i]; }
    // Whether a message of `count` values is taken; any other count leaves the reader's state alone.
    constexpr bool accepts(std::size_t count) const {
        return count <= kMaxValues && (accepted_ >> count & 1u);
    }
    // Whether a count below the full form is accepted too.
    constexpr bool hasShorterForms() const { return accepted_ != (1u << count_); }

private:
    int index_;
    std::array<ValueKind, kMaxValues> kinds_{};
    std::uint8_t count_;
    std::uint8_t read_;
    std::uint8_t accepted_ = 0;  // bit n set: n values accepted
};

constexpr std::size_t kStatusObjectCount = 43;

namespace detail {

// Short names for the kinds, for the table below.
namespace layout_kinds {
constexpr ValueKind I = ValueKind::Int;
constexpr ValueKind F = ValueKind::Float;
constexpr ValueKind T = ValueKind::Text;
constexpr ValueKind IntFlag = ValueKind::IntFlag;
constexpr ValueKind TextFlag = ValueKind::TextFlag;
}  // namespace layout_kinds

constexpr std::array<ObjectLayout, kStatusObjectCount> makeStatusLayouts() {
    using namespace layout_kinds;
    using namespace object;
    return {{
        {kOperationState, {I}},
        {kAlarmFault, {T, T}},
        {kAlarmWarning, {T, T}},
        {kDataloggerState, {I}},
        {kConnectedSegments, {I, I, I, I, I}},
        {kCurrentPosition, {I, I, I}},
        {kBarcodePath, {I, I, I, I}},
        {kRouteGeneration, {I, I, I, I, I, I, IntFlag}},
        {kGoal, {I, I}},
        {kRouteSegment, {T}},
        {kGeneratedDistance, {I, I, I}},
        {kConnectedDistance, {I, I}},
        {kObstacleField, {I}},
        {kSteeringTarget, {T}},
        {kSteeringActual, {T}},
        {kInTrafficControlZone, {TextFlag}},
        {kControlPeriod, {I, I, I}},
        {kOperationStatus, {I}},
        {kManualMoveEcho, {I, I, I}},
        {kCommandEcho, {I, I, I}},
        {kActualVelocity, {I}},
        {kTargetVelocity, {I}},
        {kRunDistance, {F}},
        {kObstacleDetect, {I}},
        {kPhotoSensor, {I}},
        {kDigitalInputs, {I, I, I, I}},
        {kDriveControlWords, {I, I}},
        // Status words, network states, servo states, each front then rear; the servo states, or
        // both the servo and the network states, may be left off.
        ObjectLayout{kDriveStates, {I, I, I, I, I, I}}.orFirst(4).orFirst(2),
        {kFrontPosition, {I}},
        {kFrontTargetRpm, {F}},
        {kDriveActualRpm, {F, F}},
        // Front and rear demand torque; a reader keeps only the front one.
        ObjectLayout{kDriveDemandTorque, {I, I}}.readingFirst(1),
        {kDriveActualTorque, {I, I}},
        {kDriveServoStates, {I, I}},
        // Pdo, node guard and control word periods, each actual then max; all but the pdo pair may
        // be left off.
        ObjectLayout{kFieldBusPeriods, {I, I, I, I, I, I}}.orFirst(2),
        {kBrakeState, {I}},
        {kDriveStatusCodes, {I, I, I, I, I, I}},
        {kCameraPosition, {I}},
        {kCameraVelocity, {F}},
        {kCameraPeriod, {I, I}},
        {kDriveTemperatures, {I, I}},
        {kDcBusVoltages, {I, I}},
        {kDriveCurrents, {I, I}},
    }};
}

constexpr bool ascendingIndices(const std::array<ObjectLayout, kStatusObjectCount>& layouts) {
    for (std::size_t i = 1; i < layouts.size(); ++i) {
        if (layouts[i - 1].index() >= layouts[i].index()) {
            return false;
        }
    }
    return true;
}

}  // namespace detail

// Every published status object with its values, in ascending index order: what the controller
// publishes and what the monitor understands.
inline constexpr std::array<ObjectLayout, kStatusObjectCount> kStatusLayouts = detail::makeStatusLayouts();
static_assert(detail::ascendingIndices(kStatusLayouts),
              "status layouts are listed once each, by ascending index");

// The layout of status object `index`. For compile-time use: an index that is not a status object
// is a compile error there (and throws std::out_of_range at run time).
constexpr ObjectLayout statusLayout(int index) {
    for (const ObjectLayout& layout : kStatusLayouts) {
        if (layout.index() == index) {
            return layout;
        }
    }
    throw std::out_of_range("not a status object");
}

}  // namespace kova::protocol
