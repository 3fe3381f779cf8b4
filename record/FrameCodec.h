#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "record/RecordTypes.h"

// The byte layout of a multipart message in a BLOB column: for every frame in order, its length as a
// 4-byte little-endian unsigned integer, then its bytes. No frames give an empty BLOB; an empty frame
// is four zero bytes.
namespace kova::record {

// The encoding of `frames`. Frames longer than 4 GiB - 1 cannot occur on the console's streams and
// are not supported.
std::string encodeFrames(const Frames& frames);

// The frames encoded in `size` bytes at `data`, or nothing when the bytes are not a whole encoding
// (a length that runs past the end, or trailing bytes too short for a length).
std::optional<Frames> decodeFrames(const void* data, std::size_t size);

}  // namespace kova::record
