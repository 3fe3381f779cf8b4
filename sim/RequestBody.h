#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kova::sim {

// The body of a request split at every "/", each field trimmed of white space; empty fields stay.
std::vector<std::string> splitFields(const std::string& body);

// A whole field as a decimal integer (optional sign, digits only, 32-bit range); nothing otherwise.
std::optional<int> parseInteger(const std::string& field);

// Point ids separated by ";" ("3;7;12"); nothing when any of them is not an integer or none is given.
std::optional<std::vector<int>> parsePointList(const std::string& text);

// A text safe to echo in a reply or a log line: control and non-ASCII bytes become "?", and a text
// longer than `limit` is cut and marked with "...".
std::string printable(const std::string& text, std::size_t limit = 40);

}  // namespace kova::sim
