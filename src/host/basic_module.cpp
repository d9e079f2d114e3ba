#include "host/basic_module.h"

#include "host/errors.h"

#include <array>
#include <cstring>

namespace tonvo {

namespace {
constexpr std::array<std::string_view, 2> kObjectLayoutHosts = {"energyXT", "Sound Forge Pro 10.0"};

// Asks the host for its product name into a zeroed 256-byte buffer; empty when it gives none.
std::string AskProductString(TBasicVSTModule& module) {
    char buffer[256] = {};
    if (module.CallAudioMaster(audioMasterGetProductString, 0, 0, buffer, 0.0f) == 0) {
        return {};
    }
    buffer[sizeof buffer - 1] = 0;
    return buffer;
}
} // namespace

int32_t FourCharCode(std::string_view code) noexcept {
    uint32_t packed = 0;
    for (size_t i = 0; i < 4; ++i) {
        const auto c = i < code.size() ? static_cast<uint8_t>(code[i]) : uint8_t{0};
        packed = (packed << 8) | c;
    }
    return static_cast<int32_t>(packed);
}

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
    TBasicVSTModule::InstallHostRoutines();
}

TBasicVSTModule::~TBasicVSTModule() {
    effect_.user = nullptr;
    effect_.object = nullptr;
}

TBasicVSTModule* TBasicVSTModule::FromEffect(AEffect* effect, bool objectLayout) noexcept {
    if (effect == nullptr || effect->magic != kEffectMagic) {
        return nullptr;
    }
    return static_cast<TBasicVSTModule*>(objectLayout ? effect->object : effect->user);
}

bool TBasicVSTModule::IsSpecialHostProduct(std::string_view product) noexcept {
    if (product.empty()) {
        return false;
    }
    for (std::string_view host : kObjectLayoutHosts) {
        if (host.find(product) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

void TBasicVSTModule::SetAudioMaster(audioMasterCallback callback) {
    audioMaster_ = callback;
    if (CallAudioMaster(audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) {
        throw EVstError("AudioMaster Error");
    }
    specialHost_ = IsSpecialHostProduct(AskProductString(*this));
    if (specialHost_) {
        effect_.object = this;
        effect_.user = nullptr;
    }
    InstallHostRoutines();
    HostProduct();
}

std::string TBasicVSTModule::HostProduct() {
    if (!hostProduct_.empty() && hostProduct_ != "Unknown") {
        return hostProduct_;
    }
    hostProduct_ = AskProductString(*this);
    if (hostProduct_.empty()) {
        hostProduct_ = "Unknown";
    }
    return hostProduct_;
}

intptr_t TBasicVSTModule::CallAudioMaster(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                          float opt) noexcept {
    if (audioMaster_ == nullptr) {
        return 0;
    }
    return audioMaster_(&effect_, opcode, index, value, ptr, opt);
}

intptr_t TBasicVSTModule::Dispatcher(int32_t, int32_t, intptr_t, void*, float) {
    return 0;
}
float TBasicVSTModule::HostGetParameter(int32_t) {
    return 0.0f;
}
void TBasicVSTModule::HostSetParameter(int32_t, float) {}
void TBasicVSTModule::PrepareClose() {
    MakeHostRoutinesInert();
}

void TBasicVSTModule::InstallHostRoutines() noexcept {
    if (specialHost_) {
        effect_.dispatcher = &DispatcherProc<true>;
        effect_.getParameter = &GetParameterProc<true>;
        effect_.setParameter = &SetParameterProc<true>;
    } else {
        effect_.dispatcher = &DispatcherProc<false>;
        effect_.getParameter = &GetParameterProc<false>;
        effect_.setParameter = &SetParameterProc<false>;
    }
}

// After close the dispatcher stays live but finds no module (the slot is emptied), so a host
// that calls it late gets 0 rather than a crash.
void TBasicVSTModule::MakeHostRoutinesInert() noexcept {
    effect_.getParameter = &InertGetParameter;
    effect_.setParameter = &InertSetParameter;
    effect_.user = nullptr;
    effect_.object = nullptr;
}

// Every routine is a boundary: a failure inside answers 0 (or does nothing) and never
// unwinds into the host.
template <bool ObjectLayout>
intptr_t VSTCALLBACK TBasicVSTModule::DispatcherProc(AEffect* effect, int32_t opcode, int32_t index,
                                                     intptr_t value, void* ptr, float opt) {
    TBasicVSTModule* module = FromEffect(effect, ObjectLayout);
    if (module == nullptr) {
        return 0;
    }
    if (opcode == effClose) {
        try {
            module->PrepareClose();
        } catch (...) {
        }
        bool destroyed = false;
        try {
            destroyed = module->Destroy();
        } catch (...) {
        }
        delete module; // destructors do not throw
        return destroyed ? 1 : 0;
    }
    try {
        return module->Dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

template <bool ObjectLayout>
float VSTCALLBACK TBasicVSTModule::GetParameterProc(AEffect* effect, int32_t index) {
    TBasicVSTModule* module = FromEffect(effect, ObjectLayout);
    if (module == nullptr) {
        return 0.0f;
    }
    try {
        return module->HostGetParameter(index);
    } catch (...) {
        return 0.0f;
    }
}

template <bool ObjectLayout>
void VSTCALLBACK TBasicVSTModule::SetParameterProc(AEffect* effect, int32_t index, float value) {
    TBasicVSTModule* module = FromEffect(effect, ObjectLayout);
    if (module == nullptr) {
        return;
    }
    try {
        module->HostSetParameter(index, value);
    } catch (...) {
    }
}

float VSTCALLBACK TBasicVSTModule::InertGetParameter(AEffect*, int32_t) {
    return 0.0f;
}
void VSTCALLBACK TBasicVSTModule::InertSetParameter(AEffect*, int32_t, float) {}

} // namespace tonvo
