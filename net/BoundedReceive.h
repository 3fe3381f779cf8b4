#pragma once

#include <cstddef>
#include <cstdint>

#include <zmq.hpp>
#include <zmq_addon.hpp>

namespace kova {

// How much of one received message is kept: at most `frames` frames and `bytes` bytes of them in
// all. A message is a prefix of what was sent: from the first frame that would pass either bound on,
// the rest of the message is read and let go at once, frame by frame, so one message can never
// stand for more lines or values than a real one, nor hold the console's memory.
//
// libzmq itself hands a message over only once all of it has arrived, and holds its frames meanwhile
// (64 bytes a frame besides the data); no socket option bounds the frames of one message. It does
// bound each frame: a frame over `frameBytes` ends the connection at once, and with it whatever of
// that message was held (Subscription connects again).
struct MessageLimits {
    std::size_t frames;
    std::size_t bytes;
    std::size_t frameBytes;
};

// The status stream's messages are [object index, values], a few bytes each; two frames more are let
// through, so a recording still shows the stray frames of a controller that sends them. A log
// message carries a line per frame.
inline constexpr MessageLimits kStatusLimits{4, std::size_t{1} << 20, std::size_t{64} << 10};
inline constexpr MessageLimits kLogLimits{64, std::size_t{1} << 20, std::size_t{1} << 20};

// What a bounded receive let go of from one message.
struct MessageCut {
    std::uint64_t frames = 0;
    std::uint64_t bytes = 0;
    explicit operator bool() const { return frames > 0; }
};

// Receives one message from `socket` into `message` (emptied first), keeping what `limits` allow and
// telling in `cut` what it let go. The first frame is waited for as `flags` and the socket's receive
// time-out say: false when none came (EAGAIN). The rest of a message is there once its first frame
// is. Throws zmq::error_t on any other failure. The socket's thread.
bool receiveBounded(zmq::socket_t& socket, zmq::multipart_t& message, const MessageLimits& limits,
                    MessageCut& cut, zmq::recv_flags flags = zmq::recv_flags::none);

}  // namespace kova
