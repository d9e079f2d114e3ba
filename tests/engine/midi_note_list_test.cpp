#include "engine/midi_note_list.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace tonvo {
namespace {

std::vector<TMidiNoteItem> entries(const TMidiNoteList& list) {
    return {list.begin(), list.end()};
}

// The list must agree with a plain vector in order, lookup and output-note counts after every
// kind of change, with few keys held and with every slot taken.
class HeldNoteList : public testing::Test {
protected:
    // The model's entry of a held key, or its end.
    std::vector<TMidiNoteItem>::iterator Held(int channel, int input) {
        return std::find_if(model_.begin(), model_.end(), [&](const auto& item) {
            return item.Channel == channel && item.InputNote == input;
        });
    }
    void Add(int channel, int input, int output, int velocity) {
        const bool fresh = Held(channel, input) == model_.end();
        ASSERT_EQ(list_.AddHeldNote(channel, input, output, velocity), fresh);
        if (fresh) {
            model_.push_back(
                TMidiNoteItem{static_cast<uint8_t>(channel), static_cast<uint8_t>(input),
                              static_cast<uint8_t>(output), static_cast<uint8_t>(velocity)});
        }
    }
    void Delete(int channel, int input) {
        const auto found = Held(channel, input);
        ASSERT_EQ(list_.Delete(channel, input), found != model_.end());
        if (found != model_.end()) {
            model_.erase(found);
        }
    }
    void DeleteChannel(int channel) {
        list_.DeleteChannel(channel);
        std::erase_if(model_, [&](const auto& item) { return item.Channel == channel; });
    }
    void Clear() {
        list_.Clear();
        model_.clear();
    }
    void ExpectAgree(int channel, int note) {
        ASSERT_EQ(list_.Count(), static_cast<int32_t>(model_.size()));
        ASSERT_EQ(entries(list_), model_);
        const auto sounding = std::count_if(model_.begin(), model_.end(), [&](const auto& item) {
            return item.Channel == channel && item.OutputNote == note;
        });
        ASSERT_EQ(list_.SoundingCount(channel, note), sounding);
        bool pairs[16][128] = {};
        int32_t distinct = 0;
        int32_t onChannel = 0;
        for (const TMidiNoteItem& entry : model_) {
            bool& seen = pairs[entry.Channel][entry.OutputNote];
            distinct += seen ? 0 : 1;
            onChannel += !seen && entry.Channel == channel ? 1 : 0;
            seen = true;
        }
        ASSERT_EQ(list_.SoundingNotes(), distinct);
        ASSERT_EQ(list_.SoundingNotesOn(channel), onChannel);
        const TMidiNoteItem* item = list_.FindInputNote(channel, note);
        const auto found = Held(channel, note);
        ASSERT_EQ(item != nullptr, found != model_.end());
        if (item != nullptr) {
            ASSERT_EQ(*item, *found);
        }
    }

    TMidiNoteList list_;
    std::vector<TMidiNoteItem> model_;
};

TEST_F(HeldNoteList, AgreesWithAPlainListThroughRandomChanges) {
    std::mt19937 rng(13);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(rng);
    };
    for (int round = 0; round < 20000; ++round) {
        // Few channels and keys keep collisions and shared output notes frequent.
        const int channel = pick(0, 2);
        const int note = pick(58, 66);
        switch (pick(0, 40)) {
        case 0: DeleteChannel(channel); break;
        case 1: Clear(); break;
        default:
            if (pick(0, 1) == 0) {
                Add(channel, note, pick(60, 63), pick(1, 127));
            } else {
                Delete(channel, note);
            }
            break;
        }
        ExpectAgree(channel, pick(58, 66));
        if (HasFatalFailure()) {
            FAIL() << "after round " << round;
        }
    }
}

TEST_F(HeldNoteList, EverySlotTakenThenEmptiedInAnotherOrder) {
    for (int note = 0; note < TMidiNoteList::kNotes; ++note) {
        for (int channel = 0; channel < TMidiNoteList::kChannels; ++channel) {
            Add(channel, note, 127 - note, 1 + note % 127);
        }
    }
    ExpectAgree(15, 0);
    Add(3, 60, 60, 100); // already held: refused
    EXPECT_FALSE(list_.AddHeldNote(16, 0, 0, 1));
    EXPECT_FALSE(list_.AddHeldNote(0, 0, 128, 1));
    EXPECT_FALSE(list_.Delete(-1, 0));
    DeleteChannel(7);
    ExpectAgree(7, 10);
    for (int note = TMidiNoteList::kNotes - 1; note >= 0; note -= 3) {
        for (int channel = 0; channel < TMidiNoteList::kChannels; ++channel) {
            Delete(channel, note);
        }
    }
    ExpectAgree(0, 127);
    Add(7, 5, 5, 5); // freed slots are reusable, and join as the newest
    ExpectAgree(7, 5);
    Clear();
    ExpectAgree(0, 0);
    Add(0, 0, 0, 1);
    ExpectAgree(0, 0);
}

} // namespace
} // namespace tonvo
