// Hands arbitrary bytes to a plug-in instance as the host's state chunk, both as a program and
// as a bank. Whatever the bytes, the call must return, and an input that is refused must leave
// the state exactly as it was; an accepted one must write back a block that loads again.
#include "formats/vst2/plugin.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

std::unique_ptr<tonvo::TVSTPlugin> new_instance() {
    return tonvo::TVSTModule::Create<tonvo::TVSTPlugin>();
}

std::vector<uint8_t> state_of(tonvo::TVSTPlugin& plugin) {
    AEffect* effect = plugin.Effect();
    void* data = nullptr;
    const intptr_t size = effect->dispatcher(effect, effGetChunk, 1, 0, &data, 0.0f);
    const auto* bytes = static_cast<const uint8_t*>(data);
    return {bytes, bytes + size};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::unique_ptr<tonvo::TVSTPlugin> plugin = new_instance();
    const std::vector<uint8_t> before = state_of(*plugin);
    std::vector<uint8_t> input(data, data + size);
    input.push_back(0); // a valid pointer also for empty input
    AEffect* effect = plugin->Effect();
    for (int isPreset : {1, 0}) {
        const intptr_t answer = effect->dispatcher(effect, effSetChunk, isPreset,
                                                   static_cast<intptr_t>(size), input.data(), 0.0f);
        const std::vector<uint8_t> after = state_of(*plugin);
        if (answer == 0 && after != before) {
            std::abort(); // refused, yet changed
        }
        // Whatever was accepted must load again unchanged.
        std::vector<uint8_t> again = after;
        effect->dispatcher(effect, effSetChunk, 1, static_cast<intptr_t>(again.size()),
                           again.data(), 0.0f);
        if (state_of(*plugin) != after) {
            std::abort();
        }
        effect->dispatcher(effect, effSetChunk, 1, static_cast<intptr_t>(before.size()),
                           const_cast<uint8_t*>(before.data()), 0.0f);
    }
    return 0;
}
