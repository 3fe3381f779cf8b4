#pragma once

#include "command/CommandRunner.h"
#include "record/RecordWriter.h"

namespace kova {

// Writes one sent request and what came of it (a reply, no response, or the failure's text) as the
// recorder's request record: the console's command line and the shell's runs record alike. Any
// thread; the recorder queues it.
void recordSent(record::RecordWriter& recorder, const CommandRunner::Sent& sent, std::int32_t vehicle = -1);

}  // namespace kova
