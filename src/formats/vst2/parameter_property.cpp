#include "formats/vst2/parameter_property.h"

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstring>

namespace tonvo {

namespace {
std::string cut(std::string text, size_t length) {
    if (text.size() > length) {
        text.resize(length);
    }
    return text;
}
} // namespace

void TCustomVstParameterProperty::SetDisplayName(std::string name) {
    name = cut(std::move(name), kMaxDisplayName);
    if (name == displayName_) {
        return;
    }
    if (shortLabel_.empty() || shortLabel_ == cut(displayName_, kMaxShortLabel)) {
        shortLabel_ = cut(name, kMaxShortLabel);
    }
    displayName_ = std::move(name);
}

void TCustomVstParameterProperty::SetShortLabel(std::string label) {
    shortLabel_ = cut(std::move(label), kMaxShortLabel);
}

void TCustomVstParameterProperty::SetCurveFactor(float factor) noexcept {
    curveFactor_ = factor;
    inverseCurveFactor_ = factor != 0.0f ? 1.0f / factor : 0.0f;
}

// Only the linear curve is used; the others map linearly too.
float TCustomVstParameterProperty::HostValue(float value) const noexcept {
    const float range = Max - Min;
    const float host = range != 0.0f ? (value - Min) / range : 0.0f;
    return std::clamp(host, 0.0f, 1.0f);
}

float TCustomVstParameterProperty::ParameterValue(float hostValue) noexcept {
    const float host = std::clamp(hostValue, 0.0f, 1.0f);
    float value = Min + (Max - Min) * host;
    value = value + (smoothed_ - value) * SmoothingFactor;
    smoothed_ = value;
    return value;
}

bool parse_parameter_text(const std::string& text, const std::string& units, float& value) {
    std::string s = text;
    if (!units.empty()) {
        if (const size_t at = s.find(units); at != std::string::npos) {
            s.erase(at, units.size());
        }
    }
    const size_t begin = s.find_first_of("+,-.0123456789");
    if (begin == std::string::npos) {
        return false;
    }
    size_t end = begin + 1;
    while (end < s.size() && std::strchr(",.E0123456789", s[end]) != nullptr && s[end] != 0) {
        ++end;
    }
    std::string number = s.substr(begin, end - begin);
    // The number is read with the process's locale: accept either separator.
    const char separator = *std::localeconv()->decimal_point;
    std::replace_if(
        number.begin(), number.end(), [](char c) { return c == ',' || c == '.'; }, separator);
    char* stop = nullptr;
    const double parsed = std::strtod(number.c_str(), &stop);
    if (stop == number.c_str()) {
        return false;
    }
    struct Prefix {
        const char* Letter;
        double Factor;
    };
    static constexpr Prefix kPrefixes[] = {{"k", 1000.0}, {"K", 1024.0},      {"G", 1048576.0},
                                           {"m", 0.001},  {"\xC2\xB5", 1e-6}, {"c", 0.01}};
    double factor = 1.0;
    for (const Prefix& prefix : kPrefixes) {
        const size_t at = s.find(prefix.Letter);
        if (at != std::string::npos && at >= end) {
            factor = prefix.Factor;
            break;
        }
    }
    value = static_cast<float>(parsed * factor);
    return true;
}

} // namespace tonvo
