#include "core/output_queue.h"
#include "formats/vst2/module_with_midi.h"

#include <array>
#include <gtest/gtest.h>

namespace tonvo {
namespace {

using core::MidiRecord;
using core::OutputQueue;

uint8_t byte(const VstMidiEvent& record, int i) {
    return static_cast<uint8_t>(record.midiData[i]);
}

TEST(OutputQueue, RecordsStartAsQueuedEventsAndTheBlockPointsAtThem) {
    OutputBlock output;
    VstEvents* block = output.block();
    EXPECT_EQ(block->numEvents, 0);
    EXPECT_EQ(block->reserved, 0);
    for (int32_t i = 0; i < OutputBlock::kCapacity; ++i) {
        const VstMidiEvent& record = output.event(i);
        ASSERT_EQ(reinterpret_cast<const VstMidiEvent*>(block->events[i]), &record);
        EXPECT_EQ(record.type, kVstMidiType);
        EXPECT_EQ(record.byteSize, 24);
        EXPECT_EQ(record.flags | record.noteLength | record.noteOffset | record.detune |
                      record.noteOffVelocity | record.reserved1 | record.reserved2 |
                      record.midiData[3],
                  0);
    }
}

// Each operation writes its message; the VST block carries the same messages and offsets and
// keeps its records' other fields.
TEST(OutputQueue, EachOperationWritesItsMessage) {
    OutputQueue queue;
    queue.note_on(1, 60, 100, 3);
    queue.note_off(15, 61, 64, 4);
    queue.control_change(0, 7, 127, 5);
    queue.poly_pressure(3, 62, 20, 6);
    queue.channel_pressure(2, 64, 10);
    queue.pitch_bend(4, 0x11, 0x40, 11);
    ASSERT_EQ(queue.count(), 6);
    using Message = std::array<int, 4>; // status, data 1, data 2, frame
    const Message expected[6] = {{0x91, 60, 100, 3}, {0x8F, 61, 64, 4}, {0xB0, 7, 127, 5},
                                 {0xA3, 62, 20, 6},  {0xD2, 64, 0, 10}, {0xE4, 0x11, 0x40, 11}};
    OutputBlock output;
    VstEvents* block = output.fill(queue.records());
    ASSERT_EQ(block->numEvents, 6);
    for (int32_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        const MidiRecord& neutral = queue.record(i);
        EXPECT_EQ((Message{neutral.status, neutral.data1, neutral.data2, neutral.frame}),
                  expected[i]);
        const VstMidiEvent& record = *reinterpret_cast<const VstMidiEvent*>(block->events[i]);
        EXPECT_EQ((Message{byte(record, 0), byte(record, 1), byte(record, 2), record.deltaFrames}),
                  expected[i]);
        EXPECT_EQ(record.byteSize, 24);
        EXPECT_EQ(record.type, kVstMidiType);
    }
    queue.clear();
    EXPECT_EQ(output.fill(queue.records())->numEvents, 0);
}

TEST(OutputQueue, OverflowKeepsTheFirst1023AndOverwritesTheSpareRecord) {
    OutputQueue queue;
    for (int32_t i = 0; i < 1500; ++i) {
        queue.note_on(0, static_cast<uint8_t>(i % 128), 1, i);
    }
    EXPECT_EQ(queue.count(), 1023);
    EXPECT_EQ(queue.records().size(), 1023u);
    EXPECT_EQ(queue.record(1022).frame, 1022);
    EXPECT_EQ(queue.record(1023).frame, 1499); // the spare record took every later event
    OutputBlock output;
    EXPECT_EQ(output.fill(queue.records())->numEvents, 1023);
    queue.clear();
    EXPECT_EQ(queue.count(), 0);
    queue.note_off(0, 1, 2, 3);
    EXPECT_EQ(queue.count(), 1);
    EXPECT_EQ(queue.record(0).frame, 3);
}

TEST(OutputQueue, ReservedRecordsAreLeftOutOfTheRoomButStillTakeEvents) {
    OutputQueue queue;
    queue.set_reserved(3);
    EXPECT_EQ(queue.room(), 1020);
    for (int32_t i = 0; i < 1020; ++i) {
        queue.control_change(0, 1, 0, i);
    }
    EXPECT_EQ(queue.room(), 0);
    for (int32_t i = 0; i < 3; ++i) {
        queue.note_off(0, static_cast<uint8_t>(i), 64, 2000 + i);
    }
    EXPECT_EQ(queue.count(), 1023);
    EXPECT_EQ(queue.record(1022).frame, 2002);
    queue.set_reserved(0);
    queue.clear();
    EXPECT_EQ(queue.room(), 1023);
}

} // namespace
} // namespace tonvo
