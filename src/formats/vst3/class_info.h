// What the factory tells hosts about the plug-in: the maker, and the one class.
#pragma once

#include "formats/vst3/vst3_abi.h"

namespace tonvo::vst3 {

void fill_factory_info(PFactoryInfo& info) noexcept;
void fill_class_info(PClassInfo& info) noexcept;
void fill_class_info2(PClassInfo2& info) noexcept;

} // namespace tonvo::vst3
