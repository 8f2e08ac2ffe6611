// What a newly created archive carries in its header extension, and the key edited archives are
// signed with, chosen in the settings dialog and remembered in the host's ini file.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "editing/pack_files.h"
#include "settings/settings_dialog.h"

namespace qp {

struct PluginSettings {
    void* module_instance = nullptr;
    char prefix[kPrefixBufferSize] = {};
    std::int32_t pbo_type = kPboTypeArma;    // any other value: no extension pair
    char sign_key[kKeyPathBufferSize] = {};  // in the system's code page; empty: no signing
    std::int32_t sign_version = 3;
    // Edits change archives where they lie, needing no room for a copy beside them, at the risk
    // that a crash in the middle damages the archive: only with in_place=1 in the ini file.
    bool in_place = false;
};

// Held by whoever reads or writes the settings: packing on a background thread reads them while
// the dialog may be storing new ones.
extern std::mutex plugin_settings_lock;
extern PluginSettings plugin_settings;

// What the settings give a new archive.
NewArchiveSettings NewArchiveSettingsChosen();
// Whether the user asked for edits in place.
bool EditInPlaceChosen();

// The key every edited archive is signed with (empty for none) and the signature's version.
struct SigningChosen {
    std::string key_path;
    int version;
};
SigningChosen SigningSettingsChosen();

// The settings as the dialog shows them, and the dialog's choice taken in after OK.
DialogSettings SettingsForDialog();
void TakeDialogSettings(const DialogSettings& chosen);

// Takes the host's ini file, where the settings live in a [quillpack] section, and reads them
// from it. A missing file, section or value leaves the default.
void LoadRememberedSettings(const char* ini_path);
// Writes the settings to the ini file taken at load; false when there is none or it cannot be
// written.
bool RememberSettings();

}  // namespace qp
