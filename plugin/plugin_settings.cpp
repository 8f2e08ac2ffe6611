// The process-wide settings, at their values at load.
#include "plugin/plugin_settings.h"

#include <cstring>

namespace qp {

PluginSettings plugin_settings;

NewArchiveSettings NewArchiveSettingsChosen() {
    const std::size_t length = strnlen(plugin_settings.prefix, kPrefixBufferSize - 1);
    return {plugin_settings.pbo_type, std::string(plugin_settings.prefix, length), {}};
}

}  // namespace qp
