// The settings dialog, which chooses what new archives carry, and the About box it opens.
#pragma once

#include <cstdint>

namespace qp {

constexpr int kPrefixBufferSize = 260;
constexpr int kKeyPathBufferSize = 260;  // the longest path the system's Open dialog gives

// What the dialog edits, handed to it by its caller: the values it shows when it opens and,
// after OK, the values chosen.
struct DialogSettings {
    std::int32_t pbo_type = 0;  // the list's index: 0 "ArmA PBO", 1 "OFP: Resistance PBO", -1 none
    char prefix[kPrefixBufferSize] = {};  // at most 259 bytes and a NUL
    // The private key every edit signs the archive with; empty for none.
    char sign_key[kKeyPathBufferSize] = {};
    std::int32_t sign_version = 3;  // 3, or 2 for old servers
};

// Shows the settings dialog modally on the calling thread, owned by `parent`, from the templates
// in `instance`; returns when it closes: 1 after OK, 2 after Cancel, or the failure value of the
// system when the dialog cannot be created. Only OK changes `settings`.
int ShowSettingsDialog(void* parent, void* instance, DialogSettings& settings);

// Whether this build has the dialog: without it the host is not offered the plugin's options.
bool HasSettingsDialog();

}  // namespace qp
