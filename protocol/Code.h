#pragma once

#include <type_traits>

namespace kova::protocol {

// The number a code of one of the protocol's enums travels as.
template <class Code>
constexpr int code(Code value) {
    static_assert(std::is_enum_v<Code>, "a code is one of the protocol's enums");
    return static_cast<int>(value);
}

}  // namespace kova::protocol
