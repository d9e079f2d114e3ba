// Second level of the module chain: what a module says about itself (names, version,
// category, capabilities, channel counts), its sample rate and block size, the editor, and
// the handlers of the dispatcher requests that are not about MIDI, programs or parameters.
//
// Thread contract: user-interface thread, except the editor-update flag (any thread). The
// editor's code runs only on the thread that opened it: an editor-idle call from any other
// thread is ignored and leaves the flag for the editor's own idle call.
#pragma once

#include "formats/vst2/basic_module.h"
#include "formats/vst2/can_do.h"
#include "formats/vst2/editor_form.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

namespace tonvo {

enum ProcessingPrecision : int32_t { pp32, pp64 };

class TCustomVSTModule : public TBasicVSTModule {
public:
    TCustomVSTModule();
    ~TCustomVSTModule() override;

    // Set by every change the editor should show; any thread. The host's editor-idle call
    // consumes it.
    void SetEditorNeedUpdate() noexcept {
        editorNeedUpdate_.store(true, std::memory_order_release);
    }
    bool EditorNeedUpdate() const noexcept {
        return editorNeedUpdate_.load(std::memory_order_acquire);
    }
    // Returns whether the flag was set and clears it.
    bool ConsumeEditorNeedUpdate() noexcept {
        return editorNeedUpdate_.exchange(false, std::memory_order_acq_rel);
    }

    // Published values.
    const std::string& EffectName() const noexcept { return effectName_; }
    const std::string& ProductName() const noexcept { return productName_; }
    const std::string& VendorName() const noexcept { return vendorName_; }
    void SetEffectName(std::string name);
    void SetProductName(std::string name);
    void SetVendorName(std::string name);
    std::string Version = "1.0"; // informational only
    void SetVersion(int32_t major, int32_t minor, int32_t release) noexcept;
    int32_t VersionNumber() const noexcept { return effect_.version; }
    TVstPluginCategory PlugCategory = vpcUnknown;
    VstCanDos CanDos = 0;
    void SetFlags(int32_t flags) noexcept { effect_.flags = flags & 0xFFFF; }
    void SetUniqueID(std::string_view id) noexcept { effect_.uniqueID = four_char_code(id); }
    // Changing the channel counts once a host is attached tells it (audioMasterIOChanged).
    void SetNumInputs(int32_t count);
    void SetNumOutputs(int32_t count);
    void SetInitialDelay(int32_t frames) noexcept { effect_.initialDelay = frames; }
    int32_t TailSize = 0;
    bool KeysRequired = false;
    bool TruncateStrings = false;
    ProcessingPrecision ProcessPrecision = pp32;

    float SampleRate() const noexcept { return sampleRate_; }
    int32_t BlockSize() const noexcept { return blockSize_; }
    // User-interface thread, while the host is not processing (hosts change it suspended).
    virtual void SetBlockSize(int32_t frames);
    void SetSampleRate(float rate);

    // The editor: EditorFormClass makes it at an opening (see ModuleEditor); the editor form
    // while it exists, else null.
    ModuleEditorFactory EditorFormClass;
    ModuleEditor* EditorForm() const noexcept { return editorForm_.get(); }
    const ERect& EditorRect() const noexcept { return editorRect_; }

    // Handlers; an unbound handler is skipped.
    std::function<void()> OnCreate, OnDestroy, OnOpen, OnClose, OnResume, OnSuspend, OnEditIdle;
    std::function<void(float rate)> OnSampleRateChange;
    std::function<void(int32_t frames)> OnBlockSizeChange;
    std::function<void(int16_t& width, int16_t& height)> OnEditGetSize;
    std::function<void(bool& destroyForm)> OnEditClose;
    std::function<intptr_t(int32_t index, intptr_t value, void* ptr, float opt)> OnVendorSpecific;
    std::function<void(std::string_view text)> OnCanDo;
    std::function<void(int32_t opcode)> OnDispatcher;

protected:
    // Runs before each editor opening; the plug-in applies its skin here.
    virtual void BeforeEditOpen() {}
    // Runs once the editor was shown in the host's window (not when showing it failed).
    virtual void AfterEditOpen() {}
    // Runs first when the open editor form is about to be destroyed, while it still exists:
    // whatever reaches the form from elsewhere is cut off here. Not run by this class's own
    // destructor (a derived module that needs it destroys the form in its own).
    virtual void BeforeEditorFormDestroyed() noexcept {}
    // Destroys an open editor form (module destruction and effEditClose).
    void DestroyEditorForm() noexcept;

    // Dispatcher requests answered at this level.
    intptr_t EffSetSampleRate(float rate);
    intptr_t EffSetBlockSize(intptr_t frames);
    intptr_t EffMainsChanged(intptr_t resume);
    intptr_t EffEditGetRect(void* ptr);
    intptr_t EffEditOpen(void* parentWindow);
    intptr_t EffEditClose();
    intptr_t EffEditIdle();
    intptr_t EffGetPinProperties(int32_t index, void* ptr, bool output);
    intptr_t EffSetSpeakerArrangement(intptr_t inputArrangement, void* outputArrangement);
    intptr_t EffSetBlockSizeAndSampleRate(intptr_t frames, float rate);
    intptr_t EffGetEffectName(void* ptr);
    intptr_t EffGetVendorString(void* ptr);
    intptr_t EffGetProductString(void* ptr);
    intptr_t EffVendorSpecific(int32_t index, intptr_t value, void* ptr, float opt);
    intptr_t EffCanDo(const void* ptr);

    // Copies text with its terminating zero into a host buffer of capacity bytes (at least 1);
    // a longer text is cut after the last whole UTF-8 character that fits. 0 when ptr is null.
    // Every text handed to the host goes through here.
    static intptr_t CopyText(void* ptr, std::string_view text, size_t capacity) noexcept;

private:
    std::string Truncated(std::string text, size_t length) const;

    std::atomic<bool> editorNeedUpdate_{false};
    std::string effectName_;
    std::string productName_;
    std::string vendorName_;
    float sampleRate_ = 44100.0f;
    int32_t blockSize_ = 1024;
    ERect editorRect_{};
    std::unique_ptr<ModuleEditor> editorForm_;
    // The thread that opened the editor form; no thread while none exists.
    std::atomic<std::thread::id> editorFormThread_{};
};

} // namespace tonvo
