#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Plain data shared by the recording's writer and reader.
namespace kova::record {

// One message as received: its frames in order, each an uninterpreted byte string (binary and empty
// frames included).
using Frames = std::vector<std::string>;

// The stream a message came from; also names the stream of a gap.
enum class Stream : std::uint8_t { Status, Log, Request };

// The stream's name as stored in the recording: "status", "log" or "request".
const char* streamName(Stream stream);
// The stream of a stored name; nothing for any other text.
std::optional<Stream> streamFromName(std::string_view name);

// One vehicle of a fleet recording: its connection's name and address.
struct VehicleInfo {
    std::string name;
    std::string host;
    int basePort = 0;
};

// What the console knew about the connection when recording started. A fleet recording lists every
// vehicle of the configuration, in its order; its rows name the vehicle they are of.
struct SessionInfo {
    std::string consoleVersion;
    std::string connectionName;
    std::string host;
    int basePort = 0;
    std::vector<VehicleInfo> vehicles;  // empty when one connection is recorded
};

// How a request ended: a reply came, none came in time, or the exchange failed with an error text.
struct RequestOutcome {
    enum class Kind : std::uint8_t { Replied, NoResponse, Error };
    Kind kind = Kind::Replied;
    std::string errorText;  // only for Kind::Error

    static RequestOutcome replied() { return {Kind::Replied, {}}; }
    static RequestOutcome noResponse() { return {Kind::NoResponse, {}}; }
    static RequestOutcome error(std::string text) { return {Kind::Error, std::move(text)}; }
};

// The outcome's name as stored in the recording: "replied", "no response" or "error".
const char* outcomeName(RequestOutcome::Kind kind);
// The outcome of a stored name; nothing for any other text.
std::optional<RequestOutcome::Kind> outcomeFromName(std::string_view name);

// Every failure of the recorder (a file that cannot be created, is not a recording, is damaged, a
// write that fails): what() is one line of text fit to show the operator as it is.
class RecordError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The recorder's thread could not be started (the system is out of threads or memory): not a fault
// of the file or the arguments.
class RecordThreadError : public RecordError {
public:
    using RecordError::RecordError;
};

}  // namespace kova::record
