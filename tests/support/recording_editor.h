// Stands in for the editor's highlighted keys: a key is added unless one of the same pitch
// class is already listed (released ones included); a note-off marks the first key with that
// exact note as released.
#pragma once

#include "engine/highlight_gate.h"

#include <vector>

namespace tonvo::test {

class RecordingEditor : public EditorHighlights {
public:
    struct Key {
        int Note;
        bool Released;
    };

    bool HighlightNoteOn(int note) override {
        ++calls;
        for (const Key& key : keys) {
            if (key.Note % 12 == note % 12) {
                return false;
            }
        }
        keys.push_back({note, false});
        return true;
    }
    bool HighlightNoteOff(int note) override {
        ++calls;
        for (Key& key : keys) {
            if (key.Note == note) {
                key.Released = true;
                return true;
            }
        }
        return false;
    }
    // What the editor's refresh does: drop released keys.
    void Refresh() {
        std::erase_if(keys, [](const Key& key) { return key.Released; });
    }
    bool Lit(int note) const {
        for (const Key& key : keys) {
            if (key.Note == note && !key.Released) {
                return true;
            }
        }
        return false;
    }

    std::vector<Key> keys;
    int calls = 0;
};

} // namespace tonvo::test
