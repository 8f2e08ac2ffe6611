// Result codes and capability flags as the interface names them.
#include "host/wcx_words.h"

namespace qp::host {

std::string ResultText(int result) {
    switch (result) {
        case 0:
            return "success";
        case 10:
            return "E_END_ARCHIVE, the end of the archive";
        case 11:
            return "E_NO_MEMORY";
        case 12:
            return "E_BAD_DATA, damaged entry data";
        case 13:
            return "E_BAD_ARCHIVE, a damaged archive";
        case 15:
            return "E_EOPEN, a file could not be opened";
        case 16:
            return "E_ECREATE, a file could not be created";
        case 17:
            return "E_ECLOSE";
        case 18:
            return "E_EREAD, a read failed";
        case 19:
            return "E_EWRITE, a write failed";
        case 21:
            return "E_EABORTED, cancelled";
    }
    return "an unknown result";
}

std::string CapabilitiesText(int caps) {
    static const char* const kNames[] = {"new",     "modify", "multiple",   "delete",
                                         "options", "memory", "by content", "search text",
                                         "hidden",  "encrypt"};
    std::string text;
    for (int bit = 0; bit < 10; ++bit) {
        if ((caps & (1 << bit)) == 0) continue;
        if (!text.empty()) text += ", ";
        text += kNames[bit];
    }
    return text;
}

}  // namespace qp::host
