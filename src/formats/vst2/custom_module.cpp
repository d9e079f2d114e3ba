#include "formats/vst2/custom_module.h"

#include <algorithm>
#include <cstring>

namespace tonvo {

TCustomVSTModule::TCustomVSTModule() {
    SetVersion(1, 0, 0);
}

TCustomVSTModule::~TCustomVSTModule() {
    DestroyEditorForm();
}

std::string TCustomVSTModule::Truncated(std::string text, size_t length) const {
    if (TruncateStrings && text.size() > length) {
        text.resize(length);
    }
    return text;
}

void TCustomVSTModule::SetEffectName(std::string name) {
    effectName_ = Truncated(std::move(name), 32);
}
void TCustomVSTModule::SetProductName(std::string name) {
    productName_ = Truncated(std::move(name), 64);
}
void TCustomVSTModule::SetVendorName(std::string name) {
    vendorName_ = Truncated(std::move(name), 64);
}

// Release numbers of 100 and above switch to the byte-packed form.
void TCustomVSTModule::SetVersion(int32_t major, int32_t minor, int32_t release) noexcept {
    effect_.version = release < 100 ? release + major * 1000 + minor * 100
                                    : release + major * 65536 + minor * 256;
}

void TCustomVSTModule::SetNumInputs(int32_t count) {
    if (count != effect_.numInputs) {
        effect_.numInputs = count;
        CallAudioMaster(audioMasterIOChanged, 0, 0, nullptr, 0.0f);
    }
}

void TCustomVSTModule::SetNumOutputs(int32_t count) {
    if (count != effect_.numOutputs) {
        effect_.numOutputs = count;
        CallAudioMaster(audioMasterIOChanged, 0, 0, nullptr, 0.0f);
    }
}

void TCustomVSTModule::SetBlockSize(int32_t frames) {
    if (frames != blockSize_) {
        blockSize_ = frames;
        if (OnBlockSizeChange) {
            OnBlockSizeChange(frames);
        }
    }
}

void TCustomVSTModule::SetSampleRate(float rate) {
    if (rate != sampleRate_) {
        sampleRate_ = rate;
        if (OnSampleRateChange) {
            OnSampleRateChange(rate);
        }
    }
}

void TCustomVSTModule::DestroyEditorForm() noexcept {
    if (!editorForm_) {
        return;
    }
    BeforeEditorFormDestroyed();
    editorForm_.reset();
    editorFormThread_.store(std::thread::id{});
}

intptr_t TCustomVSTModule::CopyText(void* ptr, std::string_view text, size_t capacity) noexcept {
    if (ptr == nullptr || capacity == 0) {
        return 0;
    }
    size_t length = std::min(text.size(), capacity - 1);
    if (length < text.size()) {
        // Never end inside a character: step back over continuation bytes (10xxxxxx).
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
            --length;
        }
    }
    auto* buffer = static_cast<char*>(ptr);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return 1;
}

intptr_t TCustomVSTModule::EffSetSampleRate(float rate) {
    SetSampleRate(rate);
    return 1;
}

intptr_t TCustomVSTModule::EffSetBlockSize(intptr_t frames) {
    SetBlockSize(static_cast<int32_t>(frames));
    return 0;
}

intptr_t TCustomVSTModule::EffMainsChanged(intptr_t resume) {
    if (resume != 0) {
        if (OnResume) {
            OnResume();
        }
        CallAudioMaster(audioMasterWantMidi, 0, 1, nullptr, 0.0f);
    } else if (OnSuspend) {
        OnSuspend();
    }
    return 0;
}

intptr_t TCustomVSTModule::EffEditGetRect(void* ptr) {
    if (ptr == nullptr) {
        return 0;
    }
    *static_cast<ERect**>(ptr) = &editorRect_;
    editorRect_.top = 0;
    editorRect_.left = 0;
    if (OnEditGetSize) {
        int16_t width = editorRect_.right;
        int16_t height = editorRect_.bottom;
        OnEditGetSize(width, height);
        editorRect_.right = width;
        editorRect_.bottom = height;
    } else {
        editorRect_.bottom = 32;
        editorRect_.right = 64;
    }
    if (!editorForm_) {
        return 0;
    }
    const auto clamp16 = [](int v) { return static_cast<int16_t>(std::clamp(v, 0, 32767)); };
    editorRect_.bottom = std::max(editorRect_.bottom, clamp16(editorForm_->height()));
    editorRect_.right = std::max(editorRect_.right, clamp16(editorForm_->width()));
    return 1;
}

intptr_t TCustomVSTModule::EffEditOpen(void* parentWindow) {
    if ((effect_.flags & effFlagsHasEditor) == 0) {
        return 0;
    }
    BeforeEditOpen();
    if (parentWindow == nullptr) {
        return 0;
    }
    if (!editorForm_ && EditorFormClass) {
        editorForm_ = EditorFormClass(*this);
    }
    if (!editorForm_) {
        return 0;
    }
    editorFormThread_.store(std::this_thread::get_id());
    try {
        editorForm_->open(parentWindow);
    } catch (...) {
        // The form exists; a failure to show it does not make the opening fail.
        ReportCurrentException("effEditOpen");
        return 1;
    }
    try {
        AfterEditOpen();
    } catch (...) {
        ReportCurrentException("effEditOpen");
    }
    return 1;
}

