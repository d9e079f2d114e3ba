// Tonvo.lv2's run call allocates nothing, whatever a block carries: notes in and out, control
// changes, a full output, stops and jumps, and state restored between blocks. This program
// replaces the global allocation functions (support/counting_new.cpp) and exports them, so the
// plug-in's library, loaded by lilv, allocates through them too.
#include "lv2/lilv_host.h"
#include "support/allocation_count.h"
#include "support/default_state.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>
#include <random>

namespace tonvo::test {
namespace {

TEST(Lv2NoAllocation, RunAllocatesNothing) {
    TempHome home;
    Lv2World world;
    const long before_instance = allocation_count();
    Lv2Instance tonvo(world, "urn:brelwick:tonvo");
    ASSERT_TRUE(tonvo.made());
    ASSERT_GT(allocation_count(), before_instance) << "the count does not see the plug-in's own";

    std::mt19937 rng(7);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(rng);
    };
    for (int block = 0; block < 3000; ++block) {
        const int events = block % 100 == 99 ? 600 : pick(0, 24); // now and then a full output
        for (int i = 0; i < events; ++i) {
            const int frame = i * 256 / (events + 1);
            switch (pick(0, 5)) {
            case 0: tonvo.midi(frame, {0xB0, static_cast<uint8_t>(pick(0, 127)), 64}); break;
            case 1: tonvo.note_off(frame, pick(0, 3), pick(36, 96)); break;
            default: tonvo.note_on(frame, pick(0, 3), pick(36, 96), pick(0, 127)); break;
            }
        }
        if (pick(0, 30) == 0) {
            tonvo.position(pick(0, 255), pick(0, 1) == 0 ? 0.0f : 1.0f, pick(0, 100000));
        }
        if (pick(0, 200) == 0) {
            ASSERT_EQ(tonvo.restore_block(kDefaultBlock), LV2_STATE_SUCCESS);
        }
        const long before = thread_allocation_count();
        tonvo.run_only();
        ASSERT_EQ(thread_allocation_count(), before) << "block " << block;
    }
}

} // namespace
} // namespace tonvo::test
