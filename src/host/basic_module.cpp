#include "host/basic_module.h"

#include <cstring>

namespace tonvo {

TBasicVSTModule::TBasicVSTModule() noexcept {
    std::memset(&effect_, 0, sizeof effect_);
    // Defaults of a module before its configuration is applied.
    effect_.magic = kEffectMagic;
    effect_.flags = effFlagsCanReplacing;
    effect_.numInputs = 2;
    effect_.numOutputs = 2;
    effect_.ioRatio = 1.0f;
    effect_.uniqueID = FourCharCode("NoEf");
    effect_.user = this;
}

TBasicVSTModule::~TBasicVSTModule() {
    effect_.user = nullptr;
    effect_.object = nullptr;
}

TBasicVSTModule* TBasicVSTModule::FromEffect(AEffect* effect) noexcept {
    if (effect == nullptr || effect->magic != kEffectMagic) {
        return nullptr;
    }
    return static_cast<TBasicVSTModule*>(effect->user);
}

intptr_t TBasicVSTModule::CallAudioMaster(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                          float opt) noexcept {
    if (audioMaster_ == nullptr) {
        return 0;
    }
    return audioMaster_(&effect_, opcode, index, value, ptr, opt);
}

} // namespace tonvo
