#include "support/random_session.h"

#include <gtest/gtest.h>
#include <string>

namespace tonvo {
namespace {

// Follows the delivered stream as a receiver would: which notes sound on which channel.
class Receiver {
public:
    // Empty when the event keeps the rule "on and off strictly alternate, on first".
    std::string Take(const test::Delivered& event) {
        const int channel = event.Status & 0x0F;
        const int type = event.Status & 0xF0;
        bool& on = sounding_[channel][event.Data1 & 0x7F];
        if (type == 0x90) {
            if (on) {
                return Describe("second note-on", event);
            }
            on = true;
        } else if (type == 0x80) {
            if (!on) {
                return Describe("note-off of a silent note", event);
            }
            on = false;
        } else if (type == 0xB0 && (event.Data1 == 120 || event.Data1 == 123)) {
            for (bool& note : sounding_[channel]) {
                note = false;
            }
        }
        return {};
    }
    int Sounding() const {
        int count = 0;
        for (const auto& channel : sounding_) {
            for (bool note : channel) {
                count += note ? 1 : 0;
            }
        }
        return count;
    }

private:
    static std::string Describe(const char* what, const test::Delivered& event) {
        return std::string(what) + " on channel " + std::to_string(event.Status & 0x0F) +
               ", note " + std::to_string(event.Data1);
    }
    bool sounding_[16][128] = {};
};

// Runs a session, checking every delivered event, then lets go of every key. Answers how many
// deliveries filled the whole queue.
size_t check_session(uint32_t seed, int blocks, int maxEvents) {
    test::PluginHarness harness;
    test::RandomSession session(harness, seed, false, maxEvents);
    Receiver receiver;
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
