// Feeds arbitrary bytes to the configuration loader as the contents of conf.json. Whatever the
// bytes, the loader must return true or false, never throw or crash, and keep its three lists in
// step with each other.
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
    kova::resetConfiguration();
    kova::loadConfiguration(inputPath());
    if (kova::connectionNames.size() != kova::connectionHosts.size() ||
        kova::connectionNames.size() != kova::connectionPorts.size()) {
        std::abort();
    }
    unlink(inputPath().c_str());
    return 0;
}
