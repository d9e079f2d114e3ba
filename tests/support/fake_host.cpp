#include "support/fake_host.h"

#include <cstdio>
#include <stdexcept>

namespace tonvo::test {

namespace {
FakeHost* current = nullptr; // tests drive one host at a time
}

FakeHost::FakeHost() {
    if (current != nullptr) {
        throw std::logic_error("one fake host at a time");
    }
    current = this;
    events_.reserve(kReserved);
    calls_.reserve(kReserved);
    deliveryEnds_.reserve(kReserved);
    SetTransport(false, 0.0);
}

FakeHost::~FakeHost() {
    current = nullptr;
}

void FakeHost::SetTransport(bool playing, double samplePosition) {
    VstTimeInfo info{};
    info.samplePos = samplePosition;
    info.sampleRate = 44100.0;
    info.flags = playing ? kVstTransportPlaying : 0;
    time_ = info;
}

intptr_t VSTCALLBACK FakeHost::Callback(AEffect*, int32_t opcode, int32_t index, intptr_t value,
                                        void* ptr, float opt) {
    return current != nullptr ? current->Answer(opcode, index, value, ptr, opt) : 0;
}

size_t FakeHost::CountCalls(int32_t opcode) const {
    size_t count = 0;
    for (const HostCall& call : calls_) {
        count += call.Opcode == opcode ? 1 : 0;
    }
    return count;
}

intptr_t FakeHost::Answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    if (opcode != audioMasterGetTime && opcode != audioMasterProcessEvents) {
        calls_.push_back({opcode, index, value, opt});
    }
    switch (opcode) {
    case audioMasterVersion: return VersionAnswer;
    case audioMasterGetProductString:
        if (Product.empty()) {
            return 0;
        }
        std::snprintf(static_cast<char*>(ptr), 256, "%s", Product.c_str());
        return 1;
    case audioMasterGetTime:
        ++timeRequests_;
        lastTimeFilter_ = value;
        return time_ ? reinterpret_cast<intptr_t>(&*time_) : 0;
    case audioMasterProcessEvents: {
        const auto* block = static_cast<const VstEvents*>(ptr);
        for (int32_t i = 0; i < block->numEvents; ++i) {
            const auto* midi = reinterpret_cast<const VstMidiEvent*>(block->events[i]);
            events_.push_back(Delivered{
                static_cast<uint8_t>(midi->midiData[0]), static_cast<uint8_t>(midi->midiData[1]),
                static_cast<uint8_t>(midi->midiData[2]), midi->deltaFrames});
        }
        deliveryEnds_.push_back(events_.size());
        return 1;
    }
    default: return 0;
    }
}

std::vector<Delivered> FakeHost::Delivery(size_t call) const {
    const size_t begin = call == 0 ? 0 : deliveryEnds_.at(call - 1);
    const size_t end = deliveryEnds_.at(call);
    return {events_.begin() + static_cast<std::ptrdiff_t>(begin),
            events_.begin() + static_cast<std::ptrdiff_t>(end)};
}

void FakeHost::Forget() {
    events_.clear();
    calls_.clear();
    deliveryEnds_.clear();
    timeRequests_ = 0;
}

Delivered note_on(int channel, int note, int velocity, int32_t delta) {
    return {static_cast<uint8_t>(0x90 + channel), static_cast<uint8_t>(note),
            static_cast<uint8_t>(velocity), delta};
}

Delivered note_off(int channel, int note, int velocity, int32_t delta) {
    return {static_cast<uint8_t>(0x80 + channel), static_cast<uint8_t>(note),
            static_cast<uint8_t>(velocity), delta};
}

} // namespace tonvo::test
