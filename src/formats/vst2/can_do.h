// The capabilities a module may declare, each with the text hosts ask about in effCanDo.
#pragma once

#include <cstdint>
#include <string_view>

namespace tonvo {

enum TVstCanDo : uint32_t {
    vcdSendVstEvents,
    vcdSendVstMidiEvent,
    vcdSendVstTimeInfo,
    vcdReceiveVstEvents,
    vcdReceiveVstMidiEvent,
    vcdReceiveVstTimeInfo,
    vcdOffline,
    vcdPlugAsChannelInsert,
    vcdPlugAsSend,
    vcdMixDryWet,
    vcdNoRealTime,
    vcdMultipass,
    vcdMetapass,
    vcd1in1out,
    vcd1in2out,
    vcd2in1out,
    vcd2in2out,
    vcd2in4out,
    vcd4in2out,
    vcd4in4out,
    vcd4in8out,
    vcd8in4out,
    vcd8in8out,
    vcdMidiProgramNames,
    vcdLiveWithoutToolbar,
    vcdConformsToWindowRules,
    vcdBypass,
    vcdCockosExtension,
    vcdChainPluginAPI,
    vcdCount
};

using VstCanDos = uint32_t; // bit n = member n

constexpr VstCanDos can_do_bit(TVstCanDo member) {
    return VstCanDos{1} << member;
}

// The text of each member, in member order; compared byte for byte, case included.
inline constexpr std::string_view kCanDoTexts[vcdCount] = {"sendVstEvents",
                                                           "sendVstMidiEvent",
                                                           "sendVstTimeInfo",
                                                           "receiveVstEvents",
                                                           "receiveVstMidiEvent",
                                                           "receiveVstTimeInfo",
                                                           "offline",
                                                           "plugAsChannelInsert",
                                                           "plugAsSend",
                                                           "mixDryWet",
                                                           "noRealTime",
                                                           "multipass",
                                                           "metapass",
                                                           "1in1out",
                                                           "1in2out",
                                                           "2in1out",
                                                           "2in2out",
                                                           "2in4out",
                                                           "4in2out",
                                                           "4in4out",
                                                           "4in8out",
                                                           "8in4out",
                                                           "8in8out",
                                                           "midiProgramNames",
                                                           "LiveWithoutToolbar",
                                                           "conformsToWindowRules",
                                                           "bypass",
                                                           "hasCockosExtensions",
                                                           "ChainPluginAPI"};

enum TVstPluginCategory : int32_t {
    vpcUnknown,
    vpcEffect,
    vpcSynth,
    vpcAnalysis,
    vpcMastering,
    vpcSpacializer,
    vpcRoomFx,
    vpcSurroundFx,
    vpcRestoration,
    vpcOfflineProcess,
    vpcShell,
    vpcGenerator
};

} // namespace tonvo
