#include "tonvo_host/info.h"

#include "formats/vst2/can_do.h"

#include <array>
#include <iomanip>
#include <string_view>

namespace tonvo::tools {

namespace {

constexpr std::array<std::string_view, 12> kCategories = {
    "unknown", "effect",      "instrument",  "analysis", "mastering", "spatializer",
    "room fx", "surround fx", "restoration", "offline",  "shell",     "generator"};

constexpr std::array<std::string_view, 13> kFlagNames = {"has editor",
                                                         "has clip",
                                                         "has VU",
                                                         "can mono",
                                                         "can replacing",
                                                         "program chunks",
                                                         "unused",
                                                         "unused",
                                                         "is synth",
                                                         "no sound in stop",
                                                         "ext async",
                                                         "ext buffer",
                                                         "can double replacing"};

std::string four_characters(int32_t id) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = static_cast<char>((static_cast<uint32_t>(id) >> shift) & 0xFF);
        text += (c >= 32 && c < 127) ? c : '?';
    }
    return text;
}

} // namespace

void print_info(HostedPlugin& plugin, std::ostream& out) {
    AEffect& effect = plugin.Effect();
    out << "Effect name:   " << plugin.Text(effGetEffectName) << '\n';
    out << "Vendor:        " << plugin.Text(effGetVendorString) << '\n';
    out << "Product:       " << plugin.Text(effGetProductString) << '\n';
    out << "Unique id:     '" << four_characters(effect.uniqueID) << "' (" << effect.uniqueID
        << ")\n";
    out << "Version:       " << plugin.Dispatch(effGetVendorVersion) << " (record "
        << effect.version << "), VST " << plugin.Dispatch(effGetVstVersion) << '\n';
    const intptr_t category = plugin.Dispatch(effGetPlugCategory);
    out << "Category:      "
        << (category >= 0 && category < static_cast<intptr_t>(kCategories.size())
                ? kCategories[static_cast<size_t>(category)]
                : std::string_view("?"))
        << " (" << category << ")\n";
    out << "Flags:         0x" << std::hex << effect.flags << std::dec;
    for (size_t bit = 0; bit < kFlagNames.size(); ++bit) {
        if ((effect.flags >> bit & 1) != 0) {
            out << ", " << kFlagNames[bit];
        }
    }
    out << '\n';
    const auto can = [&](const char* text) {
        return plugin.Dispatch(effCanDo, 0, 0, const_cast<char*>(text));
    };
    out << "Audio:         " << effect.numInputs << " in, " << effect.numOutputs << " out\n";
    out << "MIDI:          " << (can("receiveVstMidiEvent") > 0 ? 1 : 0) << " in, "
        << (can("sendVstMidiEvent") > 0 ? 1 : 0) << " out\n";
    out << "Can do:\n";
    for (std::string_view text : kCanDoTexts) {
        const std::string name(text);
        out << "  " << std::left << std::setw(22) << name << std::right << can(name.c_str())
            << '\n';
    }
    out << "Parameters:    " << effect.numParams << '\n';
    for (int32_t i = 0; i < effect.numParams; ++i) {
        out << "  " << i << ": " << plugin.Text(effGetParamName, i) << " = "
            << plugin.Text(effGetParamDisplay, i) << ' ' << plugin.Text(effGetParamLabel, i)
            << '\n';
    }
    out << "Programs:      " << effect.numPrograms << '\n';
    for (int32_t i = 0; i < effect.numPrograms; ++i) {
        out << "  " << i << ": " << plugin.Text(effGetProgramNameIndexed, i) << '\n';
    }
}

} // namespace tonvo::tools
