#include "monitor/StatusHandler.h"

#include "monitor/StatusTokens.h"
#include "monitor/ValueConversion.h"

namespace kova {

namespace {

static_assert(StatusTokens::kMaxKept >= protocol::kMaxValues,
              "the tokens keep every value a status object takes");

// The values of one message as views into its frame, converted without copies.
class TokenValues {
public:
    explicit TokenValues(const StatusTokens& tokens) : tokens_(tokens) {}

    std::size_t count() const { return tokens_.count(); }
    bool toInt(std::size_t i, std::int32_t& field) { return convertInt(tokens_[i], field); }
    bool toFloat(std::size_t i, float& field) { return convertFloat(tokens_[i], field); }
    void toText(std::size_t i, std::string& field) { field.assign(tokens_[i].data(), tokens_[i].size()); }
    bool isOne(std::size_t i) const { return tokens_[i] == "1"; }

private:
    const StatusTokens& tokens_;
};

}  // namespace

StatusOutcome handleStatusMessage(std::string_view indexText, std::string_view valuesText,
                                  StatusRecord& record) noexcept {
    if (valuesText.empty()) {
        return StatusOutcome::Discarded;
    }
    const StatusTokens tokens(valuesText);
    std::int32_t index = 0;
    if (!convertInt(indexText, index)) {
        return StatusOutcome::Discarded;
    }
    TokenValues values(tokens);
    try {
        return storeStatusValues(index, values, record);
    } catch (...) {
        // Only a text field that cannot grow (out of memory) gets here; like a failed conversion,
        // it ends the message with what was stored before it.
        return StatusOutcome::ConversionFailed;
    }
}

}  // namespace kova
