// The process-wide settings, at their defaults until the host's ini file is read.
#include "plugin/plugin_settings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/profile.h"

namespace qp {
namespace {

constexpr char kSection[] = "quillpack";
std::string ini_file;  // under plugin_settings_lock

}  // namespace

std::mutex plugin_settings_lock;
PluginSettings plugin_settings;

NewArchiveSettings NewArchiveSettingsChosen() {
    const std::lock_guard<std::mutex> hold(plugin_settings_lock);
    const std::size_t length = strnlen(plugin_settings.prefix, kPrefixBufferSize - 1);
    return {plugin_settings.pbo_type, std::string(plugin_settings.prefix, length), {}};
}

SigningChosen SigningSettingsChosen() {
    const std::lock_guard<std::mutex> hold(plugin_settings_lock);
    return {std::string(plugin_settings.sign_key,
                        strnlen(plugin_settings.sign_key, kKeyPathBufferSize - 1)),
            plugin_settings.sign_version};
}

bool EditInPlaceChosen() {
    const std::lock_guard<std::mutex> hold(plugin_settings_lock);
    return plugin_settings.in_place;
}

DialogSettings SettingsForDialog() {
    const std::lock_guard<std::mutex> hold(plugin_settings_lock);
    DialogSettings shown;
    shown.pbo_type = plugin_settings.pbo_type;
    std::memcpy(shown.prefix, plugin_settings.prefix, kPrefixBufferSize);
    std::memcpy(shown.sign_key, plugin_settings.sign_key, kKeyPathBufferSize);
    shown.sign_version = plugin_settings.sign_version;
    return shown;
}

void TakeDialogSettings(const DialogSettings& chosen) {
    const std::lock_guard<std::mutex> hold(plugin_settings_lock);
    plugin_settings.pbo_type = chosen.pbo_type;
    std::memcpy(plugin_settings.prefix, chosen.prefix, kPrefixBufferSize);
    std::memcpy(plugin_settings.sign_key, chosen.sign_key, kKeyPathBufferSize);
    plugin_settings.sign_version = chosen.sign_version == 2 ? 2 : 3;
}

void LoadRememberedSettings(const char* ini_path) {
    if (ini_path == nullptr || ini_path[0] == '\0') return;
    const std::string type = ReadProfileValue(ini_path, kSection, "type", "");
    const std::string prefix = ReadProfileValue(ini_path, kSection, "prefix", "");
    const std::string sign_key = ReadProfileValue(ini_path, kSection, "sign_key", "");
    const std::string sign_version = ReadProfileValue(ini_path, kSection, "sign_version", "");
    const std::string in_place = ReadProfileValue(ini_path, kSection, "in_place", "0");
    const std::lock_guard<std::mutex> hold(plugin_settings_lock);
    ini_file = ini_path;
    // Only the values the dialog offers are taken; anything else keeps the default.
    if (type == "0" || type == "1") plugin_settings.pbo_type = std::atoi(type.c_str());
    plugin_settings.in_place = in_place == "1";
    if (prefix.size() < kPrefixBufferSize) {
        std::memcpy(plugin_settings.prefix, prefix.c_str(), prefix.size() + 1);
    }
    if (sign_key.size() < kKeyPathBufferSize) {
        std::memcpy(plugin_settings.sign_key, sign_key.c_str(), sign_key.size() + 1);
    }
    plugin_settings.sign_version = sign_version == "2" ? 2 : 3;
}

bool RememberSettings() {
    std::string ini_path, type, prefix;
    {
        const std::lock_guard<std::mutex> hold(plugin_settings_lock);
        ini_path = ini_file;
        type = std::to_string(plugin_settings.pbo_type);
        prefix.assign(plugin_settings.prefix, strnlen(plugin_settings.prefix, kPrefixBufferSize));
    }
    const SigningChosen signing = SigningSettingsChosen();
    if (ini_path.empty()) return false;
    return WriteProfileValue(ini_path.c_str(), kSection, "type", type.c_str()) &&
           WriteProfileValue(ini_path.c_str(), kSection, "prefix", prefix.c_str()) &&
           WriteProfileValue(ini_path.c_str(), kSection, "sign_key", signing.key_path.c_str()) &&
           WriteProfileValue(ini_path.c_str(), kSection, "sign_version",
                             std::to_string(signing.version).c_str());
}

}  // namespace qp
