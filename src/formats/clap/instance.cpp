#include "formats/clap/instance.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <vector>

namespace tonvo::clap {

namespace {

// The editor's fixed size, told before its form exists.
constexpr uint32_t kEditorWidth = 662;
constexpr uint32_t kEditorHeight = 256;
// How often the host's timer pumps the editor.
constexpr uint32_t kEditorTimerMs = 30;

#if defined(_WIN32)
constexpr const char* kWindowApi = CLAP_WINDOW_API_WIN32;
#else
constexpr const char* kWindowApi = CLAP_WINDOW_API_X11;
#endif

const char* const kFeatures[] = {"note-effect", "utility", nullptr};

const clap_plugin_descriptor kDescriptor{
    kClapVersion,
    kPluginId,
    TONVO_PRODUCT_NAME,
    TONVO_VENDOR_NAME,
    "",
    "",
    "",
    TONVO_VERSION,
    "Sends every played note through a twelve-entry pitch-class map.",
    kFeatures};

// Every entry the host calls catches everything: nothing unwinds into the host.
template <typename Call, typename Answer>
Answer guarded(const char* where, Answer failed, Call call) noexcept {
    try {
        return call();
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "Tonvo: %s: %s\n", where, failure.what());
    } catch (...) {
        std::fprintf(stderr, "Tonvo: %s failed\n", where);
    }
    return failed;
}

bool plugin_init(const clap_plugin* plugin) noexcept {
    return guarded("init", false, [&] { return Instance::of(plugin).init(); });
}
void plugin_destroy(const clap_plugin* plugin) noexcept {
    guarded("destroy", 0, [&] {
        delete &Instance::of(plugin);
        return 0;
    });
}
bool plugin_activate(const clap_plugin* plugin, double, uint32_t, uint32_t) noexcept {
    return Instance::of(plugin).activate();
}
void plugin_deactivate(const clap_plugin* plugin) noexcept {
    Instance::of(plugin).deactivate();
}
bool plugin_start_processing(const clap_plugin*) noexcept {
    return true;
}
void plugin_stop_processing(const clap_plugin*) noexcept {}
void plugin_reset(const clap_plugin* plugin) noexcept {
    Instance::of(plugin).reset();
}
clap_process_status plugin_process(const clap_plugin* plugin,
                                   const clap_process* process) noexcept {
    return process != nullptr ? Instance::of(plugin).process(*process) : CLAP_PROCESS_ERROR;
}
const void* plugin_get_extension(const clap_plugin* plugin, const char* id) noexcept {
    return id != nullptr ? Instance::of(plugin).extension(id) : nullptr;
}
void plugin_on_main_thread(const clap_plugin*) noexcept {}

uint32_t note_ports_count(const clap_plugin*, bool) noexcept {
    return 1;
}
// One port each way: MIDI preferred, so controllers, pressure and bend pass as they are.
bool note_ports_get(const clap_plugin*, uint32_t index, bool is_input,
                    clap_note_port_info* info) noexcept {
    if (index != 0 || info == nullptr) {
        return false;
    }
    info->id = 0;
    info->supported_dialects = CLAP_NOTE_DIALECT_MIDI | CLAP_NOTE_DIALECT_CLAP;
    info->preferred_dialect = CLAP_NOTE_DIALECT_MIDI;
    std::snprintf(info->name, sizeof info->name, "%s", is_input ? "Notes In" : "Notes Out");
    return true;
}
constexpr clap_plugin_note_ports kNotePorts{&note_ports_count, &note_ports_get};

bool state_save(const clap_plugin* plugin, const clap_ostream* stream) noexcept {
    return stream != nullptr &&
           guarded("state save", false, [&] { return Instance::of(plugin).save(*stream); });
}
bool state_load(const clap_plugin* plugin, const clap_istream* stream) noexcept {
    return stream != nullptr &&
           guarded("state load", false, [&] { return Instance::of(plugin).load(*stream); });
}
constexpr clap_plugin_state kState{&state_save, &state_load};

bool gui_is_api_supported(const clap_plugin* plugin, const char* api, bool floating) noexcept {
    return Instance::of(plugin).gui_supported(api, floating);
}
bool gui_get_preferred_api(const clap_plugin*, const char** api, bool* floating) noexcept {
    if (api == nullptr || floating == nullptr) {
        return false;
    }
    *api = kWindowApi;
    *floating = false;
    return true;
}
bool gui_create(const clap_plugin* plugin, const char* api, bool floating) noexcept {
    return guarded("gui create", false,
                   [&] { return Instance::of(plugin).gui_create(api, floating); });
}
void gui_destroy(const clap_plugin* plugin) noexcept {
    Instance::of(plugin).gui_destroy();
}
bool gui_set_scale(const clap_plugin*, double) noexcept {
    return false; // the editor has one size
}
bool gui_get_size(const clap_plugin* plugin, uint32_t* width, uint32_t* height) noexcept {
    return width != nullptr && height != nullptr && Instance::of(plugin).gui_size(*width, *height);
}
bool gui_can_resize(const clap_plugin*) noexcept {
    return false;
}
bool gui_get_resize_hints(const clap_plugin*, clap_gui_resize_hints*) noexcept {
    return false;
}
bool gui_adjust_size(const clap_plugin* plugin, uint32_t* width, uint32_t* height) noexcept {
    return gui_get_size(plugin, width, height);
}
bool gui_set_size(const clap_plugin* plugin, uint32_t width, uint32_t height) noexcept {
    uint32_t own_width = 0;
    uint32_t own_height = 0;
    return Instance::of(plugin).gui_size(own_width, own_height) && width == own_width &&
           height == own_height;
}
bool gui_set_parent(const clap_plugin* plugin, const clap_window* window) noexcept {
    return window != nullptr && guarded("gui set_parent", false, [&] {
               return Instance::of(plugin).gui_set_parent(*window);
           });
}
bool gui_set_transient(const clap_plugin*, const clap_window*) noexcept {
    return false; // embedded only
}
void gui_suggest_title(const clap_plugin*, const char*) noexcept {}
bool gui_show(const clap_plugin*) noexcept {
    return true;
}
bool gui_hide(const clap_plugin*) noexcept {
    return true;
}
constexpr clap_plugin_gui kGui{&gui_is_api_supported,
                               &gui_get_preferred_api,
                               &gui_create,
                               &gui_destroy,
                               &gui_set_scale,
                               &gui_get_size,
                               &gui_can_resize,
                               &gui_get_resize_hints,
                               &gui_adjust_size,
                               &gui_set_size,
                               &gui_set_parent,
                               &gui_set_transient,
                               &gui_suggest_title,
                               &gui_show,
                               &gui_hide};

void timer_on_timer(const clap_plugin* plugin, clap_id timer) noexcept {
    Instance::of(plugin).on_timer(timer);
}
constexpr clap_plugin_timer_support kTimerSupport{&timer_on_timer};

// The MIDI message an event stands for: a MIDI event on the note port, or a note on, off or
// choke for one key on one channel, both in MIDI's range. False for anything else, which
// take() handles; a key or channel past MIDI's stands for none, not for the one its low bits
// would name.
bool midi_of(const clap_event_header& event, core::MidiRecord& record) noexcept {
    if (event.space_id != CLAP_CORE_EVENT_SPACE_ID) {
        return false;
    }
    record.frame = static_cast<int32_t>(std::min<uint32_t>(event.time, INT32_MAX));
    if (event.type == CLAP_EVENT_MIDI) {
        if (event.size < sizeof(clap_event_midi)) {
            return false;
        }
        const auto& midi = reinterpret_cast<const clap_event_midi&>(event);
        record.status = midi.data[0];
        record.data1 = midi.data[1];
        record.data2 = midi.data[2];
        return midi.port_index == 0;
    }
    if (event.type > CLAP_EVENT_NOTE_CHOKE || event.size < sizeof(clap_event_note)) {
        return false;
    }
    const auto& note = reinterpret_cast<const clap_event_note&>(event);
    if (note.port_index > 0 || note.key < 0 || note.key > 127 || note.channel < 0 ||
        note.channel > 15) {
        return false;
    }
    const auto channel = static_cast<uint8_t>(note.channel);
    record.data1 = static_cast<uint8_t>(note.key);
    if (event.type == CLAP_EVENT_NOTE_ON) {
        const double scaled = std::isfinite(note.velocity) ? note.velocity * 127.0 : 0.0;
        record.status = static_cast<uint8_t>(0x90 | channel);
        record.data2 = static_cast<uint8_t>(std::clamp(std::lround(scaled), 1L, 127L));
    } else {
        record.status = static_cast<uint8_t>(0x80 | channel);
        record.data2 = 0;
    }
    return true;
}

} // namespace

