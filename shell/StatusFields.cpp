#include "shell/StatusFields.h"

#include <array>

#include "monitor/StatusTokens.h"
#include "monitor/ValueConversion.h"

namespace kova {

namespace {

// Calls visit(name, field) for every field of the record, in declared order. `Record` is the record,
// const or not.
template <class Record, class Visit>
void visitFields(Record& r, Visit&& visit) {
    auto one = [&](const std::string& name, auto& field) { visit(name, field); };
    auto many = [&](const std::string& name, auto& array) {
        for (std::size_t i = 0; i < array.size(); ++i) {
            visit(name + "[" + std::to_string(i) + "]", array[i]);
        }
    };
    auto drive = [&](const std::string& p, auto& d) {
        one(p + ".controlWord", d.controlWord);
        one(p + ".statusWord", d.statusWord);
        one(p + ".nmtState", d.nmtState);
        one(p + ".position", d.position);
        one(p + ".targetRpm", d.targetRpm);
        one(p + ".actualRpm", d.actualRpm);
        one(p + ".actualTorque", d.actualTorque);
        one(p + ".demandTorque", d.demandTorque);
        one(p + ".servoState", d.servoState);
        many(p + ".statusCodes", d.statusCodes);
    };
    one("operationStatus", r.operationStatus);
    one("controlPeriodActual", r.controlPeriodActual);
    one("controlPeriodMax", r.controlPeriodMax);
    drive("frontDrive", r.frontDrive);
    drive("rearDrive", r.rearDrive);
    one("pdoPeriod", r.pdoPeriod);
    one("pdoPeriodMax", r.pdoPeriodMax);
    one("controlwordPeriod", r.controlwordPeriod);
    one("controlwordPeriodMax", r.controlwordPeriodMax);
    one("nodeguardPeriod", r.nodeguardPeriod);
    one("nodeguardPeriodMax", r.nodeguardPeriodMax);
    one("brakeState", r.brakeState);
    many("values4031", r.values4031);
    many("values4032", r.values4032);
    one("actualVelocity", r.actualVelocity);
    one("targetVelocity", r.targetVelocity);
    one("goalPo", r.goalPo);
    one("goalBarcode", r.goalBarcode);
    one("operationState", r.operationState);
    one("dataloggerState", r.dataloggerState);
    one("routeGen.pathKind", r.routeGen.pathKind);
    one("routeGen.segment", r.routeGen.segment);
    one("routeGen.poFrom", r.routeGen.poFrom);
    one("routeGen.poTo", r.routeGen.poTo);
    one("routeGen.velocityMax", r.routeGen.velocityMax);
    one("routeGen.velocityConst", r.routeGen.velocityConst);
    one("routeGen.profile", r.routeGen.profile);
    one("routeGen.endOfRoute", r.routeGen.endOfRoute);
    many("connectedSegments", r.connectedSegments);
    one("barPathKind", r.barPathKind);
    one("barSegment", r.barSegment);
    one("barPoFrom", r.barPoFrom);
    one("barPoTo", r.barPoTo);
    one("currentSegment", r.currentSegment);
    one("currentPo", r.currentPo);
    one("onRoute", r.onRoute);
    one("cameraPosition", r.cameraPosition);
    one("cameraVelocity", r.cameraVelocity);
    one("cameraPeriod", r.cameraPeriod);
    one("cameraPeriodMax", r.cameraPeriodMax);
    one("steerTarget", r.steerTarget);
    one("steerActual", r.steerActual);
    one("obstacleDetect", r.obstacleDetect);
    one("obstacleFs", r.obstacleFs);
    one("photoSensor", r.photoSensor);
    many("values7251", r.values7251);
    many("values7252", r.values7252);
    many("values7253", r.values7253);
    many("values6070", r.values6070);
    one("runTime", r.runTime);
    many("alarmWarning", r.alarmWarning);
    many("alarmFault", r.alarmFault);
    one("runDistance", r.runDistance);
    one("genDistanceTotal", r.genDistanceTotal);
    one("genDistanceRemaining", r.genDistanceRemaining);
    one("genDistanceEncoder", r.genDistanceEncoder);
    one("conDistanceTotal", r.conDistanceTotal);
    one("conDistanceEncoder", r.conDistanceEncoder);
    one("inTcz", r.inTcz);
}

FieldKind kindOf(const std::int32_t&) {
    return FieldKind::Int;
}
FieldKind kindOf(const float&) {
    return FieldKind::Float;
}
FieldKind kindOf(const std::string&) {
    return FieldKind::Text;
}
FieldKind kindOf(const bool&) {
    return FieldKind::Flag;
}

// Every field once: its name, its kind and where it lies in a record.
struct FieldEntry {
    std::string name;
    FieldKind kind;
    std::size_t offset;
};

const std::vector<FieldEntry>& fieldTable() {
    static const std::vector<FieldEntry> table = [] {
        std::vector<FieldEntry> entries;
        const StatusRecord record;
        const auto* base = reinterpret_cast<const char*>(&record);
        visitFields(record, [&](const std::string& name, const auto& field) {
            entries.push_back({name, kindOf(field),
                               static_cast<std::size_t>(reinterpret_cast<const char*>(&field) - base)});
        });
        return entries;
    }();
    return table;
}

const FieldEntry* findField(std::string_view name) {
    for (const FieldEntry& entry : fieldTable()) {
        if (entry.name == name)
            return &entry;
    }
    return nullptr;
}

FieldValue valueAt(const StatusRecord& record, const FieldEntry& entry) {
    const char* at = reinterpret_cast<const char*>(&record) + entry.offset;
    FieldValue value;
    value.kind = entry.kind;
    switch (entry.kind) {
        case FieldKind::Int:
            value.number = *reinterpret_cast<const std::int32_t*>(at);
            break;
        case FieldKind::Float:
            value.real = *reinterpret_cast<const float*>(at);
            break;
        case FieldKind::Text:
            value.text = *reinterpret_cast<const std::string*>(at);
            break;
        case FieldKind::Flag:
            value.flag = *reinterpret_cast<const bool*>(at);
            break;
    }
    return value;
}

// The values of one message, converted as the monitor converts them; remembers where each value
// went, so the fields can be named afterwards.
class NotingValues {
public:
    explicit NotingValues(const StatusTokens& tokens) : tokens_(tokens) {}
    std::size_t count() const { return tokens_.count(); }
    bool toInt(std::size_t i, std::int32_t& field) { return note(convertInt(tokens_[i], field), &field); }
    bool toFloat(std::size_t i, float& field) { return note(convertFloat(tokens_[i], field), &field); }
    void toText(std::size_t i, std::string& field) {
        field.assign(tokens_[i].data(), tokens_[i].size());
        note(true, &field);
    }
    bool isOne(std::size_t i) const { return tokens_[i] == "1"; }
    std::vector<const void*> stored;

private:
    bool note(bool ok, const void* field) {
        if (ok)
            stored.push_back(field);
        return ok;
    }
    const StatusTokens& tokens_;
};

}  // namespace

std::optional<FieldKind> statusFieldKind(std::string_view name) {
    const FieldEntry* entry = findField(name);
    return entry ? std::optional<FieldKind>(entry->kind) : std::nullopt;
}

MessageFields fieldsOfMessage(std::string_view indexText, std::string_view valuesText) {
    MessageFields result;
    std::int32_t index = 0;
    if (valuesText.empty() || !convertInt(indexText, index))
        return result;
    StatusRecord record;
    const StatusTokens tokens(valuesText);
    NotingValues values(tokens);
    result.outcome = storeStatusValues(index, values, record);
    // Named in value order. A flag is stored through a local or without a conversion, so it is the
    // one field not noted: the two objects that carry one add it below.
    const auto* base = reinterpret_cast<const char*>(&record);
    for (const void* address : values.stored) {
        const auto offset = static_cast<std::size_t>(static_cast<const char*>(address) - base);
        for (const FieldEntry& entry : fieldTable()) {
            if (entry.offset == offset)
                result.fields.emplace_back(entry.name, valueAt(record, entry));
        }
    }
    if (result.outcome == StatusOutcome::Stored) {
        const char* flag = index == protocol::object::kRouteGeneration        ? "routeGen.endOfRoute"
                           : index == protocol::object::kInTrafficControlZone ? "inTcz"
                                                                              : nullptr;
        if (flag)
            result.fields.emplace_back(flag, valueAt(record, *findField(flag)));
    }
    return result;
}

}  // namespace kova
