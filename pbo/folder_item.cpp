// Folder items of host file lists: "folder\*.*" or "folder\".
#include "pbo/folder_item.h"

#include <string_view>

namespace qp {

std::string FolderPrefix(const char* item) {
    std::string_view text(item);
    if (text.ends_with("\\*.*")) {
        text.remove_suffix(3);
    } else if (!text.ends_with('\\')) {
        return {};
    }
    return std::string(text);
}

}  // namespace qp
