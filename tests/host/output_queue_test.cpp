#include "host/midi_output_queue.h"

#include <gtest/gtest.h>

namespace tonvo {
namespace {

uint8_t Byte(const VstMidiEvent& record, int i) {
    return static_cast<uint8_t>(record.midiData[i]);
}

TEST(OutputQueue, RecordsStartAsQueuedEventsAndTheBlockPointsAtThem) {
    TMidiOutputQueue queue;
    VstEvents* block = queue.Block();
    EXPECT_EQ(block->numEvents, 0);
    EXPECT_EQ(block->reserved, 0);
    for (int32_t i = 0; i < TMidiOutputQueue::kCapacity; ++i) {
        const VstMidiEvent& record = queue.Record(i);
        ASSERT_EQ(reinterpret_cast<const VstMidiEvent*>(block->events[i]), &record);
        EXPECT_EQ(record.type, kVstMidiType);
        EXPECT_EQ(record.byteSize, 24);
        EXPECT_EQ(record.flags | record.noteLength | record.noteOffset | record.detune |
                      record.noteOffVelocity | record.reserved1 | record.reserved2 |
                      record.midiData[3],
                  0);
    }
}

TEST(OutputQueue, EachOperationWritesItsMessage) {
    TMidiOutputQueue queue;
    queue.QueueNoteOn(1, 60, 100, 3);
    queue.QueueNoteOff(15, 61, 64, 4);
    queue.QueueControlChange(0, 7, 127, 5);
    queue.QueuePolyPressure(3, 62, 20, 6);
    queue.QueueChannelPressure(2, 64, 10);
    queue.QueuePitchBend(4, 0x11, 0x40, 11);
    ASSERT_EQ(queue.Count(), 6);
    const uint8_t expected[6][3] = {{0x91, 60, 100}, {0x8F, 61, 64}, {0xB0, 7, 127},
                                    {0xA3, 62, 20},  {0xD2, 64, 0},  {0xE4, 0x11, 0x40}};
    const int32_t deltas[6] = {3, 4, 5, 6, 10, 11};
    for (int32_t i = 0; i < 6; ++i) {
        const VstMidiEvent& record = queue.Record(i);
        EXPECT_EQ(Byte(record, 0), expected[i][0]) << i;
        EXPECT_EQ(Byte(record, 1), expected[i][1]) << i;
        EXPECT_EQ(Byte(record, 2), expected[i][2]) << i;
        EXPECT_EQ(record.deltaFrames, deltas[i]) << i;
        EXPECT_EQ(record.byteSize, 24);
    }
}

TEST(OutputQueue, OverflowKeepsTheFirst1023AndOverwritesTheSpareRecord) {
    TMidiOutputQueue queue;
    for (int32_t i = 0; i < 1500; ++i) {
        queue.QueueNoteOn(0, static_cast<uint8_t>(i % 128), 1, i);
    }
    EXPECT_EQ(queue.Count(), 1023);
    EXPECT_EQ(queue.Record(1022).deltaFrames, 1022);
    EXPECT_EQ(queue.Record(1023).deltaFrames, 1499); // the spare record took every later event
    queue.Clear();
    EXPECT_EQ(queue.Count(), 0);
    queue.QueueNoteOff(0, 1, 2, 3);
    EXPECT_EQ(queue.Count(), 1);
    EXPECT_EQ(queue.Record(0).deltaFrames, 3);
}

TEST(OutputQueue, ReservedRecordsAreLeftOutOfTheRoomButStillTakeEvents) {
    TMidiOutputQueue queue;
    queue.SetReserved(3);
    EXPECT_EQ(queue.Room(), 1020);
    for (int32_t i = 0; i < 1020; ++i) {
        queue.QueueControlChange(0, 1, 0, i);
    }
    EXPECT_EQ(queue.Room(), 0);
    for (int32_t i = 0; i < 3; ++i) {
        queue.QueueNoteOff(0, static_cast<uint8_t>(i), 64, 2000 + i);
    }
    EXPECT_EQ(queue.Count(), 1023);
    EXPECT_EQ(queue.Record(1022).deltaFrames, 2002);
    queue.SetReserved(0);
    queue.Clear();
    EXPECT_EQ(queue.Room(), 1023);
}

} // namespace
} // namespace tonvo
