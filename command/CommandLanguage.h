#pragma once

#include <string>
#include <vector>

namespace kova {

// One request a command sends: the verb ("set", "setm", "get", "getm"), the body (object index,
// subindex and values joined with "/") and how long to pause after its reply has been shown.
struct PlannedRequest {
    std::string verb;
    std::string body;
    long waitMs = 0;
};

// What the console does itself, without the controller.
enum class ConsoleAction {
    None,
    Help,     // "help" or "?": the command table in the log window until the next key
    Fleet,    // "fleet": back to the fleet table (only when the console shows a fleet)
    Objects,  // "objects": every object the console knows, listed in the log window
    Find,     // "find TEXT" or "/TEXT": the log window's search, TEXT in `argument`
    Filter,   // "filter TEXT": only the log lines that match; "filter" alone: every line again
};

// What one command line does. Either `message` is set (a usage text or the unrecognised-command
// text, shown as it is and nothing is sent), or `requests` lists the requests to send in order, or
// `action` names what the console does itself. An empty line yields none of them.
struct CommandPlan {
    std::string message;
    std::vector<PlannedRequest> requests;
    ConsoleAction action = ConsoleAction::None;
    std::string argument;  // what follows the word of find and filter, as typed
};

// Shown for a command word that no command takes (and for "m", "h", "s" with too many fields).
extern const char* const kWrongCommandText;

// The pause after each request of the short forms that move the vehicle.
constexpr long kCommandPauseMs = 100;

// The line split at every "/", each field trimmed of leading and trailing white space; empty fields
// are kept. An empty line has no fields; a line of blanks is one empty field.
std::vector<std::string> splitCommandFields(const std::string& line);

// The command language: what the operator's line asks for. Pure: no state, no screen, no network.
// Fields are neither validated nor converted; they go into the bodies exactly as typed (trimmed).
// Any thread.
CommandPlan planCommand(const std::string& line);

}  // namespace kova
