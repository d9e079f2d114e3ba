// The root of the module class chain: the effect record handed to the host (its address is
// the instance's identity), the host callback, the host product, and the C routines stored in
// the record that lead the host's calls to the module.
//
// Two hosts keep their own data in the record's `user` slot; for them the module sits in
// `object` instead and every routine reads it from there.
//
// Every routine stored in the record is a noexcept trampoline: it finds the module, forwards to
// one of its methods and catches whatever that throws. A caught failure answers 0 (or does
// nothing) and is handed to ReportException, so it is never lost silently.
#pragma once

#include "formats/vst2/vst_abi.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace tonvo {

// Four characters packed big-endian, the first in the top byte; missing characters count 0.
int32_t four_char_code(std::string_view code) noexcept;

class TBasicVSTModule {
public:
    TBasicVSTModule() noexcept;
    virtual ~TBasicVSTModule();
    TBasicVSTModule(const TBasicVSTModule&) = delete;
    TBasicVSTModule& operator=(const TBasicVSTModule&) = delete;

    AEffect* Effect() noexcept { return &effect_; }

    // The module a record belongs to (from `user`, or `object` when objectLayout), or null.
    static TBasicVSTModule* FromEffect(AEffect* effect, bool objectLayout = false) noexcept;

    // Attaches the host: stores the callback, checks the host's version answer (0 fails with
    // "AudioMaster Error"), detects the two hosts that need the object layout, and caches the
    // host product. User-interface thread, once.
    void SetAudioMaster(audioMasterCallback callback);
    // Stores the callback only; for tests and tools that drive a module directly.
    void AttachHostCallback(audioMasterCallback callback) noexcept { audioMaster_ = callback; }
    bool HasHostCallback() const noexcept { return audioMaster_ != nullptr; }
    bool SpecialHost() const noexcept { return specialHost_; }

    // The host's product name, asked once; "Unknown" when the host gives none.
    std::string HostProduct();

    // Calls the host with this module's record; 0 when no host callback is attached.
    intptr_t CallAudioMaster(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                             float opt) noexcept;

    // What the record's routines call; the levels above answer them.
    virtual intptr_t Dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                float opt);
    virtual float HostGetParameter(int32_t index);
    virtual void HostSetParameter(int32_t index, float value);
    // Runs on effClose before the module is destroyed: the routines become inert.
    virtual void PrepareClose();
    // Runs on effClose after PrepareClose, once no other call of the host's into the module
    // is under way: releases what the framework holds and runs the module's own destruction
    // handler. False when that failed.
    virtual bool Destroy() { return true; }
    // True once effClose came: the host has let the instance go, so it is not called back.
    bool Closing() const noexcept { return closing_.load(std::memory_order_acquire); }

    // True when the host product names one of the hosts that need the object layout: a
    // non-empty text that occurs within one of their names.
    static bool IsSpecialHostProduct(std::string_view product) noexcept;

    // The exception report: every failure a host-callable routine caught ends here. `where`
    // names the routine or handler ("dispatcher", "processReplacing", "OnCreate"), `message`
    // is the failure's text. Any thread, the audio thread included, so an override must not
    // allocate, block or throw on the audio path. The default records the failure: a count,
    // and the latest routine and text (cut to fit; skipped while another thread records).
    virtual void ReportException(const char* where, const char* message) noexcept;
    // Reports the exception being handled; call it only from inside a catch block.
    void ReportCurrentException(const char* where) noexcept;
    // What the default report recorded. The text reads "<where>: <message>".
    uint32_t ReportedExceptions() const noexcept {
        return reportedExceptions_.load(std::memory_order_acquire);
    }
    std::string LastReportedException() const;

protected:
    // Puts the routines reading the module from `user` (or `object`) into the record; runs at
    // construction and again once the host is known.
    virtual void InstallHostRoutines() noexcept;
    void MakeHostRoutinesInert() noexcept;
    // The module's destruction (Destroy, then delete) as the last step of effClose. A module
    // whose windows may still be under way on the stack (a loop of theirs let the host close
    // us) takes `work` and runs it once they have returned: true. The default runs nothing
    // and answers false, so the destruction happens at once.
    virtual bool PostponeDestruction(std::function<void()>& work);

    AEffect effect_;

private:
    template <bool ObjectLayout>
    static intptr_t VSTCALLBACK DispatcherProc(AEffect* effect, int32_t opcode, int32_t index,
                                               intptr_t value, void* ptr, float opt) noexcept;
    template <bool ObjectLayout>
    static float VSTCALLBACK GetParameterProc(AEffect* effect, int32_t index) noexcept;
    template <bool ObjectLayout>
    static void VSTCALLBACK SetParameterProc(AEffect* effect, int32_t index, float value) noexcept;
    static float VSTCALLBACK InertGetParameter(AEffect*, int32_t) noexcept;
    static void VSTCALLBACK InertSetParameter(AEffect*, int32_t, float) noexcept;
    // effClose: routines inert at once; the module's own destruction and its deletion follow
    // when the last call of the host's into it has returned (a dialog's loop inside one of
    // them lets the host's timers close us meanwhile).
    static intptr_t Close(TBasicVSTModule* module) noexcept;
    // Counts a call of the host's into the module while it lives; the last one to return after
    // effClose finishes the close.
    class CallScope;
    // Destroys and deletes the module, postponed if its windows ask for it. 1, or 0 when the
    // destruction failed at once.
    static intptr_t Finish(TBasicVSTModule* module) noexcept;

    audioMasterCallback audioMaster_ = nullptr;
    bool specialHost_ = false;
    std::string hostProduct_;
    std::atomic<int> callsUnderWay_{0};
    std::atomic<bool> closing_{false};
    std::atomic<uint32_t> reportedExceptions_{0};
    // Guards lastReport_: a writer that finds it taken skips the text, a reader waits.
    mutable std::atomic_flag reportBusy_;
    std::array<char, 256> lastReport_{};
};

} // namespace tonvo
