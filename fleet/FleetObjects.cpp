#include "fleet/FleetObjects.h"

#include <algorithm>
#include <cstdint>

#include "monitor/ValueConversion.h"

namespace kova {

std::vector<std::string> fleetTablePrefixes() {
    std::vector<std::string> prefixes;
    for (int index : kFleetTableObjects) {
        prefixes.push_back(std::to_string(index));
    }
    return prefixes;
}

bool isFleetTableObject(std::string_view indexText) {
    std::int32_t index = 0;
    return convertInt(indexText, index) &&
           std::find(kFleetTableObjects.begin(), kFleetTableObjects.end(), index) != kFleetTableObjects.end();
}

void keepFleetTableValues(StatusRecord& record) {
    StatusRecord kept;
    kept.operationState = record.operationState;
    kept.alarmFault = std::move(record.alarmFault);
    kept.alarmWarning = std::move(record.alarmWarning);
    kept.currentPo = record.currentPo;
    kept.currentSegment = record.currentSegment;
    kept.onRoute = record.onRoute;
    kept.goalPo = record.goalPo;
    kept.goalBarcode = record.goalBarcode;
    kept.operationStatus = record.operationStatus;
    kept.actualVelocity = record.actualVelocity;
    record = std::move(kept);
}

}  // namespace kova