const clap_plugin_descriptor& descriptor() noexcept {
    return kDescriptor;
}

Instance::Instance(const clap_host& host, PluginServices& services, FormFactory form_factory)
    : host_(host), form_factory_(std::move(form_factory)), plugin_(*this, services) {
    record_ = {&kDescriptor,
               this,
               &plugin_init,
               &plugin_destroy,
               &plugin_activate,
               &plugin_deactivate,
               &plugin_start_processing,
               &plugin_stop_processing,
               &plugin_reset,
               &plugin_process,
               &plugin_get_extension,
               &plugin_on_main_thread};
}

Instance::~Instance() {
    gui_destroy();
}

bool Instance::init() {
    if (host_.get_extension != nullptr) {
        host_state_ =
            static_cast<const clap_host_state*>(host_.get_extension(&host_, CLAP_EXT_STATE));
        host_timers_ = static_cast<const clap_host_timer_support*>(
            host_.get_extension(&host_, CLAP_EXT_TIMER_SUPPORT));
        if (host_timers_ != nullptr && (host_timers_->register_timer == nullptr ||
                                        host_timers_->unregister_timer == nullptr)) {
            host_timers_ = nullptr;
        }
        host_threads_ = static_cast<const clap_host_thread_check*>(
            host_.get_extension(&host_, CLAP_EXT_THREAD_CHECK));
        if (host_threads_ != nullptr && host_threads_->is_main_thread == nullptr) {
            host_threads_ = nullptr;
        }
    }
    plugin_.start();
    return true;
}

