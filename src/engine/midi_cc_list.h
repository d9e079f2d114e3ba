// The MIDI controller assignments: each binds a control-change number to a parameter name.
// Names are unique in the list; numbers need not be. They travel in the state block.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tonvo {

struct TMidiCCItem {
    int32_t CC = 0;
    std::string Name;

    bool operator==(const TMidiCCItem&) const = default;
};

class TMidiCCList {
public:
    int32_t Count() const noexcept { return static_cast<int32_t>(items_.size()); }
    const TMidiCCItem& GetItem(int32_t index) const {
        return items_.at(static_cast<size_t>(index));
    }
    const std::vector<TMidiCCItem>& Items() const noexcept { return items_; }

    // Replaces the number of the assignment with this exact name, or appends a new one.
    const TMidiCCItem& SetAssignment(const std::string& name, int32_t cc);
    // Replaces the whole list, as SetAssignment for each item in order would: a later item of
    // a name already listed changes that one's number. Linear in the number of items.
    void SetAssignments(const std::vector<TMidiCCItem>& items);
    // Index of the first assignment with exactly this name, or -1.
    int32_t IndexOfName(const std::string& name) const noexcept;
    void Clear() noexcept { items_.clear(); }

private:
    std::vector<TMidiCCItem> items_;
};

} // namespace tonvo
