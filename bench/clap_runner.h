// Tonvo.clap in peer_bench: the file loaded with its entry initialised once, as a host keeps it,
// and one instance per workload driven through its records. Each block hands the plug-in an
// input list of MIDI events built from the workload and an output list that counts the MIDI
// events, as the VST 2.4 runs' host counts what it is sent; there is no transport (free
// running), as the LV2 runs have none.
#pragma once

#include "formats/clap/clap_abi.h"
#include "note_streams.h"
#include "runner.h"
#include "tonvo_host/plugin_library.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace tonvo::bench {

class ClapLibrary {
public:
    explicit ClapLibrary(const char* path) : library_(path) {
        entry_ = static_cast<const clap::clap_plugin_entry*>(library_.Symbol("clap_entry"));
        if (entry_ == nullptr || !entry_->init(path)) {
            throw std::runtime_error(std::string("cannot open the CLAP entry of ") + path + ": " +
                                     library_.Error());
        }
        factory_ = static_cast<const clap::clap_plugin_factory*>(
            entry_->get_factory(clap::CLAP_PLUGIN_FACTORY_ID));
        if (factory_ == nullptr) {
            entry_->deinit();
            throw std::runtime_error(std::string(path) + " has no plug-in factory");
        }
    }
    ~ClapLibrary() { entry_->deinit(); }
    ClapLibrary(const ClapLibrary&) = delete;
    ClapLibrary& operator=(const ClapLibrary&) = delete;

    const clap::clap_plugin_factory& Factory() const noexcept { return *factory_; }

private:
    tools::PluginLibrary library_;
    const clap::clap_plugin_entry* entry_ = nullptr;
    const clap::clap_plugin_factory* factory_ = nullptr;
};

class ClapRunner : public Runner {
public:
    ClapRunner(const ClapLibrary& library, const std::vector<uint8_t>& state, double rate,
               const std::vector<Note>& before, const std::vector<Note>& loop)
        : loop_(loop) {
        host_ = {clap::kClapVersion,
                 this,
                 "peer_bench",
                 "Brelwick",
                 "",
                 "1.0",
                 [](const clap::clap_host*, const char*) -> const void* { return nullptr; },
                 [](const clap::clap_host*) {},
                 [](const clap::clap_host*) {},
                 [](const clap::clap_host*) {}};
        plugin_ = library.Factory().create_plugin(&library.Factory(), &host_, "com.brelwick.tonvo");
        if (plugin_ == nullptr || !plugin_->init(plugin_)) {
            throw std::runtime_error("Tonvo.clap made no instance");
        }
        Load(state);
        if (!plugin_->activate(plugin_, rate, 1, kStreamFrames) ||
            !plugin_->start_processing(plugin_)) {
            throw std::runtime_error("Tonvo.clap did not start processing");
        }
        // The host's reused event records: only times and bytes change from block to block.
        for (clap::clap_event_midi& event : in_) {
            event.header = {sizeof(clap::clap_event_midi), 0, clap::CLAP_CORE_EVENT_SPACE_ID,
                            clap::CLAP_EVENT_MIDI, 0};
        }
        input_.ctx = this;
        input_.size = [](const clap::clap_input_events* list) {
            return static_cast<const ClapRunner*>(list->ctx)->inCount_;
        };
        input_.get = [](const clap::clap_input_events* list, uint32_t index) {
            const auto* self = static_cast<const ClapRunner*>(list->ctx);
            return index < self->inCount_ ? &self->in_[index].header : nullptr;
        };
        output_.ctx = this;
        output_.try_push = [](const clap::clap_output_events* list,
                              const clap::clap_event_header* event) {
            static_cast<ClapRunner*>(list->ctx)->sent_ += event->type == clap::CLAP_EVENT_MIDI;
            return true;
        };
        process_.frames_count = kStreamFrames;
        process_.in_events = &input_;
        process_.out_events = &output_;
        const int64_t sentBefore = PlayOnce(before);
        const int64_t sentLoop = PlayOnce(loop);
        if (sentBefore != static_cast<int64_t>(before.size()) ||
            sentLoop != static_cast<int64_t>(loop.size())) {
            throw std::runtime_error("Tonvo.clap sent " + std::to_string(sentBefore) + " and " +
                                     std::to_string(sentLoop) + " events for " +
                                     std::to_string(before.size()) + " and " +
                                     std::to_string(loop.size()));
        }
    }
    ~ClapRunner() override {
        plugin_->stop_processing(plugin_);
        plugin_->deactivate(plugin_);
        plugin_->destroy(plugin_);
    }
    ClapRunner(const ClapRunner&) = delete;
    ClapRunner& operator=(const ClapRunner&) = delete;

    void Run(size_t count) override {
        play_blocks(loop_, next_, count, [this](size_t first) { RunBlock(loop_, first); });
    }

private:
    void Load(const std::vector<uint8_t>& block) {
        const auto* state = static_cast<const clap::clap_plugin_state*>(
            plugin_->get_extension(plugin_, clap::CLAP_EXT_STATE));
        struct From {
            const std::vector<uint8_t>* bytes;
            size_t at;
        } from{&block, 0};
        const clap::clap_istream stream{
            &from, [](const clap::clap_istream* s, void* buffer, uint64_t size) -> int64_t {
                auto* self = static_cast<From*>(s->ctx);
                const size_t count =
                    std::min<size_t>(static_cast<size_t>(size), self->bytes->size() - self->at);
                std::memcpy(buffer, self->bytes->data() + self->at, count);
                self->at += count;
                return static_cast<int64_t>(count);
            }};
        if (state == nullptr || !state->load(plugin_, &stream)) {
            throw std::runtime_error("Tonvo.clap did not take the state");
        }
    }

    // Fills the input records with notes[first] and up to 15 after it and runs one block.
    void RunBlock(const std::vector<Note>& notes, size_t first) noexcept {
        inCount_ =
            static_cast<uint32_t>(std::min<size_t>(kStreamEventsPerBlock, notes.size() - first));
        for (uint32_t i = 0; i < inCount_; ++i) {
            const Note& note = notes[first + i];
            clap::clap_event_midi& event = in_[i];
            event.header.time = static_cast<uint32_t>(note.Frame);
            event.data[0] = note.Status;
            event.data[1] = note.Data1;
            event.data[2] = note.Data2;
        }
        plugin_->process(plugin_, &process_);
        process_.steady_time += kStreamFrames;
    }

    // Plays every note once; answers how many MIDI events came out.
    int64_t PlayOnce(const std::vector<Note>& notes) {
        sent_ = 0;
        for (size_t first = 0; first < notes.size(); first += kStreamEventsPerBlock) {
            RunBlock(notes, first);
        }
        return sent_;
    }

    const std::vector<Note>& loop_;
    clap::clap_host host_{};
    const clap::clap_plugin* plugin_ = nullptr;
    clap::clap_input_events input_{};
    clap::clap_output_events output_{};
    clap::clap_process process_{};
    std::array<clap::clap_event_midi, kStreamEventsPerBlock> in_{};
    uint32_t inCount_ = 0;
    int64_t sent_ = 0;
    size_t next_ = 0;
};

} // namespace tonvo::bench