bool Instance::activate() noexcept {
    transport_ = {};
    return true;
}

void Instance::deactivate() noexcept {}

const void* Instance::extension(const char* id) const noexcept {
    if (std::strcmp(id, CLAP_EXT_NOTE_PORTS) == 0) {
        return &kNotePorts;
    }
    if (std::strcmp(id, CLAP_EXT_STATE) == 0) {
        return &kState;
    }
    if (std::strcmp(id, CLAP_EXT_GUI) == 0 && form_factory_) {
        return &kGui;
    }
    if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0) {
        return &kTimerSupport;
    }
    return nullptr;
}

void Instance::reset() noexcept {
    plugin_.release_all_held_notes();
}

// The previews first, then the block's events in order (the transport the block starts with
// comes before them), then the transport watch and the delivery.
clap_process_status Instance::process(const clap_process& process) noexcept {
    plugin_.drain_previews();
    if (process.transport != nullptr) {
        take_transport(*process.transport);
    } else {
        transport_ = {}; // free running: no transport to follow
    }
    if (const clap_input_events* in = process.in_events; in != nullptr) {
        const uint32_t count = in->size(in);
        for (uint32_t i = 0; i < count; ++i) {
            const clap_event_header* event = in->get(in, i);
            if (event == nullptr) {
                continue;
            }
            core::MidiRecord record;
            if (midi_of(*event, record)) {
                plugin_.process_midi(record);
            } else {
                take(*event);
            }
        }
    }
    plugin_.watch_transport(transport_);
    if (process.out_events != nullptr) {
        deliver(*process.out_events, process.frames_count);
    } else {
        plugin_.output().clear();
    }
    return CLAP_PROCESS_CONTINUE;
}

