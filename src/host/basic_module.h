// The root of the module class chain: the effect record handed to the host (its address is
// the instance's identity), the host callback, and the routine every host request goes through.
#pragma once

#include "host/vst_abi.h"

#include <cstdint>

namespace tonvo {

// Bits of AEffect::flags.
enum : int32_t {
    effFlagsHasEditor = 1 << 0,
    effFlagsCanReplacing = 1 << 4,
    effFlagsProgramChunks = 1 << 5,
    effFlagsIsSynth = 1 << 8,
    effFlagsNoSoundInStop = 1 << 9,
    effFlagsCanDoubleReplacing = 1 << 12,
};

constexpr int32_t FourCharCode(const char (&code)[5]) {
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint8_t>(code[0])) << 24) |
                                (static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 16) |
                                (static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 8) |
                                static_cast<uint32_t>(static_cast<uint8_t>(code[3])));
}

class TBasicVSTModule {
public:
    TBasicVSTModule() noexcept;
    virtual ~TBasicVSTModule();
    TBasicVSTModule(const TBasicVSTModule&) = delete;
    TBasicVSTModule& operator=(const TBasicVSTModule&) = delete;

    AEffect* Effect() noexcept { return &effect_; }

    // The module a record belongs to, or null when the record holds none. Any thread.
    static TBasicVSTModule* FromEffect(AEffect* effect) noexcept;

    // Stores the host callback; requests made before this answer 0. User-interface thread,
    // before the host starts processing.
    void AttachHostCallback(audioMasterCallback callback) noexcept { audioMaster_ = callback; }
    bool HasHostCallback() const noexcept { return audioMaster_ != nullptr; }

    // Calls the host with this module's record; 0 when no host callback is attached.
    intptr_t CallAudioMaster(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                             float opt) noexcept;

protected:
    AEffect effect_;

private:
    audioMasterCallback audioMaster_ = nullptr;
};

} // namespace tonvo
