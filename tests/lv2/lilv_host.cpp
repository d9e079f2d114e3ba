#include "lv2/lilv_host.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/time/time.h>

namespace tonvo::test {

namespace {

uint32_t pad8(uint32_t size) {
    return (size + 7U) & ~7U;
}

// The state interface's one property, kept as the host's store call gave it.
struct StoreInto {
    SavedBlock* saved;
    static LV2_State_Status store(LV2_State_Handle handle, uint32_t, const void* value, size_t size,
                                  uint32_t type, uint32_t) {
        auto* self = static_cast<StoreInto*>(handle);
        const auto* bytes = static_cast<const uint8_t*>(value);
        self->saved->bytes.assign(bytes, bytes + size);
        self->saved->type = type;
        return LV2_STATE_SUCCESS;
    }
};

struct RetrieveFrom {
    const std::vector<uint8_t>* bytes;
    uint32_t type;
    static const void* retrieve(LV2_State_Handle handle, uint32_t, size_t* size, uint32_t* type,
                                uint32_t* flags) {
        auto* self = static_cast<RetrieveFrom*>(handle);
        *size = self->bytes->size();
        *type = self->type;
        *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
        return self->bytes->data();
    }
};

} // namespace

Lv2World::Lv2World() : world_(lilv_world_new()) {
    LilvNode* lv2_path = lilv_new_string(world_, "/usr/lib/lv2");
    lilv_world_set_option(world_, LILV_OPTION_LV2_PATH, lv2_path);
    lilv_node_free(lv2_path);
    lilv_world_load_all(world_);
    const char* other = std::getenv("TONVO_LV2_BUNDLE_UNDER_TEST");
    const std::string bundle =
        "file://" + std::string(other != nullptr ? other : TONVO_LV2_BUNDLE) + "/";
    LilvNode* ours = lilv_new_uri(world_, bundle.c_str());
    lilv_world_load_bundle(world_, ours);
    lilv_node_free(ours);
    map_ = {this, [](LV2_URID_Map_Handle self, const char* uri) {
                return static_cast<Lv2World*>(self)->map(uri);
            }};
    unmap_ = {this, [](LV2_URID_Unmap_Handle self, LV2_URID id) {
                  return static_cast<Lv2World*>(self)->unmap(id);
              }};
    map_entry_ = {LV2_URID__map, &map_};
    unmap_entry_ = {LV2_URID__unmap, &unmap_};
    features_ = {&map_entry_, &unmap_entry_, nullptr};
}

Lv2World::~Lv2World() {
    lilv_world_free(world_);
}

const LilvPlugin* Lv2World::plugin(const char* uri) const {
    LilvNode* node = lilv_new_uri(world_, uri);
    const LilvPlugin* found = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), node);
    lilv_node_free(node);
    return found;
}

LV2_URID Lv2World::map(const std::string& uri) {
    auto [at, added] = ids_.emplace(uri, static_cast<LV2_URID>(uris_.size() + 1));
    if (added) {
        uris_.push_back(uri);
    }
    return at->second;
}

const char* Lv2World::unmap(LV2_URID id) const {
    return id >= 1 && id <= uris_.size() ? uris_[id - 1].c_str() : nullptr;
}

Lv2Instance::Lv2Instance(Lv2World& world, const char* uri, uint32_t output_bytes)
    : world_(world), plugin_(world.plugin(uri)), input_(kInputBytes / 8),
      output_((output_bytes + 7) / 8), output_bytes_(output_bytes) {
    if (plugin_ == nullptr) {
        ADD_FAILURE() << "lilv finds no plug-in " << uri;
        return;
    }
    instance_ = lilv_plugin_instantiate(plugin_, 48000.0, world.features());
    if (instance_ == nullptr) {
        ADD_FAILURE() << "lilv could not instantiate " << uri;
        return;
    }
    state_ = static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(instance_, LV2_STATE__interface));
    lilv_instance_connect_port(instance_, 0, input_.data());
    lilv_instance_connect_port(instance_, 1, output_.data());
    auto* in = reinterpret_cast<LV2_Atom_Sequence*>(input_.data());
    in->atom = {sizeof(LV2_Atom_Sequence_Body), world.map(LV2_ATOM__Sequence)};
    in->body = {0, 0};
    lilv_instance_activate(instance_);
}

Lv2Instance::~Lv2Instance() {
    if (instance_ != nullptr) {
        lilv_instance_deactivate(instance_);
        lilv_instance_free(instance_);
    }
}

void Lv2Instance::reactivate() {
    lilv_instance_deactivate(instance_);
    lilv_instance_activate(instance_);
}

// Whether `bytes` more fit the input sequence; a test that adds more fails.
bool Lv2Instance::room_for(uint32_t bytes) {
    const auto* in = reinterpret_cast<const LV2_Atom_Sequence*>(input_.data());
    if (sizeof(LV2_Atom) + in->atom.size + bytes > kInputBytes) {
        ADD_FAILURE() << "the test's input sequence is full";
        return false;
    }
    return true;
}

void Lv2Instance::midi(int64_t frame, std::vector<uint8_t> bytes) {
    if (bytes.size() > 8 || !room_for(sizeof(LV2_Atom_Event) + 8)) {
        return;
    }
    auto* in = reinterpret_cast<LV2_Atom_Sequence*>(input_.data());
    uint8_t* at = reinterpret_cast<uint8_t*>(input_.data()) + sizeof(LV2_Atom) + in->atom.size;
    auto* event = reinterpret_cast<LV2_Atom_Event*>(at);
    event->time.frames = frame;
    event->body = {static_cast<uint32_t>(bytes.size()), world_.map(LV2_MIDI__MidiEvent)};
    std::memcpy(event + 1, bytes.data(), bytes.size());
    in->atom.size +=
        static_cast<uint32_t>(sizeof(LV2_Atom_Event)) + pad8(static_cast<uint32_t>(bytes.size()));
}

