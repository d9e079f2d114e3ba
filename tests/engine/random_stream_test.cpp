#include "support/random_session.h"
#include "support/receiver.h"

#include <gtest/gtest.h>
#include <string>

namespace tonvo {
namespace {

// Runs a session, checking every delivered event, then lets go of every key. Answers how many
// deliveries filled the whole queue.
size_t check_session(uint32_t seed, int blocks, int maxEvents) {
    test::PluginHarness harness;
    test::RandomSession session(harness, seed, false, maxEvents);
    test::Receiver receiver;
    size_t checked = 0;
    const auto check = [&] {
        const auto& events = harness.host.Events();
        for (; checked < events.size(); ++checked) {
            const std::string fault = receiver.Take(events[checked]);
            ASSERT_TRUE(fault.empty()) << fault << " (event " << checked << ")";
        }
    };
    for (int block = 0; block < blocks; ++block) {
        session.Step();
        check();
        if (testing::Test::HasFatalFailure()) {
            return 0;
        }
    }
    session.ReleaseAllKeys();
    check();
    EXPECT_EQ(receiver.Sounding(), 0);
    EXPECT_EQ(harness.plugin.HeldNotes().Count(), 0);
    EXPECT_EQ(harness.plugin.ReportedExceptions(), 0u) << harness.plugin.LastReportedException();
    size_t full = 0;
    for (size_t call = 0; call < harness.host.DeliveryCount(); ++call) {
        full += harness.host.Delivery(call).size() == 1023 ? 1 : 0;
    }
    return full;
}

class RandomStreams : public testing::TestWithParam<uint32_t> {};

TEST_P(RandomStreams, NotesAlternateAndNothingSticksOnceEveryKeyIsUp) {
    check_session(GetParam(), 3000, 24);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomStreams, testing::Range(1u, 13u));

// Blocks of up to 4,000 events, notes held across them: the queue overflows in most blocks,
// and still every note-on gets exactly one note-off.
class FullQueueStreams : public testing::TestWithParam<uint32_t> {};

TEST_P(FullQueueStreams, NotesAlternateAndNothingSticksOnceEveryKeyIsUp) {
    EXPECT_GT(check_session(GetParam(), 150, 4000), 50u);
}

INSTANTIATE_TEST_SUITE_P(Seeds, FullQueueStreams, testing::Range(1u, 5u));

} // namespace
} // namespace tonvo
