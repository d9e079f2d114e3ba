// The CLAP adapter's plug-in instance: the core's plug-in as a CLAP note effect with one note
// port in and one out. Input events of both dialects reach the core as MIDI (raw MIDI as it
// is; CLAP note on, off and choke as note-on and note-off); the host's transport, per block and
// as transport events, drives the transport watch; the output queue goes out as raw MIDI
// events, their times never going back. The state extension saves and loads the state block;
// the editor goes through the gui extension, pumped by a timer the host runs
// (timer-support), since CLAP has no idle call: an X11 editor is refused to a host that runs
// none.
//
// Threads, as CLAP gives them: creation, init, activation, state, gui, timers and the
// destruction on the main thread; start/stop processing, reset and process on the audio
// thread, which allocates nothing, takes no lock and does no I/O. Where the host offers
// thread-check, state and the editor's creation refuse a call it says is not on its main
// thread: they allocate, read the host's streams and open windows, which must not stall a
// thread that may be the audio one.
#pragma once

#include "core/hosted_editor.h"
#include "core/plugin.h"
#include "engine/plugin_services.h"
#include "formats/clap/clap_abi.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace tonvo::clap {

// The plug-in's id, under the maker's reverse domain.
inline constexpr char kPluginId[] = "com.brelwick.tonvo";

class Instance final : private core::HostLink {
public:
    // The editor's form for a window's desktop, as the shipped library makes it.
    using FormFactory = core::EditorLife::FormFactory;

    Instance(const clap_host& host, PluginServices& services, FormFactory form_factory);
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    // The record the host holds; its plugin_data is this instance.
    const clap_plugin* record() const noexcept { return &record_; }
    static Instance& of(const clap_plugin* plugin) noexcept {
        return *static_cast<Instance*>(plugin->plugin_data);
    }

    // Main thread.
    bool init();
    bool activate() noexcept;
    void deactivate() noexcept;
    const void* extension(const char* id) const noexcept;

    // Audio thread.
    void reset() noexcept;
    clap_process_status process(const clap_process& process) noexcept;

    // State (main thread): all or nothing.
    bool save(const clap_ostream& stream);
    bool load(const clap_istream& stream);

    // The editor (main thread).
    bool gui_supported(const char* api, bool floating) const noexcept;
    bool gui_create(const char* api, bool floating);
    void gui_destroy() noexcept;
    bool gui_size(uint32_t& width, uint32_t& height) const noexcept;
    bool gui_set_parent(const clap_window& window);
    void on_timer(clap_id timer) noexcept;

    core::Plugin& plugin() noexcept { return plugin_; }

private:
    // One input event of the block that is no single MIDI message (those go to the core
    // directly): a note-off or choke with a wildcard, or the transport; others pass by.
    void take(const clap_event_header& event) noexcept;
    // A note-off or choke with a wildcard: every held note it matches is released.
    void take_release(const clap_event_note& note) noexcept;
    void take_transport(const clap_event_transport& transport) noexcept;
    // The output queue as raw MIDI events, then the queue cleared.
    void deliver(const clap_output_events& out, uint32_t frames) noexcept;

    // core::HostLink. CLAP's parameters are not used, so a control change drives nothing.
    void control_parameter(int32_t, uint8_t) noexcept override {}
    void editor_needs_update() noexcept override { editor_update_.store(true); }
    void state_changed() override;
    void parameters_reset() override {}
    void report_failure(const char* where, const char* message) noexcept override;

    // True unless the host's thread-check says this is not its main thread.
    bool on_main_thread() const noexcept;

    const clap_host& host_;
    clap_plugin record_{};
    FormFactory form_factory_;
    core::Plugin plugin_;
    const clap_host_state* host_state_ = nullptr;
    const clap_host_timer_support* host_timers_ = nullptr;
    const clap_host_thread_check* host_threads_ = nullptr;
    std::unique_ptr<core::HostedEditor> editor_;
    clap_id timer_ = CLAP_INVALID_ID;
    // The host's transport as the block's events left it.
    core::Transport transport_;
    std::atomic<bool> editor_update_{false};
};

// The plug-in's description, as the factory hands it out.
const clap_plugin_descriptor& descriptor() noexcept;

} // namespace tonvo::clap
