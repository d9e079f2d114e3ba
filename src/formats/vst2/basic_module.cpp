#include "formats/vst2/basic_module.h"

#include "engine/errors.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <thread>

namespace tonvo {

namespace {
constexpr std::array<std::string_view, 2> kObjectLayoutHosts = {"energyXT", "Sound Forge Pro 10.0"};

// Asks the host for its product name into a zeroed 256-byte buffer; empty when it gives none.
std::string ask_product_string(TBasicVSTModule& module) {
    char buffer[256] = {};
    if (module.CallAudioMaster(audioMasterGetProductString, 0, 0, buffer, 0.0f) == 0) {
        return {};
    }
    buffer[sizeof buffer - 1] = 0;
    return buffer;
}
} // namespace

int32_t four_char_code(std::string_view code) noexcept {
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
    effect_.uniqueID = four_char_code("NoEf");
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
    specialHost_ = IsSpecialHostProduct(ask_product_string(*this));
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
    hostProduct_ = ask_product_string(*this);
    if (hostProduct_.empty()) {
        hostProduct_ = "Unknown";
    }
    return hostProduct_;
}

intptr_t TBasicVSTModule::CallAudioMaster(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                          float opt) noexcept {
    if (audioMaster_ == nullptr || Closing()) {
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

void TBasicVSTModule::ReportException(const char* where, const char* message) noexcept {
    reportedExceptions_.fetch_add(1, std::memory_order_acq_rel);
    if (reportBusy_.test_and_set(std::memory_order_acquire)) {
        return; // another thread is recording; the count still tells
    }
    const std::string_view parts[] = {where != nullptr ? where : "?", ": ",
                                      message != nullptr ? message : ""};
    size_t at = 0;
    for (std::string_view part : parts) {
        const size_t length = std::min(part.size(), lastReport_.size() - 1 - at);
        std::memcpy(lastReport_.data() + at, part.data(), length);
        at += length;
    }
    lastReport_[at] = 0;
    reportBusy_.clear(std::memory_order_release);
}

void TBasicVSTModule::ReportCurrentException(const char* where) noexcept {
    try {
        throw;
    } catch (const std::exception& failure) {
        ReportException(where, failure.what());
    } catch (...) {
        ReportException(where, "a failure that is not a standard exception");
    }
}

std::string TBasicVSTModule::LastReportedException() const {
    while (reportBusy_.test_and_set(std::memory_order_acquire)) {
        std::this_thread::yield();
    }
    std::string text(lastReport_.data());
    reportBusy_.clear(std::memory_order_release);
    return text;
}

class TBasicVSTModule::CallScope {
public:
    explicit CallScope(TBasicVSTModule& module) noexcept : module_(module) {
        module_.callsUnderWay_.fetch_add(1, std::memory_order_acq_rel);
    }
    ~CallScope() {
        // The module is not touched after the last call let it go.
        TBasicVSTModule& module = module_;
        if (module.callsUnderWay_.fetch_sub(1, std::memory_order_acq_rel) == 1 &&
            module.Closing()) {
            Finish(&module);
        }
    }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

private:
    TBasicVSTModule& module_;
};

bool TBasicVSTModule::PostponeDestruction(std::function<void()>&) {
    return false;
}

// Every routine is a boundary: a failure inside answers 0 (or does nothing), is reported, and
// never unwinds into the host.
template <bool ObjectLayout>
intptr_t VSTCALLBACK TBasicVSTModule::DispatcherProc(AEffect* effect, int32_t opcode, int32_t index,
                                                     intptr_t value, void* ptr,
                                                     float opt) noexcept {
    TBasicVSTModule* module = FromEffect(effect, ObjectLayout);
    if (module == nullptr) {
        return 0;
    }
    if (opcode == effClose) {
        return Close(module);
    }
    const CallScope call(*module);
    try {
        return module->Dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        module->ReportCurrentException("dispatcher");
        return 0;
    }
}

// The failures are reported before the module goes; a host cannot see them afterwards.
intptr_t TBasicVSTModule::Close(TBasicVSTModule* module) noexcept {
    // Counted like any call, so that exactly one call, this or the last other one under way,
    // sees the count reach zero with the close asked for.
    module->callsUnderWay_.fetch_add(1, std::memory_order_acq_rel);
    if (module->closing_.exchange(true, std::memory_order_acq_rel)) {
        // A second close of the same instance: the first one finishes.
        module->callsUnderWay_.fetch_sub(1, std::memory_order_acq_rel);
        return 0;
    }
    try {
        module->PrepareClose();
    } catch (...) {
        module->ReportCurrentException("effClose");
    }
    if (module->callsUnderWay_.fetch_sub(1, std::memory_order_acq_rel) != 1) {
        return 1;
    }
    return Finish(module);
}

intptr_t TBasicVSTModule::Finish(TBasicVSTModule* module) noexcept {
    const auto destroy = [module] {
        bool destroyed = false;
        try {
            destroyed = module->Destroy();
        } catch (...) {
            module->ReportCurrentException("effClose");
        }
        delete module; // destructors do not throw
        return destroyed;
    };
    try {
        std::function<void()> work = [destroy] { destroy(); };
        if (module->PostponeDestruction(work)) {
            return 1;
        }
    } catch (...) {
        // Nothing could be postponed (no memory): the module goes now.
    }
    return destroy() ? 1 : 0;
}

template <bool ObjectLayout>
float VSTCALLBACK TBasicVSTModule::GetParameterProc(AEffect* effect, int32_t index) noexcept {
    TBasicVSTModule* module = FromEffect(effect, ObjectLayout);
    if (module == nullptr) {
        return 0.0f;
    }
    try {
        return module->HostGetParameter(index);
    } catch (...) {
        module->ReportCurrentException("getParameter");
        return 0.0f;
    }
}

template <bool ObjectLayout>
void VSTCALLBACK TBasicVSTModule::SetParameterProc(AEffect* effect, int32_t index,
                                                   float value) noexcept {
    TBasicVSTModule* module = FromEffect(effect, ObjectLayout);
    if (module == nullptr) {
        return;
    }
    try {
        module->HostSetParameter(index, value);
    } catch (...) {
        module->ReportCurrentException("setParameter");
    }
}

float VSTCALLBACK TBasicVSTModule::InertGetParameter(AEffect*, int32_t) noexcept {
    return 0.0f;
}
void VSTCALLBACK TBasicVSTModule::InertSetParameter(AEffect*, int32_t, float) noexcept {}

} // namespace tonvo
