// Feeds arbitrary bytes to the configuration loader as the contents of conf.json. Whatever the
// bytes, the loader must return, never throw or crash, and a file that failed must never count as
// loaded with a connection of an empty name read from nowhere.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "config/Configuration.h"

namespace {

const std::string& inputPath() {
    static const std::string path = "/tmp/kova-configuration-fuzz-" + std::to_string(getpid()) + ".json";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        std::ofstream out(inputPath(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const kova::Configuration configuration = kova::loadConfiguration(inputPath());
    if (kova::firstConnection(configuration).name.empty() && configuration.connections.empty()) {
        std::abort();  // without connections the defaults apply, and they name the loopback host
    }
    unlink(inputPath().c_str());
    return 0;
}
