#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "protocol/StatusLayout.h"

namespace kova::sim {

// Writes the values text of one status object ("12/7/1") in the order and kinds of the object's
// layout. A value of another kind than its place takes, a text holding "/", or a value too many or
// too few is a fault of the publisher: it throws std::logic_error, so that it never reaches the
// wire. Not thread-safe; use one writer per message.
class LayoutWriter {
public:
    // `layout` must outlive the writer.
    explicit LayoutWriter(const protocol::ObjectLayout& layout) : layout_(layout) {}

    LayoutWriter& integer(int value);
    // Written with `decimals` digits after the point.
    LayoutWriter& real(float value, int decimals);
    LayoutWriter& text(const std::string& value);
    // An int flag or a text flag: "1" or "0".
    LayoutWriter& flag(bool value);

    template <std::size_t N>
    LayoutWriter& integers(const std::array<int, N>& values) {
        for (int value : values) {
            integer(value);
        }
        return *this;
    }

    // The values text; throws std::logic_error unless every value of the full form was written.
    std::string finish() const;

private:
    void append(protocol::ValueKind kind, bool isFlag, const std::string& value);

    const protocol::ObjectLayout& layout_;
    std::size_t written_ = 0;
    std::string text_;
};

}  // namespace kova::sim
