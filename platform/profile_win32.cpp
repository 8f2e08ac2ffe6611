// Ini values through the system's own profile calls, which also read the host's Unicode ini files.
#include <windows.h>

#include "platform/profile.h"

namespace qp {

std::string ReadProfileValue(const char* ini_path, const char* section, const char* key,
                             const char* fallback) {
    char value[1024];
    GetPrivateProfileStringA(section, key, fallback, value, sizeof value, ini_path);
    return value;
}

bool WriteProfileValue(const char* ini_path, const char* section, const char* key,
                       const char* value) {
    return WritePrivateProfileStringA(section, key, value, ini_path) != 0;
}

}  // namespace qp
