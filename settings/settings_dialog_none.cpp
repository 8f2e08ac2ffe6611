// Hosts without the Windows dialog manager have no settings dialog: the settings stay as loaded.
#include "settings/settings_dialog.h"

namespace qp {

int ConfigurePacker(void*, void*) {
    return 0;
}

bool HasSettingsDialog() {
    return false;
}

}  // namespace qp
