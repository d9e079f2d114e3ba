// A plug-in instance wired to the scripted host, opened, with two output buffers, driven the
// way a host drives it: events first, then one processing call per block.
#pragma once

#include "formats/vst2/plugin.h"
#include "support/event_block.h"
#include "support/fake_host.h"
#include "support/map_entries.h"

#include <array>
#include <memory>
#include <vector>

namespace tonvo::test {

// A plug-in with one parameter value, "nmap" at 0.25, for its CC assignments to drive.
class AssignablePlugin : public TVSTPlugin {
public:
    using TVSTPlugin::TVSTPlugin;

protected:
    void CreationHook() override { ParameterValues().Add(0.25f, "nmap"); }
};

class PluginHarness {
public:
    static constexpr int32_t kFrames = 64;

    PluginHarness() {
        plugin.AttachHostCallback(&FakeHost::Callback);
        plugin.InstallProcessingRoutines();
        for (size_t i = 0; i < buffers_.size(); ++i) {
            buffers_[i].assign(kFrames, 1.0f);
            outputs_[i] = buffers_[i].data();
        }
    }

    // effProcessEvents through the record's dispatcher with the block built so far, which is
    // then emptied.
    void SendEvents() {
        AEffect* effect = plugin.Effect();
        effect->dispatcher(effect, effProcessEvents, 0, 0, block.Get(), 0.0f);
        block.Clear();
    }
    // processReplacing for one block.
    void Process(int32_t frames = kFrames) {
        AEffect* effect = plugin.Effect();
        effect->processReplacing(effect, nullptr, outputs_.data(), frames);
    }
    // One whole block: its events, then its processing call.
    void Block() {
        SendEvents();
        Process();
    }
    // One whole block, or its processing call alone: what it delivered.
    std::vector<Delivered> RunBlock(bool withEvents = true) {
        host.Forget();
        withEvents ? Block() : Process();
        return host.Events();
    }
    const std::vector<float>& Output(size_t channel) const { return buffers_[channel]; }
    void SetMap(const Entries& entries) { fill(plugin.ScaleMap(), entries); }

    FakeHost host;
    std::unique_ptr<TVSTPlugin> owned = TVSTModule::Create<TVSTPlugin>();
    TVSTPlugin& plugin = *owned;
    EventBlock block;

private:
    std::array<std::vector<float>, 2> buffers_;
    std::array<float*, 2> outputs_{};
};

} // namespace tonvo::test
