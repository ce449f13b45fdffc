#include "common/offset_list.h"

namespace trellane {

std::string listOffsets(const std::vector<size_t>& offsets) {
    std::string text;
    for (size_t offset : offsets) {
        if (!text.empty()) text += ", ";
        text += std::to_string(offset);
    }
    return text;
}

}  // namespace trellane
