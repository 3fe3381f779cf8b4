#include "monitor/StatusRecordText.h"

#include <cstdio>
#include <sstream>

namespace kova {

namespace {

class FieldWriter {
public:
    void add(const char* name, std::int32_t value) { out_ << name << '=' << value << '\n'; }
    void add(const char* name, bool value) { out_ << name << '=' << (value ? "true" : "false") << '\n'; }
    void add(const char* name, float value) {
        char text[64];
        std::snprintf(text, sizeof text, "%a", static_cast<double>(value));
        out_ << name << '=' << text << '\n';
    }
    void add(const char* name, const std::string& value) {
        out_ << name << "=\"";
        for (const char c : value) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x20 || byte >= 0x7f || c == '"' || c == '\\') {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
                out_ << escaped;
            } else {
                out_ << c;
            }
        }
        out_ << "\"\n";
    }
    template <class T, std::size_t N>
    void add(const char* name, const std::array<T, N>& values) {
        for (std::size_t i = 0; i < N; ++i) {
            add((std::string(name) + "[" + std::to_string(i) + "]").c_str(), values[i]);
        }
    }
    std::string text() const { return out_.str(); }

private:
    std::ostringstream out_;
};

void addDrive(FieldWriter& w, const std::string& prefix, const DriveStatus& d) {
    auto name = [&prefix](const char* field) { return prefix + "." + field; };
    w.add(name("controlWord").c_str(), d.controlWord);
    w.add(name("statusWord").c_str(), d.statusWord);
    w.add(name("nmtState").c_str(), d.nmtState);
    w.add(name("position").c_str(), d.position);
    w.add(name("targetRpm").c_str(), d.targetRpm);
    w.add(name("actualRpm").c_str(), d.actualRpm);
    w.add(name("actualTorque").c_str(), d.actualTorque);
    w.add(name("demandTorque").c_str(), d.demandTorque);
    w.add(name("servoState").c_str(), d.servoState);
    w.add(name("statusCodes").c_str(), d.statusCodes);
}

void addRouteGen(FieldWriter& w, const RouteGenStatus& g) {
    w.add("routeGen.pathKind", g.pathKind);
    w.add("routeGen.segment", g.segment);
    w.add("routeGen.poFrom", g.poFrom);
    w.add("routeGen.poTo", g.poTo);
    w.add("routeGen.velocityMax", g.velocityMax);
    w.add("routeGen.velocityConst", g.velocityConst);
    w.add("routeGen.profile", g.profile);
    w.add("routeGen.endOfRoute", g.endOfRoute);
}
void addDriveAndControlFields(FieldWriter& w, const StatusRecord& r) {
    w.add("operationStatus", r.operationStatus);
    w.add("controlPeriodActual", r.controlPeriodActual);
    w.add("controlPeriodMax", r.controlPeriodMax);
    addDrive(w, "frontDrive", r.frontDrive);
    addDrive(w, "rearDrive", r.rearDrive);
    w.add("pdoPeriod", r.pdoPeriod);
    w.add("pdoPeriodMax", r.pdoPeriodMax);
    w.add("controlwordPeriod", r.controlwordPeriod);
    w.add("controlwordPeriodMax", r.controlwordPeriodMax);
    w.add("nodeguardPeriod", r.nodeguardPeriod);
    w.add("nodeguardPeriodMax", r.nodeguardPeriodMax);
    w.add("brakeState", r.brakeState);
    w.add("values4031", r.values4031);
    w.add("values4032", r.values4032);
    w.add("actualVelocity", r.actualVelocity);
    w.add("targetVelocity", r.targetVelocity);
    w.add("goalPo", r.goalPo);
    w.add("goalBarcode", r.goalBarcode);
    w.add("operationState", r.operationState);
    w.add("dataloggerState", r.dataloggerState);
}

void addRouteFields(FieldWriter& w, const StatusRecord& r) {
    addRouteGen(w, r.routeGen);
    w.add("connectedSegments", r.connectedSegments);
    w.add("barPathKind", r.barPathKind);
    w.add("barSegment", r.barSegment);
    w.add("barPoFrom", r.barPoFrom);
    w.add("barPoTo", r.barPoTo);
    w.add("currentSegment", r.currentSegment);
    w.add("currentPo", r.currentPo);
    w.add("onRoute", r.onRoute);
}

void addCameraAndOtherFields(FieldWriter& w, const StatusRecord& r) {
    w.add("cameraPosition", r.cameraPosition);
    w.add("cameraVelocity", r.cameraVelocity);
    w.add("cameraPeriod", r.cameraPeriod);
    w.add("cameraPeriodMax", r.cameraPeriodMax);
    w.add("steerTarget", r.steerTarget);
    w.add("steerActual", r.steerActual);
    w.add("obstacleDetect", r.obstacleDetect);
    w.add("obstacleFs", r.obstacleFs);
    w.add("photoSensor", r.photoSensor);
    w.add("values7251", r.values7251);
    w.add("values7252", r.values7252);
    w.add("values7253", r.values7253);
    w.add("values6070", r.values6070);
    w.add("runTime", r.runTime);
    w.add("alarmWarning", r.alarmWarning);
    w.add("alarmFault", r.alarmFault);
    w.add("runDistance", r.runDistance);
    w.add("genDistanceTotal", r.genDistanceTotal);
    w.add("genDistanceRemaining", r.genDistanceRemaining);
    w.add("genDistanceEncoder", r.genDistanceEncoder);
    w.add("conDistanceTotal", r.conDistanceTotal);
    w.add("conDistanceEncoder", r.conDistanceEncoder);
    w.add("inTcz", r.inTcz);
}

}  // namespace

std::string describeStatusRecord(const StatusRecord& r) {
    FieldWriter w;
    addDriveAndControlFields(w, r);
    addRouteFields(w, r);
    addCameraAndOtherFields(w, r);
    return w.text();
}

}  // namespace kova
