#include "sim/MalformedFrames.h"

#include "protocol/ObjectIndex.h"

namespace kova::sim {

namespace {

namespace object = protocol::object;

std::string indexText(int index) {
    return std::to_string(index);
}

}  // namespace

std::vector<std::string> malformedMessage(std::size_t n) {
    switch (n % kMalformedKinds) {
        case 0:
            return {indexText(object::kCurrentPosition)};
        case 1:
            return {indexText(object::kCurrentPosition), "1/1/0", "extra", "frames", "here"};
        case 2:
            return {std::string("\x00\xff\x7f\x80", 4), std::string("\x01/\x00\xfe/\x1b[2J\x07", 9)};
        case 3:
            return {indexText(object::kRouteSegment), std::string(kHugeFrameSize, 'H')};
        case 4:
            return {"9999", "1/2/3"};  // no object has this index
        case 5:
            return {indexText(object::kOperationState), ""};
        default:
            return {"abc", "4"};
    }
}

}  // namespace kova::sim
