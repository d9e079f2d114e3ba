// Second level of the module chain: what every module keeps about itself apart from MIDI,
// programs and processing: the editor-update flag and the host's block size.
#pragma once

#include "host/basic_module.h"

#include <atomic>
#include <cstdint>

namespace tonvo {

class TCustomVSTModule : public TBasicVSTModule {
public:
    // Set by every change the editor should show; any thread. The host's editor-idle call
    // consumes it.
    void SetEditorNeedUpdate() noexcept {
        editorNeedUpdate_.store(true, std::memory_order_release);
    }
    bool EditorNeedUpdate() const noexcept {
        return editorNeedUpdate_.load(std::memory_order_acquire);
    }
    // Returns whether the flag was set and clears it. User-interface thread.
    bool ConsumeEditorNeedUpdate() noexcept {
        return editorNeedUpdate_.exchange(false, std::memory_order_acq_rel);
    }

    int32_t BlockSize() const noexcept { return blockSize_; }
    // User-interface thread, while the host is not processing (hosts change it suspended).
    virtual void SetBlockSize(int32_t frames);

private:
    std::atomic<bool> editorNeedUpdate_{false};
    int32_t blockSize_ = 1024;
};

} // namespace tonvo
