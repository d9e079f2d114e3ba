// One host parameter: its range and curve, the mapping between its own value and the host's
// 0..1 value, and the texts the host shows for it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tonvo {

enum TCurveType { ctLinear, ctLogarithmic, ctExponential, ctFrequencyScale };

class TCustomVstParameterProperty {
public:
    static constexpr size_t kMaxDisplayName = 64;
    static constexpr size_t kMaxShortLabel = 7;
    static constexpr size_t kMaxCategory = 23;

    float Min = 0.0f;
    float Max = 1.0f;
    TCurveType Curve = ctLinear;
    float SmoothingFactor = 0.0f;
    std::string Units;
    bool CanBeAutomated = true;
    bool ReportVST2Properties = false;
    float StepFloat = 1.0f, SmallStepFloat = 0.5f, LargeStepFloat = 2.0f;
    uint32_t Flags = 0;
    int32_t MinInteger = 0, MaxInteger = 100, StepInteger = 1, LargeStepInteger = 10;
    int32_t CC = -1;
    std::string Category;
    bool UseDefaultString2ParameterHandler = false;

    // Handlers; an unbound handler is skipped.
    std::function<void(int32_t index, float& value)> OnParameterChange;
    std::function<void(int32_t index, std::string& text)> OnCustomParameterLabel;
    std::function<void(int32_t index, std::string& text)> OnCustomParameterDisplay;
    std::function<void(int32_t index, const std::string& text, float& value)> OnStringToParameter;

    const std::string& DisplayName() const noexcept { return displayName_; }
    // Cut to 64 characters; the short label follows while it was empty or equal to the old name.
    void SetDisplayName(std::string name);
    const std::string& ShortLabel() const noexcept { return shortLabel_; }
    void SetShortLabel(std::string label); // cut to 7 characters

    float CurveFactor() const noexcept { return curveFactor_; }
    void SetCurveFactor(float factor) noexcept;

    // Parameter value to host value, clamped to 0..1.
    float HostValue(float value) const noexcept;
    // Host value to parameter value, through the smoothing state.
    float ParameterValue(float hostValue) noexcept;

private:
    std::string displayName_;
    std::string shortLabel_;
    float curveFactor_ = 1.0f;
    float inverseCurveFactor_ = 1.0f;
    float smoothed_ = 0.0f;
};

// Reads a number with an optional unit prefix letter from a host's text, as typed by a user
// ("2.5k", "-3 dB"). The units text is removed first. False when no number is found.
bool parse_parameter_text(const std::string& text, const std::string& units, float& value);

} // namespace tonvo
