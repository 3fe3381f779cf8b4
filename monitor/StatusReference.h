#pragma once

#include <stdexcept>
#include <string>

#include <Poco/StringTokenizer.h>

#include "monitor/StatusTable.h"

namespace kova {

// The status handler written the plain way: Poco::StringTokenizer with TOK_TRIM, std::stoi and
// std::stof with their exceptions, std::string copies. Slow, but obviously what the stream format
// says; the tests and the fuzz target check handleStatusMessage against it byte for byte.
class ReferenceStatusValues {
public:
    explicit ReferenceStatusValues(const std::string& values)
        : tokens_(values, "/", Poco::StringTokenizer::TOK_TRIM) {}

    std::size_t count() const { return tokens_.count(); }
    bool toInt(std::size_t i, std::int32_t& field) {
        try {
            field = std::stoi(tokens_[i]);
            return true;
        } catch (const std::logic_error&) {
            return false;
        }
    }
    bool toFloat(std::size_t i, float& field) {
        try {
            field = std::stof(tokens_[i]);
            return true;
        } catch (const std::logic_error&) {
            return false;
        }
    }
    void toText(std::size_t i, std::string& field) { field = tokens_[i]; }
    bool isOne(std::size_t i) const { return tokens_[i] == "1"; }

private:
    Poco::StringTokenizer tokens_;
};

inline StatusOutcome referenceHandleStatusMessage(const std::string& indexText, const std::string& valuesText,
                                                  StatusRecord& record) {
    if (valuesText.empty()) {
        return StatusOutcome::Discarded;
    }
    ReferenceStatusValues values(valuesText);
    int index = 0;
    try {
        index = std::stoi(indexText);
    } catch (const std::logic_error&) {
        return StatusOutcome::Discarded;
    }
    return storeStatusValues(index, values, record);
}

}  // namespace kova
