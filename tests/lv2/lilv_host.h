// A host for the LV2 bundle built, through lilv as real hosts load it: the world with the
// build's bundle and the installed LV2 vocabularies, the URID map, and instances driven block by
// block with MIDI and time:Position in, MIDI and notices out, and state saved and restored
// through lilv and through the plug-in's state interface.
#pragma once

#include "support/fake_host.h"

#include <cstdint>
#include <lilv/lilv.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tonvo::test {

// What the plug-in's state interface answered, and the bytes of its one property.
struct SavedBlock {
    LV2_State_Status status = LV2_STATE_ERR_UNKNOWN;
    std::vector<uint8_t> bytes;
    uint32_t type = 0;
};

class Lv2World {
public:
    // The installed LV2 vocabularies and plug-ins of /usr/lib/lv2, and the bundle built
    // (TONVO_LV2_BUNDLE) or the one TONVO_LV2_BUNDLE_UNDER_TEST names (a package's).
    Lv2World();
    ~Lv2World();
    Lv2World(const Lv2World&) = delete;
    Lv2World& operator=(const Lv2World&) = delete;

    ::LilvWorld* world() const { return world_; }
    // The plug-in of that URI; null when the world has none.
    const LilvPlugin* plugin(const char* uri) const;
    LV2_URID map(const std::string& uri);
    const char* unmap(LV2_URID id) const;
    LV2_URID_Map* map_feature() { return &map_; }
    LV2_URID_Unmap* unmap_feature() { return &unmap_; }
    // urid:map and urid:unmap, null-terminated.
    const LV2_Feature* const* features() const { return features_.data(); }

private:
    ::LilvWorld* world_;
    std::map<std::string, LV2_URID> ids_;
    std::vector<std::string> uris_;
    LV2_URID_Map map_;
    LV2_URID_Unmap unmap_;
    LV2_Feature map_entry_;
    LV2_Feature unmap_entry_;
    std::vector<const LV2_Feature*> features_;
};

class Lv2Instance {
public:
    static constexpr uint32_t kOutputBytes = 32768;
    static constexpr uint32_t kInputBytes = 65536;

    // Instantiated, ports connected, activated; fails the test when it cannot be. The output
    // buffer the host gives holds `output_bytes`.
    Lv2Instance(Lv2World& world, const char* uri, uint32_t output_bytes = kOutputBytes);
    ~Lv2Instance();
    Lv2Instance(const Lv2Instance&) = delete;
    Lv2Instance& operator=(const Lv2Instance&) = delete;

    bool made() const { return instance_ != nullptr; }
    // The plug-in's own handle, as instance-access gives it to its UI.
    void* handle() const { return lilv_instance_get_handle(instance_); }
    // Adds one MIDI event (1 to 3 bytes) to the next block.
    void midi(int64_t frame, std::vector<uint8_t> bytes);
    void note_on(int64_t frame, int channel, int note, int velocity = 100) {
        midi(frame, {static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(note),
                     static_cast<uint8_t>(velocity)});
    }
    void note_off(int64_t frame, int channel, int note) {
        midi(frame, {static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(note), 0});
    }
    // Adds a time:Position with the speed and frame given (either may be left out).
    void position(int64_t frame_in_block, std::optional<float> speed, std::optional<int64_t> frame);
    // Runs one block of the events added so far; its MIDI output, each event's frame in
    // DeltaFrames. Output frames that go back fail the test.
    std::vector<Delivered> run(uint32_t frames = 256);
    // The plug-in's run call alone, with nothing of the host's around it (for counting what
    // the call itself does); the output is left unread.
    void run_only(uint32_t frames = 256);
    // Deactivated and activated again, as a host restarts an instance it keeps.
    void reactivate();
    // How many state:StateChanged notices the output carried so far.
    int state_changed_notices() const { return notices_; }

    // Through lilv, as a host saves and restores: the state, and its Turtle text.
    LilvState* save_state();
    std::string state_text(LilvState* state);
    void restore_state(const LilvState* state);
    // Through the plug-in's state interface, with the host's store and retrieve calls.
    SavedBlock save_block();
    LV2_State_Status restore_block(const std::vector<uint8_t>& bytes, uint32_t type = 0);

private:
    bool room_for(uint32_t bytes);

    Lv2World& world_;
    const LilvPlugin* plugin_ = nullptr;
    LilvInstance* instance_ = nullptr;
    const LV2_State_Interface* state_ = nullptr;
    std::vector<uint64_t> input_;
    std::vector<uint64_t> output_;
    uint32_t output_bytes_;
    int notices_ = 0;
};

} // namespace tonvo::test
