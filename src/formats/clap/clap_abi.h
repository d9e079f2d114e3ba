// The part of the CLAP 1.2 binary interface this plug-in uses: the entry, the plug-in factory,
// the plug-in and host records, processing, events and streams, and the extensions note-ports,
// state, gui, timer-support and thread-check. Written from the published interface, with its
// record and field names so a reader can hold it against the published headers; the layouts are
// pinned at the end so a change that would break hosts fails to compile on every target.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define CLAP_ABI __cdecl
#else
#define CLAP_ABI
#endif

namespace tonvo::clap {

struct clap_version {
    uint32_t major;
    uint32_t minor;
    uint32_t revision;
};
// The interface version this plug-in was written against.
inline constexpr clap_version kClapVersion{1, 2, 0};

using clap_id = uint32_t;
inline constexpr clap_id CLAP_INVALID_ID = UINT32_MAX;
inline constexpr uint32_t CLAP_NAME_SIZE = 256;

struct clap_plugin_descriptor {
    struct clap_version clap_version;
    const char* id;
    const char* name;
    const char* vendor;
    const char* url;
    const char* manual_url;
    const char* support_url;
    const char* version;
    const char* description;
    const char* const* features; // null-terminated
};

struct clap_host {
    struct clap_version clap_version;
    void* host_data;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    const void*(CLAP_ABI* get_extension)(const clap_host* host, const char* extension_id);
    void(CLAP_ABI* request_restart)(const clap_host* host);
    void(CLAP_ABI* request_process)(const clap_host* host);
    void(CLAP_ABI* request_callback)(const clap_host* host);
};

// --- Events -----------------------------------------------------------------------------------

struct clap_event_header {
    uint32_t size; // including this header
    uint32_t time; // frame offset inside the block
    uint16_t space_id;
    uint16_t type;
    uint32_t flags;
};
inline constexpr uint16_t CLAP_CORE_EVENT_SPACE_ID = 0;
enum : uint16_t {
    CLAP_EVENT_NOTE_ON = 0,
    CLAP_EVENT_NOTE_OFF = 1,
    CLAP_EVENT_NOTE_CHOKE = 2,
    CLAP_EVENT_NOTE_END = 3,
    CLAP_EVENT_TRANSPORT = 9,
    CLAP_EVENT_MIDI = 10,
};

struct clap_event_note {
    clap_event_header header;
    int32_t note_id;
    int16_t port_index;
    int16_t channel; // 0..15, -1 for all
    int16_t key;     // 0..127, -1 for all
    double velocity; // 0..1
};

enum : uint32_t {
    CLAP_TRANSPORT_HAS_TEMPO = 1U << 0,
    CLAP_TRANSPORT_HAS_BEATS_TIMELINE = 1U << 1,
    CLAP_TRANSPORT_HAS_SECONDS_TIMELINE = 1U << 2,
    CLAP_TRANSPORT_HAS_TIME_SIGNATURE = 1U << 3,
    CLAP_TRANSPORT_IS_PLAYING = 1U << 4,
};
// Beat and second positions are fixed point: the value times this factor.
inline constexpr int64_t CLAP_BEATTIME_FACTOR = int64_t{1} << 31;
inline constexpr int64_t CLAP_SECTIME_FACTOR = int64_t{1} << 31;

struct clap_event_transport {
    clap_event_header header;
    uint32_t flags;
    int64_t song_pos_beats;
    int64_t song_pos_seconds;
    double tempo;
    double tempo_inc;
    int64_t loop_start_beats;
    int64_t loop_end_beats;
    int64_t loop_start_seconds;
    int64_t loop_end_seconds;
    int64_t bar_start;
    int32_t bar_number;
    uint16_t tsig_num;
    uint16_t tsig_denom;
};

struct clap_event_midi {
    clap_event_header header;
    uint16_t port_index;
    uint8_t data[3];
};

struct clap_input_events {
    void* ctx;
    uint32_t(CLAP_ABI* size)(const clap_input_events* list);
    const clap_event_header*(CLAP_ABI* get)(const clap_input_events* list, uint32_t index);
};
struct clap_output_events {
    void* ctx;
    bool(CLAP_ABI* try_push)(const clap_output_events* list, const clap_event_header* event);
};

// --- Processing -------------------------------------------------------------------------------

struct clap_audio_buffer {
    float** data32;
    double** data64;
    uint32_t channel_count;
    uint32_t latency;
    uint64_t constant_mask;
};

using clap_process_status = int32_t;
enum : clap_process_status {
    CLAP_PROCESS_ERROR = 0,
    CLAP_PROCESS_CONTINUE = 1,
    CLAP_PROCESS_CONTINUE_IF_NOT_QUIET = 2,
    CLAP_PROCESS_TAIL = 3,
    CLAP_PROCESS_SLEEP = 4,
};

struct clap_process {
    int64_t steady_time;
    uint32_t frames_count;
    const clap_event_transport* transport; // null when the host has none (free running)
    const clap_audio_buffer* audio_inputs;
    clap_audio_buffer* audio_outputs;
    uint32_t audio_inputs_count;
    uint32_t audio_outputs_count;
    const clap_input_events* in_events;
    const clap_output_events* out_events;
};

// --- The plug-in, its factory and the entry --------------------------------------------------

struct clap_plugin {
    const clap_plugin_descriptor* desc;
    void* plugin_data;
    bool(CLAP_ABI* init)(const clap_plugin* plugin);
    void(CLAP_ABI* destroy)(const clap_plugin* plugin);
    bool(CLAP_ABI* activate)(const clap_plugin* plugin, double sample_rate,
                             uint32_t min_frames_count, uint32_t max_frames_count);
    void(CLAP_ABI* deactivate)(const clap_plugin* plugin);
    bool(CLAP_ABI* start_processing)(const clap_plugin* plugin);
    void(CLAP_ABI* stop_processing)(const clap_plugin* plugin);
    void(CLAP_ABI* reset)(const clap_plugin* plugin);
    clap_process_status(CLAP_ABI* process)(const clap_plugin* plugin, const clap_process* process);
    const void*(CLAP_ABI* get_extension)(const clap_plugin* plugin, const char* id);
    void(CLAP_ABI* on_main_thread)(const clap_plugin* plugin);
};

inline constexpr char CLAP_PLUGIN_FACTORY_ID[] = "clap.plugin-factory";
struct clap_plugin_factory {
    uint32_t(CLAP_ABI* get_plugin_count)(const clap_plugin_factory* factory);
    const clap_plugin_descriptor*(CLAP_ABI* get_plugin_descriptor)(
        const clap_plugin_factory* factory, uint32_t index);
    const clap_plugin*(CLAP_ABI* create_plugin)(const clap_plugin_factory* factory,
                                                const clap_host* host, const char* plugin_id);
};

struct clap_plugin_entry {
    struct clap_version clap_version;
    bool(CLAP_ABI* init)(const char* plugin_path);
    void(CLAP_ABI* deinit)();
    const void*(CLAP_ABI* get_factory)(const char* factory_id);
};

// --- Streams and state ------------------------------------------------------------------------

struct clap_istream {
    void* ctx;
    // Bytes read; 0 at the end, negative on an error.
    int64_t(CLAP_ABI* read)(const clap_istream* stream, void* buffer, uint64_t size);
};
struct clap_ostream {
    void* ctx;
    // Bytes written (possibly fewer than asked); negative on an error.
    int64_t(CLAP_ABI* write)(const clap_ostream* stream, const void* buffer, uint64_t size);
};

inline constexpr char CLAP_EXT_STATE[] = "clap.state";
struct clap_plugin_state {
    bool(CLAP_ABI* save)(const clap_plugin* plugin, const clap_ostream* stream);
    bool(CLAP_ABI* load)(const clap_plugin* plugin, const clap_istream* stream);
};
struct clap_host_state {
    void(CLAP_ABI* mark_dirty)(const clap_host* host);
};

// --- Note ports -------------------------------------------------------------------------------

inline constexpr char CLAP_EXT_NOTE_PORTS[] = "clap.note-ports";
enum : uint32_t {
    CLAP_NOTE_DIALECT_CLAP = 1U << 0,
    CLAP_NOTE_DIALECT_MIDI = 1U << 1,
    CLAP_NOTE_DIALECT_MIDI_MPE = 1U << 2,
    CLAP_NOTE_DIALECT_MIDI2 = 1U << 3,
};
struct clap_note_port_info {
    clap_id id;
    uint32_t supported_dialects;
    uint32_t preferred_dialect;
    char name[CLAP_NAME_SIZE];
};
struct clap_plugin_note_ports {
    uint32_t(CLAP_ABI* count)(const clap_plugin* plugin, bool is_input);
    bool(CLAP_ABI* get)(const clap_plugin* plugin, uint32_t index, bool is_input,
                        clap_note_port_info* info);
};

// --- The editor -------------------------------------------------------------------------------

inline constexpr char CLAP_EXT_GUI[] = "clap.gui";
inline constexpr char CLAP_WINDOW_API_WIN32[] = "win32";
inline constexpr char CLAP_WINDOW_API_X11[] = "x11";

struct clap_window {
    const char* api;
    union {
        void* cocoa;
        void* uikit;
        unsigned long x11;
        void* win32;
        void* ptr;
    };
};
struct clap_gui_resize_hints {
    bool can_resize_horizontally;
    bool can_resize_vertically;
    bool preserve_aspect_ratio;
    uint32_t aspect_ratio_width;
    uint32_t aspect_ratio_height;
};
struct clap_plugin_gui {
    bool(CLAP_ABI* is_api_supported)(const clap_plugin* plugin, const char* api, bool is_floating);
    bool(CLAP_ABI* get_preferred_api)(const clap_plugin* plugin, const char** api,
                                      bool* is_floating);
    bool(CLAP_ABI* create)(const clap_plugin* plugin, const char* api, bool is_floating);
    void(CLAP_ABI* destroy)(const clap_plugin* plugin);
    bool(CLAP_ABI* set_scale)(const clap_plugin* plugin, double scale);
    bool(CLAP_ABI* get_size)(const clap_plugin* plugin, uint32_t* width, uint32_t* height);
    bool(CLAP_ABI* can_resize)(const clap_plugin* plugin);
    bool(CLAP_ABI* get_resize_hints)(const clap_plugin* plugin, clap_gui_resize_hints* hints);
    bool(CLAP_ABI* adjust_size)(const clap_plugin* plugin, uint32_t* width, uint32_t* height);
    bool(CLAP_ABI* set_size)(const clap_plugin* plugin, uint32_t width, uint32_t height);
    bool(CLAP_ABI* set_parent)(const clap_plugin* plugin, const clap_window* window);
    bool(CLAP_ABI* set_transient)(const clap_plugin* plugin, const clap_window* window);
    void(CLAP_ABI* suggest_title)(const clap_plugin* plugin, const char* title);
    bool(CLAP_ABI* show)(const clap_plugin* plugin);
    bool(CLAP_ABI* hide)(const clap_plugin* plugin);
};

inline constexpr char CLAP_EXT_TIMER_SUPPORT[] = "clap.timer-support";
struct clap_plugin_timer_support {
    void(CLAP_ABI* on_timer)(const clap_plugin* plugin, clap_id timer_id);
};
struct clap_host_timer_support {
    bool(CLAP_ABI* register_timer)(const clap_host* host, uint32_t period_ms, clap_id* timer_id);
    bool(CLAP_ABI* unregister_timer)(const clap_host* host, clap_id timer_id);
};

inline constexpr char CLAP_EXT_THREAD_CHECK[] = "clap.thread-check";
struct clap_host_thread_check {
    bool(CLAP_ABI* is_main_thread)(const clap_host* host);
    bool(CLAP_ABI* is_audio_thread)(const clap_host* host);
};

// --- Layouts, as hosts lay them out on every target -----------------------------------------

inline constexpr bool kPointer32 = sizeof(void*) == 4;
static_assert(sizeof(clap_version) == 12);
static_assert(sizeof(clap_plugin_entry) == (kPointer32 ? 24 : 40));
static_assert(offsetof(clap_plugin_entry, get_factory) == (kPointer32 ? 20 : 32));
static_assert(sizeof(clap_plugin_descriptor) == (kPointer32 ? 48 : 88));
static_assert(offsetof(clap_plugin_descriptor, features) == (kPointer32 ? 44 : 80));
static_assert(sizeof(clap_plugin) == (kPointer32 ? 48 : 96));
static_assert(offsetof(clap_plugin, process) == (kPointer32 ? 36 : 72));
static_assert(sizeof(clap_host) == (kPointer32 ? 48 : 88));
static_assert(offsetof(clap_host, get_extension) == (kPointer32 ? 32 : 56));
static_assert(sizeof(clap_event_header) == 16);
static_assert(sizeof(clap_event_note) == 40 && offsetof(clap_event_note, velocity) == 32);
static_assert(sizeof(clap_event_midi) == 24 && offsetof(clap_event_midi, data) == 18);
static_assert(sizeof(clap_event_transport) == 104);
static_assert(offsetof(clap_event_transport, song_pos_beats) == 24);
static_assert(offsetof(clap_event_transport, tsig_denom) == 102);
static_assert(sizeof(clap_process) == (kPointer32 ? 40 : 64));
static_assert(offsetof(clap_process, in_events) == (kPointer32 ? 32 : 48));
static_assert(sizeof(clap_audio_buffer) == (kPointer32 ? 24 : 32));
static_assert(sizeof(clap_note_port_info) == 268);
static_assert(sizeof(clap_window) == (kPointer32 ? 8 : 16));
static_assert(sizeof(clap_gui_resize_hints) == 12);
static_assert(sizeof(clap_plugin_gui) == 15 * sizeof(void*));

} // namespace tonvo::clap
