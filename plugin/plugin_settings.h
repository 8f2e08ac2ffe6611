// What a newly created archive carries in its header extension, chosen in the settings dialog.
#pragma once

#include <cstdint>

namespace qp {

constexpr std::int32_t kPboTypeArma = 0;  // a "prefix" pair with the prefix text, if any
constexpr std::int32_t kPboTypeOfp = 1;   // the pair "product" / "OFP: Resistance"
constexpr int kPrefixBufferSize = 260;

// Lives in memory only, as long as the host keeps the plugin loaded.
struct PluginSettings {
    void* module_instance = nullptr;
    char prefix[kPrefixBufferSize] = {};
    std::int32_t pbo_type = kPboTypeArma;  // any other value: no extension pair
};

extern PluginSettings plugin_settings;

}  // namespace qp
