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

class RandomStreams : public testing::TestWithParam<uint32_t> {};

TEST_P(RandomStreams, NotesAlternateAndNothingSticksOnceEveryKeyIsUp) {
    test::PluginHarness harness;
    test::RandomSession session(harness, GetParam(), false);
    Receiver receiver;
    size_t checked = 0;
    const auto check = [&] {
        const auto& events = harness.host.Events();
        for (; checked < events.size(); ++checked) {
            const std::string fault = receiver.Take(events[checked]);
            ASSERT_TRUE(fault.empty()) << fault << " (event " << checked << ")";
        }
    };
    for (int block = 0; block < 3000; ++block) {
        session.Step();
        check();
        if (testing::Test::HasFatalFailure()) {
            return;
        }
    }
    session.ReleaseAllKeys();
    check();
    EXPECT_EQ(receiver.Sounding(), 0);
    EXPECT_EQ(harness.plugin.HeldNotes().Count(), 0);
    EXPECT_EQ(harness.plugin.ReportedExceptions(), 0u) << harness.plugin.LastReportedException();
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomStreams, testing::Range(1u, 13u));

} // namespace
} // namespace tonvo