// The events that are no single MIDI message: a note-off or choke with a wildcard, and a
// transport event, which is followed.
void Instance::take(const clap_event_header& event) noexcept {
    if (event.space_id != CLAP_CORE_EVENT_SPACE_ID) {
        return;
    }
    switch (event.type) {
    case CLAP_EVENT_NOTE_OFF:
    case CLAP_EVENT_NOTE_CHOKE:
        if (event.size >= sizeof(clap_event_note)) {
            take_release(reinterpret_cast<const clap_event_note&>(event));
        }
        break;
    case CLAP_EVENT_TRANSPORT:
        if (event.size >= sizeof(clap_event_transport)) {
            take_transport(reinterpret_cast<const clap_event_transport&>(event));
        }
        break;
    default: break;
    }
}

// A negative key or channel is a wildcard for that field alone. Every key on every channel
// releases everything held (so does a note id alone: it comes with both wildcards, and the
// notes Tonvo holds are known by key and channel only). Every key of one channel, or one key
// on every channel, goes through the core's note-offs one key and channel at a time, at most
// 128 of them, allocating nothing; a key not held does nothing there. They go through
// release_key, not process_midi: more calls of process_midi would keep it out of line in
// process. Another port, and a key or channel past MIDI's, release nothing (a note-off
// without a wildcard reaches here only then: midi_of takes the others).
void Instance::take_release(const clap_event_note& note) noexcept {
    if (note.port_index > 0) {
        return;
    }
    const auto frame = static_cast<int32_t>(std::min<uint32_t>(note.header.time, INT32_MAX));
    if (note.key < 0 && note.channel < 0) {
        plugin_.release_all_held_notes(frame);
    } else if (note.key < 0 && note.channel <= 15) {
        for (int key = 0; key < 128; ++key) {
            plugin_.release_key(static_cast<uint8_t>(note.channel), static_cast<uint8_t>(key),
                                frame);
        }
    } else if (note.channel < 0 && note.key <= 127) {
        for (int channel = 0; channel < 16; ++channel) {
            plugin_.release_key(static_cast<uint8_t>(channel), static_cast<uint8_t>(note.key),
                                frame);
        }
    }
}

// The song position in seconds when the host has that timeline, else in beats: the watch
// only compares one position with the next.
void Instance::take_transport(const clap_event_transport& transport) noexcept {
    transport_.known = true;
    transport_.playing = (transport.flags & CLAP_TRANSPORT_IS_PLAYING) != 0;
    if ((transport.flags & CLAP_TRANSPORT_HAS_SECONDS_TIMELINE) != 0) {
        transport_.sample_position = static_cast<double>(transport.song_pos_seconds);
    } else if ((transport.flags & CLAP_TRANSPORT_HAS_BEATS_TIMELINE) != 0) {
        transport_.sample_position = static_cast<double>(transport.song_pos_beats);
    }
}

// Times never go back: what the core queued after later events (a release at the block's
// start after the transport stopped) goes out at the latest time reached. What the host's
// list refuses is dropped, newest first.
void Instance::deliver(const clap_output_events& out, uint32_t frames) noexcept {
    core::OutputQueue& queue = plugin_.output();
    const uint32_t final_time = frames > 0 ? frames - 1 : 0;
    uint32_t last = 0;
    clap_event_midi midi{};
    midi.header.size = sizeof midi;
    midi.header.space_id = CLAP_CORE_EVENT_SPACE_ID;
    midi.header.type = CLAP_EVENT_MIDI;
    for (const core::MidiRecord& record : queue.records()) {
        const auto time = static_cast<uint32_t>(std::max(record.frame, 0));
        last = std::min(std::max(time, last), final_time);
        midi.header.time = last;
        midi.data[0] = record.status;
        midi.data[1] = record.data1;
        midi.data[2] = record.data2;
        if (!out.try_push(&out, &midi.header)) {
            break;
        }
    }
    queue.clear();
}