intptr_t TCustomVSTModule::EffEditClose() {
    if ((effect_.flags & effFlagsHasEditor) == 0) {
        return 0;
    }
    bool destroyForm = true;
    if (OnEditClose) {
        OnEditClose(destroyForm);
    }
    if (destroyForm) {
        DestroyEditorForm();
    }
    return 0;
}

intptr_t TCustomVSTModule::EffEditIdle() {
    // Checked first: another thread does not even look at the form.
    if (editorFormThread_.load() != std::this_thread::get_id()) {
        return 0;
    }
    if ((effect_.flags & effFlagsHasEditor) == 0 || !editorForm_) {
        return 0;
    }
    // Taken before the handler runs: a change flagged meanwhile (by the audio thread) stays
    // flagged for the next idle call instead of being cleared unseen. The flagged handler goes
    // first, so what it changed is painted by the form's idle of the same call.
    try {
        if (ConsumeEditorNeedUpdate() && OnEditIdle) {
            OnEditIdle();
        }
    } catch (...) {
        ReportCurrentException("effEditIdle");
    }
    // The handler may have closed the editor.
    if (editorForm_) {
        try {
            editorForm_->idle();
        } catch (...) {
            ReportCurrentException("effEditIdle");
        }
    }
    return 0;
}

intptr_t TCustomVSTModule::EffGetPinProperties(int32_t index, void* ptr, bool output) {
    const int32_t count = output ? effect_.numOutputs : effect_.numInputs;
    if (ptr == nullptr || index < 0 || index >= count) {
        return 0;
    }
    auto* pin = static_cast<VstPinProperties*>(ptr);
    const std::string number = std::to_string(index + 1);
    const std::string label = (output ? "Output #" : "Input #") + number;
    const std::string shortLabel = (output ? "Out" : "In") + number;
    std::memset(pin->label, 0, sizeof pin->label);
    CopyText(pin->label, label, sizeof pin->label);
    std::memset(pin->shortLabel, 0, sizeof pin->shortLabel);
    CopyText(pin->shortLabel, shortLabel, sizeof pin->shortLabel);
    switch (count) {
    case 1: pin->arrangementType = kSpeakerArrMono; break;
    case 2: pin->arrangementType = kSpeakerArrStereo; break;
    case 4: pin->arrangementType = kSpeakerArrQuad; break;
    default: break;
    }
    const int32_t flags = kVstPinIsActive | (count == 2 ? kVstPinIsStereo : 0);
    pin->flags = (pin->flags & ~0xFF) | flags;
    return 1;
}

intptr_t TCustomVSTModule::EffSetSpeakerArrangement(intptr_t inputArrangement,
                                                    void* outputArrangement) {
    return inputArrangement != 0 && outputArrangement != nullptr ? 1 : 0;
}

intptr_t TCustomVSTModule::EffSetBlockSizeAndSampleRate(intptr_t frames, float rate) {
    SetSampleRate(rate);
    SetBlockSize(static_cast<int32_t>(frames));
    return 1;
}

intptr_t TCustomVSTModule::EffGetEffectName(void* ptr) {
    return CopyText(ptr, effectName_, kVstMaxEffectNameLen);
}
intptr_t TCustomVSTModule::EffGetVendorString(void* ptr) {
    return CopyText(ptr, vendorName_, kVstMaxVendorStrLen);
}
intptr_t TCustomVSTModule::EffGetProductString(void* ptr) {
    return CopyText(ptr, productName_.empty() ? effectName_ : productName_, kVstMaxProductStrLen);
}

intptr_t TCustomVSTModule::EffVendorSpecific(int32_t index, intptr_t value, void* ptr, float opt) {
    return OnVendorSpecific ? OnVendorSpecific(index, value, ptr, opt) : 0;
}

intptr_t TCustomVSTModule::EffCanDo(const void* ptr) {
    if (ptr == nullptr) {
        return 0;
    }
    const std::string_view text(static_cast<const char*>(ptr));
    intptr_t answer = 0;
    for (uint32_t member = 0; member < vcdCount; ++member) {
        if (text == kCanDoTexts[member]) {
            const bool declared = (CanDos & can_do_bit(static_cast<TVstCanDo>(member))) != 0;
            if (member == vcdCockosExtension) {
                answer = declared ? static_cast<intptr_t>(0xBEEF0000) : 0;
            } else {
                answer = declared ? 1 : -1;
            }
            break;
        }
    }
    if (OnCanDo) {
        OnCanDo(text);
    }
    return answer;
}

} // namespace tonvo
