#include "engine/midi_cc_list.h"

namespace tonvo {

const TMidiCCItem& TMidiCCList::SetAssignment(const std::string& name, int32_t cc) {
    if (const int32_t index = IndexOfName(name); index >= 0) {
        TMidiCCItem& item = items_[static_cast<size_t>(index)];
        item.CC = cc;
        return item;
    }
    return items_.emplace_back(TMidiCCItem{cc, name});
}

int32_t TMidiCCList::IndexOfName(const std::string& name) const noexcept {
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].Name == name) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

} // namespace tonvo
