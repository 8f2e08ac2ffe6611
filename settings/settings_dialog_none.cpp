// Hosts without the Windows dialog manager have no settings dialog: the settings stay as loaded.
#include "settings/settings_dialog.h"

namespace qp {

int ShowSettingsDialog(void*, void*, DialogSettings&) {
    return 0;
}

bool HasSettingsDialog() {
    return false;
}

}  // namespace qp
