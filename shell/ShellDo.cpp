// --do: each command of the command line sent in order, each reply on a line of its own.
#include <chrono>

#include "base/OperationLog.h"
#include "base/Utf8.h"
#include "command/CommandLanguage.h"
#include "command/SentRecord.h"
#include "protocol/Endpoints.h"
#include "shell/Shell.h"
#include "shell/ShellJson.h"

namespace kova {

int runDo(const ShellOptions& options, const ShellTarget& target, ShellStop& stop, ShellOutput& out) {
    // Every command is checked before the first one is sent.
    for (const std::string& command : options.doCommands) {
        if (const std::string why = shellRejection(command); !why.empty()) {
            return shellRefuse(exit_status::kRejected, "--do " + why + " (nothing sent)");
        }
    }
    if (options.dryRun) {
        for (const std::string& command : options.doCommands) {
            for (const PlannedRequest& request : planCommand(command).requests) {
                out.line(command + " -> " + request.verb + " " + request.body);
            }
        }
        return exit_status::kOk;
    }
    const ControllerAddress& vehicle = target.vehicles.front();
    CommandRunner runner(vehicle.endpoint(protocol::kRequestPortOffset));
    std::string command;
    int status = exit_status::kOk;
    runner.onSent([&](const CommandRunner::Sent& sent) {
        if (target.recorder)
            recordSent(*target.recorder, sent);
        const ExchangeResult& result = *sent.result;
        if (options.json) {
            out.line(replyJson(ReplyLine{sent.endedNs, vehicle.name, command, result.text,
                                         static_cast<double>(sent.endedNs - sent.sentNs) / 1e6,
                                         outcomeWord(result)}));
        } else {
            out.line(result.text);
        }
        if (status == exit_status::kOk) {
            status = outcomeStatus(result);
            if (status != exit_status::kOk) {
                shellRefuse(status, "\"" + command + "\" (" + sent.verb + " " + sent.body + "): " +
                                        (status == exit_status::kRefused ? "the controller refused it"
                                                                         : result.text));
            }
        }
    });
    const auto ignore = [](const std::string&, CommandRunner::Output) {};
    // A failed request ends the run: the rest of the command and the commands after it are not sent.
    const auto pause = [&](long ms) { return status == exit_status::kOk && stop.sleep(ms); };
    for (const std::string& each : options.doCommands) {
        command = each;
        oplog::info("shell --do \"{}\"", escapeText(command, '"'));
        runner.run(command, ignore, pause);
        if (status != exit_status::kOk)
            return status;
        if (stop.requested())
            return shellRefuse(exit_status::kFailed, "interrupted before every command was sent");
    }
    return status;
}

}  // namespace kova
