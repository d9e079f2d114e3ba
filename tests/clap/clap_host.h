// A CLAP host for the tests: Tonvo.clap loaded as a host loads it (dlopen, or LoadLibraryW from
// the test program's folder on Windows; the file is TONVO_CLAP_PATH, or the one
// TONVO_CLAP_UNDER_TEST names, a package's), its entry and factory,
// and one instance driven through its records: events of both dialects in, MIDI out, the
// block's transport, state through streams that take a few bytes a call (or, broken, answer
// more than asked for), and what the plug-in asked of the host (state marked dirty, timers),
// and a thread-check whose answer a test sets.
#pragma once

#include "formats/clap/clap_abi.h"
#include "support/fake_host.h"
#include "tonvo_host/plugin_library.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace tonvo::test {

using namespace tonvo::clap;

// The library and its entry, once per program, as a host keeps it while any instance lives.
inline const clap_plugin_entry& entry() {
    static const char* const path = std::getenv("TONVO_CLAP_UNDER_TEST") != nullptr
                                        ? std::getenv("TONVO_CLAP_UNDER_TEST")
                                        : TONVO_CLAP_PATH;
    static tools::PluginLibrary library(path);
    static const auto* found = static_cast<const clap_plugin_entry*>(library.Symbol("clap_entry"));
    if (found == nullptr) {
        ADD_FAILURE() << "no clap_entry in " << path << ": " << library.Error();
        std::abort();
    }
    return *found;
}

// The host side: its record and extensions, what the plug-in asked of it, and one instance.
class ClapHost {
public:
    explicit ClapHost(bool with_timers = true) : with_timers_(with_timers) {
        host_ = {kClapVersion, this,           "Tonvo test host", "Brelwick", "",
                 "1.0",        &get_extension, &request,          &request,   &request};
        const auto* factory =
            static_cast<const clap_plugin_factory*>(entry().get_factory(CLAP_PLUGIN_FACTORY_ID));
        plugin_ = factory != nullptr ? factory->create_plugin(factory, &host_, "com.brelwick.tonvo")
                                     : nullptr;
    }
    ~ClapHost() {
        if (plugin_ != nullptr) {
            if (active_) {
                plugin_->deactivate(plugin_);
            }
            plugin_->destroy(plugin_);
        }
    }
    ClapHost(const ClapHost&) = delete;
    ClapHost& operator=(const ClapHost&) = delete;

    const clap_plugin* plugin() const { return plugin_; }
    bool start(double rate = 48000.0, uint32_t max_frames = 4096) {
        if (plugin_ == nullptr || !plugin_->init(plugin_)) {
            return false;
        }
        return activate(rate, max_frames);
    }
    bool activate(double rate, uint32_t max_frames) {
        active_ = plugin_->activate(plugin_, rate, 1, max_frames);
        return active_ && plugin_->start_processing(plugin_);
    }
    void deactivate() {
        plugin_->stop_processing(plugin_);
        plugin_->deactivate(plugin_);
        active_ = false;
    }
    template <typename T>
    const T* extension(const char* id) const {
        return static_cast<const T*>(plugin_->get_extension(plugin_, id));
    }

    // Events for the next block.
    void midi(uint32_t time, uint8_t status, uint8_t data1, uint8_t data2) {
        clap_event_midi event{};
        event.header = {sizeof event, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0};
        event.data[0] = status;
        event.data[1] = data1;
        event.data[2] = data2;
        add(event);
    }
    void note(uint16_t type, uint32_t time, int16_t channel, int16_t key, double velocity = 0.8) {
        clap_event_note event{};
        event.header = {sizeof event, time, CLAP_CORE_EVENT_SPACE_ID, type, 0};
        event.note_id = -1;
        event.port_index = 0;
        event.channel = channel;
        event.key = key;
        event.velocity = velocity;
        add(event);
    }
    // Any event record as it is, for events the helpers above do not make.
    template <typename Event>
    void add(const Event& event) {
        std::vector<uint8_t> bytes(sizeof event);
        std::memcpy(bytes.data(), &event, sizeof event);
        events_.push_back(std::move(bytes));
    }
    // The block's transport: playing or not, at a position in seconds.
    void transport(bool playing, double seconds) {
        has_transport_ = true;
        transport_ = {};
        transport_.header = {sizeof transport_, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT,
                             0};
        transport_.flags =
            CLAP_TRANSPORT_HAS_SECONDS_TIMELINE | (playing ? CLAP_TRANSPORT_IS_PLAYING : 0U);
        transport_.song_pos_seconds = static_cast<int64_t>(seconds * CLAP_SECTIME_FACTOR);
    }
    // One block; what it sent, each event's time in DeltaFrames.
    std::vector<Delivered> process(uint32_t frames = 256) {
        clap_input_events in{this, &in_size, &in_get};
        clap_output_events out{this, &out_push};
        clap_process block{};
        block.steady_time = -1;
        block.frames_count = frames;
        block.transport = has_transport_ ? &transport_ : nullptr;
        block.in_events = &in;
        block.out_events = &out;
        sent_.clear();
        EXPECT_EQ(plugin_->process(plugin_, &block), CLAP_PROCESS_CONTINUE);
        events_.clear();
        uint32_t last = 0;
        for (const Delivered& event : sent_) {
            EXPECT_GE(static_cast<uint32_t>(event.DeltaFrames), last) << "a time went back";
            EXPECT_LT(static_cast<uint32_t>(event.DeltaFrames), frames);
            last = static_cast<uint32_t>(event.DeltaFrames);
        }
        return sent_;
    }

