#include "tonvo_host/hosted_plugin.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace tonvo::tools {

namespace {
// Set and cleared while only the making thread runs; read by callbacks from any thread.
std::atomic<HostedPlugin*> current{nullptr};
} // namespace

HostedPlugin::HostedPlugin(const std::filesystem::path& library, double sampleRate,
                           int32_t blockSize, SentEvents sentEvents)
    : library_([&] {
          if (!std::filesystem::exists(library)) {
              throw EHostError("no such plug-in file: " + library.string());
          }
          // Absolute, so the loader never searches its own library path for it.
          const std::u8string text = std::filesystem::absolute(library).u8string();
          return std::string(text.begin(), text.end());
      }()),
      sampleRate_(sampleRate), blockSize_(blockSize), sentEvents_(sentEvents) {
    if (!library_.Loaded()) {
        throw EHostError("cannot load " + library.string() + ": " + library_.Error());
    }
    PluginMain entry = library_.Entry("VSTPluginMain");
    if (entry == nullptr) {
        entry = library_.Entry("main");
    }
    if (entry == nullptr) {
        throw EHostError(library.string() + " is not a VST 2.4 plug-in (no VSTPluginMain or main)");
    }
    if (current != nullptr) {
        throw EHostError("one plug-in at a time");
    }
    current = this;
    time_.sampleRate = sampleRate;
    time_.tempo = 120.0;
    effect_ = entry(&Callback);
    if (effect_ == nullptr || effect_->magic != kEffectMagic) {
        current = nullptr;
        throw EHostError(library.string() + " made no VST 2.4 instance");
    }
    left_.assign(static_cast<size_t>(blockSize), 0.0f);
    right_.assign(static_cast<size_t>(blockSize), 0.0f);
    Dispatch(effOpen);
    Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    Dispatch(effSetBlockSize, 0, blockSize);
    Dispatch(effMainsChanged, 0, 1);
}

HostedPlugin::~HostedPlugin() {
    Dispatch(effMainsChanged, 0, 0);
    Dispatch(effClose);
    current = nullptr;
}

intptr_t HostedPlugin::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                float opt) {
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

std::string HostedPlugin::Text(int32_t opcode, int32_t index) {
    char buffer[256] = {};
    Dispatch(opcode, index, 0, buffer);
    buffer[sizeof buffer - 1] = 0;
    return buffer;
}

void HostedPlugin::SetTransport(bool playing, double samplePosition) {
    time_.samplePos = samplePosition;
    time_.flags = playing ? kVstTransportPlaying : 0;
}

void HostedPlugin::ProcessBlock(uint64_t blockStart, VstEvents* events) {
    blockStart_ = blockStart;
    if (events != nullptr && events->numEvents > 0) {
        Dispatch(effProcessEvents, 0, 0, events);
    }
    float* outputs[2] = {left_.data(), right_.data()};
    if ((effect_->flags & effFlagsCanReplacing) != 0 && effect_->processReplacing != nullptr) {
        effect_->processReplacing(effect_, nullptr, outputs, blockSize_);
    } else if (effect_->process != nullptr) {
        effect_->process(effect_, nullptr, outputs, blockSize_);
    }
}

std::vector<uint8_t> HostedPlugin::GetChunk() {
    void* data = nullptr;
    const intptr_t size = Dispatch(effGetChunk, 1, 0, &data);
    if (size <= 0 || data == nullptr) {
        return {};
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    return {bytes, bytes + size};
}

void HostedPlugin::SetChunk(std::vector<uint8_t> bytes) {
    bytes.push_back(0); // a valid pointer even for an empty chunk
    const auto size = static_cast<intptr_t>(bytes.size() - 1);
    if (Dispatch(effSetChunk, 1, size, bytes.data()) == 0) {
        throw EHostError("the plug-in refused the state");
    }
}

intptr_t VSTCALLBACK HostedPlugin::Callback(AEffect*, int32_t opcode, int32_t, intptr_t value,
                                            void* ptr, float) {
    HostedPlugin* const plugin = current.load();
    return plugin != nullptr ? plugin->Answer(opcode, value, ptr) : 0;
}

intptr_t HostedPlugin::Answer(int32_t opcode, intptr_t, void* ptr) {
    switch (opcode) {
    case audioMasterVersion: return 2400;
    case audioMasterGetTime: return reinterpret_cast<intptr_t>(&time_);
    case audioMasterGetSampleRate: return static_cast<intptr_t>(sampleRate_);
    case audioMasterGetBlockSize: return blockSize_;
    case audioMasterGetProductString: std::strcpy(static_cast<char*>(ptr), "tonvo-host"); return 1;
    case audioMasterGetVendorString: std::strcpy(static_cast<char*>(ptr), "Brelwick"); return 1;
    case audioMasterProcessEvents: {
        const auto* block = static_cast<const VstEvents*>(ptr);
        for (int32_t i = 0; block != nullptr && i < block->numEvents; ++i) {
            const VstEvent* event = block->events[i];
            if (event == nullptr || event->type != kVstMidiType) {
                continue;
            }
            const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
            const auto status = static_cast<uint8_t>(midi->midiData[0]);
            const auto velocity = static_cast<uint8_t>(midi->midiData[2]);
            if ((status & 0xF0) == 0x90 && velocity > 0) {
                noteOns_.fetch_add(1, std::memory_order_relaxed);
            } else if ((status & 0xF0) == 0x80 || (status & 0xF0) == 0x90) {
                noteOffs_.fetch_add(1, std::memory_order_relaxed);
            }
            if (sentEvents_ == SentEvents::CountNotes) {
                continue;
            }
            const int32_t delta = std::max(midi->deltaFrames, 0);
            SentEvent sent;
            sent.Sample = blockStart_ + static_cast<uint64_t>(delta);
            const size_t length = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 2 : 3;
            for (size_t b = 0; b < length; ++b) {
                sent.Bytes.push_back(static_cast<uint8_t>(midi->midiData[b]));
            }
            sent_.push_back(std::move(sent));
        }
        return 1;
    }
    default: return 0;
    }
}

} // namespace tonvo::tools
