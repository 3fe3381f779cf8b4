#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "record/RecordTypes.h"

// The byte layout of a multipart message in a BLOB column: for every frame in order, its length as a
// 4-byte little-endian unsigned integer, then its bytes. No frames give an empty BLOB; an empty frame
// is four zero bytes.
namespace kova::record {

// What one stored message may hold when it is decoded from a file: far more than the console's
// streams carry (a status message is 2 frames, a log row 1, a reply a few), little enough that a
// damaged row cannot make a replay take gigabytes (four zero bytes decode as one empty frame).
constexpr std::size_t kMaxStoredFrames = 1024;
constexpr std::size_t kMaxStoredBytes = std::size_t{16} << 20;

// The encoding of `frames`. Frames longer than 4 GiB - 1 cannot occur on the console's streams and
// are not supported.
std::string encodeFrames(const Frames& frames);

// The frames encoded in `size` bytes at `data`, or nothing when the bytes are not a whole encoding
// (a length that runs past the end, or trailing bytes too short for a length) or hold more than
// kMaxStoredFrames frames or kMaxStoredBytes bytes.
std::optional<Frames> decodeFrames(const void* data, std::size_t size);

}  // namespace kova::record