    // State through the host's streams; the stream writes or reads at most `step` bytes a
    // call, as a host's buffered stream may. A broken stream's first read answers
    // `over_answer` bytes more than it was asked for.
    std::vector<uint8_t> save(size_t step = 7) {
        Stream stream{{}, 0, step, 0};
        clap_ostream out{&stream, &Stream::write};
        EXPECT_TRUE(extension<clap_plugin_state>(CLAP_EXT_STATE)->save(plugin_, &out));
        return stream.bytes;
    }
    bool load(const std::vector<uint8_t>& bytes, size_t step = 5, int64_t over_answer = 0) {
        Stream stream{bytes, 0, step, over_answer};
        clap_istream in{&stream, &Stream::read};
        return extension<clap_plugin_state>(CLAP_EXT_STATE)->load(plugin_, &in);
    }

    // The host's timer: each registered one fires once.
    void fire_timers() {
        const auto* timers = extension<clap_plugin_timer_support>(CLAP_EXT_TIMER_SUPPORT);
        if (timers != nullptr && !timers_.empty()) {
            timers->on_timer(plugin_, 7);
        }
    }

    // What the host's thread-check answers for the calling thread: its main thread or not.
    void set_on_main_thread(bool main) { on_main_thread_ = main; }

    int dirty_marks() const { return dirty_; }
    const std::vector<uint32_t>& timers() const { return timers_; }

private:
    struct Stream {
        std::vector<uint8_t> bytes;
        size_t at;
        size_t step;
        int64_t over_answer;
        static int64_t write(const clap_ostream* s, const void* data, uint64_t size) {
            auto& self = *static_cast<Stream*>(s->ctx);
            const auto n = static_cast<size_t>(std::min<uint64_t>(size, self.step));
            const auto* from = static_cast<const uint8_t*>(data);
            self.bytes.insert(self.bytes.end(), from, from + n);
            return static_cast<int64_t>(n);
        }
        static int64_t read(const clap_istream* s, void* data, uint64_t size) {
            auto& self = *static_cast<Stream*>(s->ctx);
            const auto n = static_cast<size_t>(
                std::min<uint64_t>({size, self.step, self.bytes.size() - self.at}));
            if (n > 0) {
                std::memcpy(data, self.bytes.data() + self.at, n);
            }
            self.at += n;
            const int64_t over = std::exchange(self.over_answer, 0);
            return over > 0 ? static_cast<int64_t>(size) + over : static_cast<int64_t>(n);
        }
    };

    static ClapHost& self(const clap_host* host) {
        return *static_cast<ClapHost*>(host->host_data);
    }
    static const void* get_extension(const clap_host* host, const char* id) {
        static constexpr clap_host_state kState{[](const clap_host* h) { ++self(h).dirty_; }};
        static constexpr clap_host_timer_support kTimers{
            [](const clap_host* h, uint32_t period, clap_id* timer) {
                self(h).timers_.push_back(period);
                *timer = 7;
                return true;
            },
            [](const clap_host* h, clap_id timer) {
                auto& timers = self(h).timers_;
                if (timer != 7 || timers.empty()) {
                    return false;
                }
                timers.pop_back();
                return true;
            }};
        static constexpr clap_host_thread_check kThreads{
            [](const clap_host* h) { return self(h).on_main_thread_; },
            [](const clap_host* h) { return !self(h).on_main_thread_; }};
        if (std::strcmp(id, CLAP_EXT_STATE) == 0) {
            return &kState;
        }
        if (std::strcmp(id, CLAP_EXT_THREAD_CHECK) == 0) {
            return &kThreads;
        }
        if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0 && self(host).with_timers_) {
            return &kTimers;
        }
        return nullptr;
    }
    static void request(const clap_host*) {}
    static uint32_t in_size(const clap_input_events* list) {
        return static_cast<uint32_t>(static_cast<ClapHost*>(list->ctx)->events_.size());
    }
    static const clap_event_header* in_get(const clap_input_events* list, uint32_t index) {
        const auto& events = static_cast<ClapHost*>(list->ctx)->events_;
        return index < events.size()
                   ? reinterpret_cast<const clap_event_header*>(events[index].data())
                   : nullptr;
    }
    static bool out_push(const clap_output_events* list, const clap_event_header* event) {
        auto& self = *static_cast<ClapHost*>(list->ctx);
        EXPECT_EQ(event->type, CLAP_EVENT_MIDI) << "the output is MIDI only";
        EXPECT_EQ(event->size, sizeof(clap_event_midi));
        const auto& midi = *reinterpret_cast<const clap_event_midi*>(event);
        self.sent_.push_back(
            {midi.data[0], midi.data[1], midi.data[2], static_cast<int32_t>(midi.header.time)});
        return true;
    }

    bool with_timers_;
    clap_host host_{};
    const clap_plugin* plugin_ = nullptr;
    bool active_ = false;
    std::vector<std::vector<uint8_t>> events_;
    std::vector<Delivered> sent_;
    bool has_transport_ = false;
    clap_event_transport transport_{};
    int dirty_ = 0;
    std::vector<uint32_t> timers_;
    bool on_main_thread_ = true;
};

} // namespace tonvo::test
