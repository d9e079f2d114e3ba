// The LV2 bundle's library: the plug-in's descriptor and its editor's, with this build's
// services and editor form. Exported as lv2_descriptor and lv2ui_descriptor; nothing else is.
#include "formats/lv2/descriptors.h"
#include "plugin/shipped.h"

namespace {

using Entry = tonvo::lv2::Descriptors<tonvo::shipped::Shipped>;

} // namespace

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor*
lv2_descriptor(uint32_t index) noexcept {
    return index == 0 ? &Entry::kPlugin : nullptr;
}

extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor*
lv2ui_descriptor(uint32_t index) noexcept {
    return index == 0 ? &Entry::kUi : nullptr;
}
