#include "record/FrameCodec.h"

#include <cstdint>

namespace kova::record {

std::string encodeFrames(const Frames& frames) {
    std::size_t total = 0;
    for (const auto& frame : frames) {
        total += 4 + frame.size();
    }
    std::string encoded;
    encoded.reserve(total);
    for (const auto& frame : frames) {
        const auto length = static_cast<std::uint32_t>(frame.size());
        for (int shift = 0; shift < 32; shift += 8) {
            encoded.push_back(static_cast<char>((length >> shift) & 0xFFU));
        }
        encoded += frame;
    }
    return encoded;
}

std::optional<Frames> decodeFrames(const void* data, std::size_t size) {
    if (size > kMaxStoredBytes) {
        return std::nullopt;
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    Frames frames;
    std::size_t at = 0;
    while (at < size) {
        if (size - at < 4 || frames.size() == kMaxStoredFrames) {
            return std::nullopt;
        }
        std::uint32_t length = 0;
        for (int i = 3; i >= 0; --i) {
            length = (length << 8) | bytes[at + static_cast<std::size_t>(i)];
        }
        at += 4;
        if (size - at < length) {
            return std::nullopt;
        }
        frames.emplace_back(reinterpret_cast<const char*>(bytes + at), length);
        at += length;
    }
    return frames;
}

}  // namespace kova::record
