// The settings dialog, which chooses what new archives carry, and the About box it opens.
#pragma once

namespace qp {

// Shows the settings dialog modally on the calling thread, owned by `parent`, from the templates
// in `instance`; returns when it closes: 1 after OK, 2 after Cancel, or the failure value of the
// system when the dialog cannot be created. Only OK changes `plugin_settings`.
int ConfigurePacker(void* parent, void* instance);

// Whether this build has the dialog: without it the host is not offered the plugin's options.
bool HasSettingsDialog();

}  // namespace qp