// The object is written field by field as bytes: a property header, then its 8-byte value.
void Lv2Instance::position(int64_t frame_in_block, std::optional<float> speed,
                           std::optional<int64_t> frame) {
    if (!room_for(sizeof(LV2_Atom_Event) + sizeof(LV2_Atom_Object_Body) + 2 * 24)) {
        return;
    }
    auto* in = reinterpret_cast<LV2_Atom_Sequence*>(input_.data());
    uint8_t* at = reinterpret_cast<uint8_t*>(input_.data()) + sizeof(LV2_Atom) + in->atom.size;
    LV2_Atom_Event event{};
    event.time.frames = frame_in_block;
    event.body = {sizeof(LV2_Atom_Object_Body), world_.map(LV2_ATOM__Object)};
    const LV2_Atom_Object_Body body{0, world_.map(LV2_TIME__Position)};
    uint8_t* property = at + sizeof event + sizeof body;
    const auto add = [&](const char* key, const char* type, const void* value, uint32_t size) {
        const LV2_Atom_Property_Body head{world_.map(key), 0, {size, world_.map(type)}};
        std::memcpy(property, &head, sizeof head);
        uint64_t padded = 0;
        std::memcpy(&padded, value, size);
        std::memcpy(property + sizeof head, &padded, sizeof padded);
        property += sizeof head + sizeof padded;
        event.body.size += static_cast<uint32_t>(sizeof head + sizeof padded);
    };
    if (speed) {
        add(LV2_TIME__speed, LV2_ATOM__Float, &*speed, sizeof(float));
    }
    if (frame) {
        add(LV2_TIME__frame, LV2_ATOM__Long, &*frame, sizeof(int64_t));
    }
    std::memcpy(at, &event, sizeof event);
    std::memcpy(at + sizeof event, &body, sizeof body);
    in->atom.size += static_cast<uint32_t>(sizeof(LV2_Atom_Event)) + pad8(event.body.size);
}

void Lv2Instance::run_only(uint32_t frames) {
    auto* out = reinterpret_cast<LV2_Atom_Sequence*>(output_.data());
    out->atom.size = output_bytes_;
    lilv_instance_run(instance_, frames);
    reinterpret_cast<LV2_Atom_Sequence*>(input_.data())->atom.size = sizeof(LV2_Atom_Sequence_Body);
}

std::vector<Delivered> Lv2Instance::run(uint32_t frames) {
    auto* out = reinterpret_cast<LV2_Atom_Sequence*>(output_.data());
    out->atom = {output_bytes_, world_.map(LV2_ATOM__Chunk)};
    run_only(frames);

    std::vector<Delivered> delivered;
    EXPECT_EQ(out->atom.type, world_.map(LV2_ATOM__Sequence));
    int64_t last = 0;
    LV2_ATOM_SEQUENCE_FOREACH(out, event) {
        EXPECT_GE(event->time.frames, last) << "an output event went back in time";
        EXPECT_LT(event->time.frames, frames);
        last = event->time.frames;
        if (event->body.type == world_.map(LV2_MIDI__MidiEvent)) {
            const auto* bytes = reinterpret_cast<const uint8_t*>(event + 1);
            Delivered d;
            d.Status = bytes[0];
            d.Data1 = event->body.size > 1 ? bytes[1] : 0;
            d.Data2 = event->body.size > 2 ? bytes[2] : 0;
            d.DeltaFrames = static_cast<int32_t>(event->time.frames);
            delivered.push_back(d);
        } else if (event->body.type == world_.map(LV2_ATOM__Object)) {
            const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&event->body);
            EXPECT_EQ(object->body.otype, world_.map(LV2_STATE__StateChanged));
            ++notices_;
        } else {
            ADD_FAILURE() << "an output event of type " << world_.unmap(event->body.type);
        }
    }
    return delivered;
}

LilvState* Lv2Instance::save_state() {
    return lilv_state_new_from_instance(
        plugin_, instance_, world_.map_feature(), nullptr, nullptr, nullptr, nullptr,
        [](const char*, void*, uint32_t*, uint32_t*) -> const void* { return nullptr; }, nullptr,
        LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, world_.features());
}

std::string Lv2Instance::state_text(LilvState* state) {
    char* text = lilv_state_to_string(world_.world(), world_.map_feature(), world_.unmap_feature(),
                                      state, "urn:test:state", nullptr);
    std::string copy = text != nullptr ? text : "";
    lilv_free(text);
    return copy;
}

void Lv2Instance::restore_state(const LilvState* state) {
    lilv_state_restore(state, instance_, nullptr, nullptr, 0, world_.features());
}

SavedBlock Lv2Instance::save_block() {
    SavedBlock saved;
    StoreInto into{&saved};
    saved.status = state_->save(lilv_instance_get_handle(instance_), &StoreInto::store, &into, 0,
                                world_.features());
    return saved;
}

LV2_State_Status Lv2Instance::restore_block(const std::vector<uint8_t>& bytes, uint32_t type) {
    RetrieveFrom from{&bytes, type != 0 ? type : world_.map(LV2_ATOM__Chunk)};
    return state_->restore(lilv_instance_get_handle(instance_), &RetrieveFrom::retrieve, &from, 0,
                           world_.features());
}

} // namespace tonvo::test
