#include "shell/Shell.h"
namespace kova {
int runScript(const ShellOptions&, const ShellTarget&, ShellStop&, ShellOutput&) {
    return shellRefuse(exit_status::kFailed, "--script is not in this build yet");
}
}  // namespace kova
