#include "sim/MalformedFrames.h"

namespace kova::sim {

std::vector<std::string> malformedMessage(std::size_t n) {
    switch (n % kMalformedKinds) {
        case 0:
            return {"3009"};
        case 1:
            return {"3009", "1/1/0", "extra", "frames", "here"};
        case 2:
            return {std::string("\x00\xff\x7f\x80", 4), std::string("\x01/\x00\xfe/\x1b[2J\x07", 9)};
        case 3:
            return {"3021", std::string(kHugeFrameSize, 'H')};
        case 4:
            return {"9999", "1/2/3"};
        case 5:
            return {"111", ""};
        default:
            return {"abc", "4"};
    }
}

}  // namespace kova::sim
