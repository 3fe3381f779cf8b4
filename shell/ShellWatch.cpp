#include "shell/Shell.h"
namespace kova {
int runWatch(const ShellOptions&, const ShellTarget&, ShellStop&, ShellOutput&) {
    return shellRefuse(exit_status::kFailed, "--watch is not in this build yet");
}
int runWatchLog(const ShellTarget&, ShellStop&, ShellOutput&) {
    return shellRefuse(exit_status::kFailed, "--watch-log is not in this build yet");
}
}  // namespace kova
