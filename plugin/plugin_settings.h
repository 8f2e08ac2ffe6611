// What a newly created archive carries in its header extension, chosen in the settings dialog.
#pragma once

#include <cstdint>

#include "editing/pack_files.h"

namespace qp {

constexpr int kPrefixBufferSize = 260;

// Lives in memory only, as long as the host keeps the plugin loaded.
struct PluginSettings {
    void* module_instance = nullptr;
    char prefix[kPrefixBufferSize] = {};
    std::int32_t pbo_type = kPboTypeArma;  // any other value: no extension pair
};

extern PluginSettings plugin_settings;

// What the settings give a new archive.
NewArchiveSettings NewArchiveSettingsChosen();

}  // namespace qp
