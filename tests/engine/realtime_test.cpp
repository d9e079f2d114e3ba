// The audio thread's side of the plug-in allocates nothing and takes no blocking lock, while a
// user-interface thread edits the map, plays previews, attaches and detaches the editor's
// highlights and loads states. The audio thread drives the plug-in only through its effect
// record, as a host does. Built with ThreadSanitizer the same test proves the hand-offs race
// free; there the sanitizer owns the allocation and lock functions, so nothing is counted.
#include "support/allocation_count.h"
#include "support/host_calls.h"
#include "support/plugin_harness.h"

#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
#define TONVO_COUNTING 0
#else
#define TONVO_COUNTING 1
#endif

namespace {
thread_local bool onAudioThread = false;
std::atomic<long> audioAllocations{0};
std::atomic<long> audioLocks{0};

// The allocations the calling thread has made so far (support/counting_new.cpp counts them).
long allocations_here() {
#if TONVO_COUNTING
    return tonvo::test::thread_allocation_count();
#else
    return 0;
#endif
}
} // namespace

#if TONVO_COUNTING
#include <dlfcn.h>
#include <pthread.h>
#include <semaphore.h>

namespace {
template <typename F>
F next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

void count_lock() {
    if (onAudioThread) {
        audioLocks.fetch_add(1, std::memory_order_relaxed);
    }
}
} // namespace

// Every way a thread can wait for another, counted when the audio thread asks.
extern "C" int pthread_mutex_lock(pthread_mutex_t* mutex) {
    count_lock();
    static const auto real = next<int (*)(pthread_mutex_t*)>("pthread_mutex_lock");
    return real(mutex);
}
extern "C" int pthread_rwlock_rdlock(pthread_rwlock_t* lock) {
    count_lock();
    static const auto real = next<int (*)(pthread_rwlock_t*)>("pthread_rwlock_rdlock");
    return real(lock);
}
extern "C" int pthread_rwlock_wrlock(pthread_rwlock_t* lock) {
    count_lock();
    static const auto real = next<int (*)(pthread_rwlock_t*)>("pthread_rwlock_wrlock");
    return real(lock);
}
extern "C" int sem_wait(sem_t* semaphore) {
    count_lock();
    static const auto real = next<int (*)(sem_t*)>("sem_wait");
    return real(semaphore);
}
#endif

namespace tonvo {
namespace {

// A host whose answers are safe from any thread.
VstTimeInfo timeInfo{};
std::atomic<long> delivered{0};
std::atomic<long> automated{0};

intptr_t VSTCALLBACK Host(AEffect*, int32_t opcode, int32_t, intptr_t, void* ptr, float) {
    switch (opcode) {
    case audioMasterVersion: return 2400;
    case audioMasterGetTime: return reinterpret_cast<intptr_t>(&timeInfo);
    case audioMasterProcessEvents:
        delivered.fetch_add(static_cast<VstEvents*>(ptr)->numEvents, std::memory_order_relaxed);
        return 1;
    case audioMasterAutomate: automated.fetch_add(1, std::memory_order_relaxed); return 0;
    default: return 0;
    }
}

// An editor's highlights that only count, as a real one would under the gate's lock.
class CountingSink : public EditorHighlights {
public:
    bool HighlightNoteOn(int) override { return ++calls % 2 == 0; }
    bool HighlightNoteOff(int) override { return ++calls % 3 == 0; }
    long calls = 0;
};

using test::AssignablePlugin; // so control changes drive a parameter too

std::vector<uint8_t> state_with_map(int shift) {
    auto source = TVSTModule::Create<AssignablePlugin>();
    for (int32_t i = 0; i < 12; ++i) {
        source->ScaleMap().SetScaleMap(i, (i + shift) % 12);
    }
    source->SetMidiCC({{1, "nmap"}});
    return test::chunk_of(source->Effect());
}

TEST(RealTime, TheAudioThreadNeitherAllocatesNorWaits) {
    const std::vector<std::vector<uint8_t>> states = {state_with_map(0), state_with_map(5)};
    auto plugin = TVSTModule::Create<AssignablePlugin>();
    plugin->AttachHostCallback(&Host);
    AEffect* effect = plugin->Effect();
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);

    // Everything the audio thread hands over is made before it starts.
    constexpr int kBlocks = 20000;
    constexpr int kFrames = 64;
    test::EventBlock block(32);

    std::atomic<bool> stop{false};
    std::thread ui([&] {
        std::mt19937 rng(99);
        CountingSink sink;
        for (long round = 0; !stop.load(); ++round) {
            plugin->ScaleMap().SetScaleMap(static_cast<int32_t>(rng() % 12),
                                           static_cast<int32_t>(rng() % 13) - 1);
            plugin->PreviewNoteOn(static_cast<int>(60 + rng() % 12), 100);
            plugin->PreviewNoteOff(static_cast<int>(60 + rng() % 12), 100);
            if (round % 7 == 0) {
                plugin->AttachEditorHighlights(&sink);
            } else if (round % 7 == 3) {
                plugin->DetachEditorHighlights();
            }
            if (round % 50 == 0) {
                test::load_chunk(effect, states[static_cast<size_t>(round / 50) % 2]);
            }
            std::this_thread::yield();
        }
        plugin->DetachEditorHighlights();
    });

    std::thread audio([&] {
        onAudioThread = true;
        const long allocated = allocations_here();
        std::mt19937 rng(7);
        double position = 0.0;
        for (int b = 0; b < kBlocks; ++b) {
            block.Clear();
            for (auto count = rng() % 32; count > 0; --count) {
                const auto kind = rng() % 10;
                const auto channel = static_cast<int>(rng() % 16);
                const auto delta = static_cast<int32_t>(rng() % kFrames);
                const auto data1 = kind < 8 ? 48 + rng() % 36 : (rng() % 4 == 0 ? 123 : 1);
                const int status = (kind < 8 ? (kind < 4 ? 0x90 : 0x80) : 0xB0) | channel;
                block.Midi(status, static_cast<int>(data1), static_cast<int>(rng() % 128), delta);
            }
            const auto transport = rng() % 50;
            timeInfo.flags = transport == 0 ? 0 : kVstTransportPlaying;
            position = transport == 1 ? 0.0 : position + kFrames;
            timeInfo.samplePos = position;
            effect->dispatcher(effect, effProcessEvents, 0, 0, block.Get(), 0.0f);
            test::process_block(effect, kFrames);
        }
        audioAllocations = allocations_here() - allocated;
        onAudioThread = false;
    });
    audio.join();
    stop = true;
    ui.join();

    EXPECT_EQ(audioAllocations.load(), 0);
    EXPECT_EQ(audioLocks.load(), 0);
    EXPECT_GT(delivered.load(), 100000);
    EXPECT_GT(automated.load(), 0);
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    plugin.release(); // the close request destroyed it
}

#if TONVO_COUNTING
TEST(RealTime, CountingSeesWhatItShould) {
    onAudioThread = true;
    const long allocations = allocations_here();
    const long locks = audioLocks.load();
    {
        static int* volatile sink = nullptr;
        sink = new int(1);
        delete sink;
        std::mutex mutex;
        std::lock_guard guard(mutex);
    }
    onAudioThread = false;
    EXPECT_EQ(allocations_here() - allocations, 1);
    EXPECT_EQ(audioLocks.load() - locks, 1);
}
#endif

} // namespace
} // namespace tonvo
