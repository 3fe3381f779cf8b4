#pragma once

#include <string>
#include <vector>

namespace kova {

// Help at the prompt: the command table the help command shows, and Tab completion of command
// words and keywords. Pure; any thread.

// The command table as rows of at most `cols` columns for a body of `rows` rows: each command's
// usage text, in as many columns as the width holds ("fleet" only `withFleet`, in a console showing a
// fleet). When the rows cannot hold all, the last one says so.
std::vector<std::string> commandTable(int rows, int cols, bool withFleet = false);

// What Tab makes of the line being typed (the cursor at its end).
struct Completion {
    std::string line;                     // the line with its last field completed as far as it goes
    std::vector<std::string> candidates;  // every word the last field can still become, in order
};

// Completes the last field of `line`: the command word, or a keyword of the command's field. One
// candidate completes it whole (with "/" when the command takes another field: "ser" gives
// "servo/", "servo/of" gives "servo/off"); several complete it to what they share.
// "fleet" is offered only `withFleet`.
Completion completeCommand(const std::string& line, bool withFleet = false);

}  // namespace kova
