#include "engine/parameter_values.h"

#include "engine/errors.h"

namespace tonvo {

int32_t TVSTParameterValues::IndexOfName(const std::string& name) const noexcept {
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].Name == name) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

int32_t TVSTParameterValues::FindByName(const std::string& name) const {
    const int32_t index = IndexOfName(name);
    if (index < 0) {
        throw EVstError("TVSTParameterValues.FindByName - No match: " + name);
    }
    return index;
}

} // namespace tonvo