bool Instance::on_main_thread() const noexcept {
    return host_threads_ == nullptr || host_threads_->is_main_thread(&host_);
}

bool Instance::save(const clap_ostream& stream) {
    if (!on_main_thread()) {
        return false;
    }
    const std::vector<uint8_t> block = plugin_.state_block();
    size_t written = 0;
    while (written < block.size()) {
        const int64_t step = stream.write(&stream, block.data() + written, block.size() - written);
        if (step <= 0) {
            return false;
        }
        written += static_cast<size_t>(step);
    }
    return true;
}

// Read whole, to the stream's end, before anything changes; more than the largest state block
// is refused, and so is a stream that answers more than it was asked for: it cannot have
// written that much into the chunk, and nothing past the chunk is read.
bool Instance::load(const clap_istream& stream) {
    if (!on_main_thread()) {
        return false;
    }
    std::vector<uint8_t> block;
    uint8_t chunk[4096];
    for (;;) {
        const int64_t step = stream.read(&stream, chunk, sizeof chunk);
        if (step < 0 || step > static_cast<int64_t>(sizeof chunk)) {
            return false;
        }
        if (step == 0) {
            break;
        }
        block.insert(block.end(), chunk, chunk + step);
        if (block.size() > core::Plugin::kMaxStateBlockBytes) {
            return false;
        }
    }
    try {
        plugin_.set_state_block(block);
    } catch (const std::exception& failure) {
        report_failure("state load", failure.what());
        return false;
    }
    return true;
}

bool Instance::gui_supported(const char* api, bool floating) const noexcept {
    return form_factory_ && api != nullptr && !floating && std::strcmp(api, kWindowApi) == 0;
}

bool Instance::gui_create(const char* api, bool floating) {
    if (!gui_supported(api, floating) || !on_main_thread()) {
        return false;
    }
    gui_destroy();
    editor_ = std::make_unique<core::HostedEditor>(plugin_, form_factory_);
    if (host_timers_ == nullptr || !host_timers_->register_timer(&host_, kEditorTimerMs, &timer_)) {
        timer_ = CLAP_INVALID_ID;
#if !defined(_WIN32)
        // Only the host's timer pumps an X11 editor: without one it would never paint or
        // answer, so there is none.
        gui_destroy();
        return false;
#endif
    }
    return true;
}

void Instance::gui_destroy() noexcept {
    if (timer_ != CLAP_INVALID_ID && host_timers_ != nullptr) {
        host_timers_->unregister_timer(&host_, timer_);
    }
    timer_ = CLAP_INVALID_ID;
    editor_.reset();
}

bool Instance::gui_size(uint32_t& width, uint32_t& height) const noexcept {
    if (!form_factory_) {
        return false;
    }
    width = kEditorWidth;
    height = kEditorHeight;
    return true;
}

bool Instance::gui_set_parent(const clap_window& window) {
    if (!editor_ || window.api == nullptr || std::strcmp(window.api, kWindowApi) != 0 ||
        !on_main_thread()) {
        return false;
    }
#if defined(_WIN32)
    void* parent = window.win32;
#else
    void* parent = reinterpret_cast<void*>(static_cast<uintptr_t>(window.x11));
#endif
    editor_->open(parent);
    return editor_->native_window() != 0;
}

void Instance::on_timer(clap_id timer) noexcept {
    if (timer != timer_ || !editor_) {
        return;
    }
    guarded("gui timer", 0, [&] {
        editor_->idle(editor_update_.exchange(false));
        return 0;
    });
}

void Instance::state_changed() {
    if (host_state_ != nullptr) {
        host_state_->mark_dirty(&host_);
    }
}

void Instance::report_failure(const char* where, const char* message) noexcept {
    std::fprintf(stderr, "Tonvo: %s: %s\n", where, message);
}

} // namespace tonvo::clap
