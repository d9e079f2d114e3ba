// The plug-in's names and version, the same in every format.
#pragma once

#include <string_view>

namespace tonvo::core {

// The product's name (captions, the settings key, the preset folder) and its maker.
// Both from the project (CMakeLists.txt).
inline constexpr std::string_view kProductName = TONVO_PRODUCT_NAME;
inline constexpr std::string_view kVendorName = TONVO_VENDOR_NAME;
// The version About shows and saved state records: "1.00" for 1.0.x, from the project's
// version (src/core/CMakeLists.txt).
inline constexpr std::string_view kShownVersion = TONVO_SHOWN_VERSION;
// The user guide's file name, beside the plug-in's library or in its data folder.
inline constexpr std::string_view kUserGuideFileName = "Tonvo User Guide.pdf";

} // namespace tonvo::core
