#include "engine/midi_cc_list.h"

#include <unordered_map>
#include <utility>

namespace tonvo {

const TMidiCCItem& TMidiCCList::SetAssignment(const std::string& name, int32_t cc) {
    if (const int32_t index = IndexOfName(name); index >= 0) {
        TMidiCCItem& item = items_[static_cast<size_t>(index)];
        item.CC = cc;
        return item;
    }
    return items_.emplace_back(TMidiCCItem{cc, name});
}

void TMidiCCList::SetAssignments(const std::vector<TMidiCCItem>& items) {
    std::vector<TMidiCCItem> list;
    list.reserve(items.size());
    std::unordered_map<std::string, size_t> indexOfName;
    indexOfName.reserve(items.size());
    for (const TMidiCCItem& item : items) {
        const auto [at, added] = indexOfName.try_emplace(item.Name, list.size());
        if (added) {
            list.push_back(item);
        } else {
            list[at->second].CC = item.CC;
        }
    }
    items_ = std::move(list);
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
