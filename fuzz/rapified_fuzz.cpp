// Fuzzes the rapified reader: whatever it accepts writes back and reads back to the same tree and
// prints; whatever it refuses, it refuses with the offset of what is wrong.
#include <cstdint>
#include <string>
#include <string_view>

#include "config/config_printer.h"
#include "config/rapified_reader.h"
#include "config/rapified_writer.h"
#include "fuzz/fuzz_support.h"

using qp::fuzz::Check;
using namespace qp::config;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Config config;
    std::string error;
    if (!ReadRapified(bytes, config, error)) {
        Check(!IsRapified(bytes) || error.rfind("at offset ", 0) == 0,
              "a refused rapified file is refused with an offset");
        return 0;
    }
    Check(IsRapified(bytes), "only a file with the magic is read");
    const std::string written = WriteRapified(config);
    Config again;
    Check(ReadRapified(written, again, error), "what was read writes back readable");
    Check(again == config, "and reads back to the same tree");
    Check(WriteRapified(again) == written, "the writers' layout writes back to the same bytes");
    PrintConfig(config);
    return 0;
}
