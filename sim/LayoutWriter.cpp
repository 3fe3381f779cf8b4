#include "sim/LayoutWriter.h"

#include <cstdio>
#include <stdexcept>

namespace kova::sim {

using protocol::ValueKind;

namespace {

bool isFlagKind(ValueKind kind) {
    return kind == ValueKind::IntFlag || kind == ValueKind::TextFlag;
}

}  // namespace

void LayoutWriter::append(ValueKind kind, bool isFlag, const std::string& value) {
    const auto fail = [this](const char* what) {
        throw std::logic_error("object " + std::to_string(layout_.index()) + " value " +
                               std::to_string(written_ + 1) + ": " + what);
    };
    if (written_ >= layout_.valueCount()) {
        fail("one more than its layout takes");
    }
    const ValueKind expected = layout_.kind(written_);
    if (isFlag ? !isFlagKind(expected) : expected != kind) {
        fail("not of the kind its layout gives");
    }
    if (value.find('/') != std::string::npos) {
        fail("a value cannot hold the separator");
    }
    text_ += (written_ == 0 ? "" : "/") + value;
    ++written_;
}

LayoutWriter& LayoutWriter::integer(int value) {
    append(ValueKind::Int, false, std::to_string(value));
    return *this;
}

LayoutWriter& LayoutWriter::real(float value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, static_cast<double>(value));
    append(ValueKind::Float, false, buffer);
    return *this;
}

LayoutWriter& LayoutWriter::text(const std::string& value) {
    append(ValueKind::Text, false, value);
    return *this;
}

LayoutWriter& LayoutWriter::flag(bool value) {
    append(ValueKind::IntFlag, true, value ? "1" : "0");
    return *this;
}

std::string LayoutWriter::finish() const {
    if (written_ != layout_.valueCount()) {
        throw std::logic_error("object " + std::to_string(layout_.index()) + ": " + std::to_string(written_) +
                               " values written, its layout takes " + std::to_string(layout_.valueCount()));
    }
    return text_;
}

}  // namespace kova::sim
