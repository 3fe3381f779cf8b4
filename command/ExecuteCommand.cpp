#include "command/CommandWindow.h"

namespace kova {

// Placeholder until the command language lands: every line is accepted and does nothing.
void CommandWindow::executeCommand(std::string /*line*/) {}

std::string CommandWindow::request(std::string verb, std::string /*body*/) {
    return verb;
}

void CommandWindow::ensureRequestSocket() {}

}  // namespace kova
