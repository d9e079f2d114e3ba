// A scripted VST host for tests: answers the plug-in's requests, gives the time information a
// test sets, and records every MIDI event the plug-in delivers, call by call.
//
// Storage is reserved up front, so recording does not allocate until a test has received more
// than kReserved events.
#pragma once

#include "formats/vst2/vst_abi.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tonvo::test {

struct Delivered {
    uint8_t Status = 0;
    uint8_t Data1 = 0;
    uint8_t Data2 = 0;
    int32_t DeltaFrames = 0;

    bool operator==(const Delivered&) const = default;
};

class FakeHost {
public:
    static constexpr size_t kReserved = 1 << 20;

    FakeHost();
    ~FakeHost();
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    static intptr_t VSTCALLBACK Callback(AEffect* effect, int32_t opcode, int32_t index,
                                         intptr_t value, void* ptr, float opt);

    struct HostCall {
        int32_t Opcode;
        int32_t Index;
        intptr_t Value;
        float Opt;
    };

    // What the host answers to audioMasterVersion (0 refuses the plug-in).
    intptr_t VersionAnswer = 2400;
    // The product name; none when empty (the host then answers 0).
    std::string Product = "Tonvo Test Host";
    // Every request other than time and event delivery, in order.
    const std::vector<HostCall>& Calls() const { return calls_; }
    size_t CountCalls(int32_t opcode) const;

    // No time information: the host answers 0 to audioMasterGetTime.
    void ClearTime() { time_.reset(); }
    void SetTransport(bool playing, double samplePosition);

    // Every delivered event, in delivery order.
    const std::vector<Delivered>& Events() const { return events_; }
    // The events of one audioMasterProcessEvents call.
    std::vector<Delivered> Delivery(size_t call) const;
    size_t DeliveryCount() const { return deliveryEnds_.size(); }
    size_t TimeRequests() const { return timeRequests_; }
    intptr_t LastTimeFilter() const { return lastTimeFilter_; }
    void Forget();

private:
    intptr_t Answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

    std::optional<VstTimeInfo> time_;
    std::vector<Delivered> events_;
    std::vector<size_t> deliveryEnds_;
    std::vector<HostCall> calls_;
    size_t timeRequests_ = 0;
    intptr_t lastTimeFilter_ = -1;
};

Delivered note_on(int channel, int note, int velocity, int32_t delta = 0);
Delivered note_off(int channel, int note, int velocity, int32_t delta = 0);

} // namespace tonvo::test
