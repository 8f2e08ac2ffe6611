// The process-wide settings, at their values at load.
#include "plugin/plugin_settings.h"

namespace qp {

PluginSettings plugin_settings;

}  // namespace qp
