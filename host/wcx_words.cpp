// Result codes and capability flags as the interface names them.
#include "host/wcx_words.h"

#include "plugin/wcx.h"

namespace qp::host {

std::string ResultText(int result) {
    switch (result) {
        case 0:
            return "success";
        case E_END_ARCHIVE:
            return "E_END_ARCHIVE, the end of the archive";
        case E_NO_MEMORY:
            return "E_NO_MEMORY";
        case E_BAD_DATA:
            return "E_BAD_DATA, damaged entry data";
        case E_BAD_ARCHIVE:
            return "E_BAD_ARCHIVE, a damaged archive";
        case E_UNKNOWN_FORMAT:
            return "E_UNKNOWN_FORMAT, not an archive of this plugin";
        case E_EOPEN:
            return "E_EOPEN, a file could not be opened";
        case E_ECREATE:
            return "E_ECREATE, a file could not be created";
        case E_ECLOSE:
            return "E_ECLOSE";
        case E_EREAD:
            return "E_EREAD, a read failed";
        case E_EWRITE:
            return "E_EWRITE, a write failed";
        case E_EABORTED:
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
