// Hands arbitrary bytes to the LV2 plug-in as the body of its input sequence, then runs one
// block. The host fills the sequence, but the walk must never read past the size the sequence
// gives, whatever events, sizes, objects and properties the bytes hold, and the output it
// writes must stay a sequence inside the buffer, its frames never going back.
#include "formats/lv2/instance.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <lv2/atom/atom.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Host {
    // The plug-in maps its URIs in a fixed order at creation, so small numbers in the input
    // reach MIDI events (9) and time:Position objects (6, 10) with their keys and values.
    std::map<std::string, LV2_URID> ids;
    LV2_URID_Map map{
        this, [](LV2_URID_Map_Handle self, const char* uri) {
            auto& known = static_cast<Host*>(self)->ids;
            return known.emplace(uri, static_cast<LV2_URID>(known.size() + 1)).first->second;
        }};
    LV2_Feature map_feature{LV2_URID__map, &map};
    const LV2_Feature* features[2] = {&map_feature, nullptr};
    std::unique_ptr<tonvo::lv2::Instance> instance =
        tonvo::lv2::Instance::create(features, tonvo::PluginServices::Defaults());
    std::vector<uint64_t> output = std::vector<uint64_t>(4096);
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Host host;
    if (size > 65536) {
        return 0;
    }
    // The atom header, then exactly the input as the sequence's body.
    std::vector<uint64_t> input(2 + (size + 7) / 8);
    auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(input.data());
    sequence->atom.size = static_cast<uint32_t>(size);
    sequence->atom.type = host.map.map(host.map.handle, LV2_ATOM__Sequence);
    std::memcpy(reinterpret_cast<uint8_t*>(input.data()) + sizeof(LV2_Atom), data, size);

    auto* out = reinterpret_cast<LV2_Atom_Sequence*>(host.output.data());
    const auto capacity = static_cast<uint32_t>(host.output.size() * 8);
    out->atom.size = capacity;
    host.instance->connect(tonvo::lv2::kEventsIn, input.data());
    host.instance->connect(tonvo::lv2::kEventsOut, out);
    host.instance->run(256);

    if (out->atom.size + sizeof(LV2_Atom) > capacity) {
        std::abort(); // written past the buffer
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(&out->body);
    int64_t last = 0;
    for (uint32_t at = sizeof(LV2_Atom_Sequence_Body); at < out->atom.size;) {
        const auto* event = reinterpret_cast<const LV2_Atom_Event*>(bytes + at);
        if (event->time.frames < last || event->time.frames > 255) {
            std::abort(); // frames out of order or outside the block
        }
        last = event->time.frames;
        at += static_cast<uint32_t>(sizeof(LV2_Atom_Event)) + ((event->body.size + 7U) & ~7U);
    }
    return 0;
}
