// The body of the state block: the "TPF0" tagged value stream inside the "mmst" container.
// Three lists in order: the header (version, preset name, two empty strings kept for the
// layout), the plug-in section, which the module writes and reads itself, and the MIDI CC
// assignments, a section that blocks of older versions do not have.
//
// Any thread that owns the stream; nothing here touches the module. Reading fills a fresh
// value, so a block that fails part way changes nothing the caller holds.
#pragma once

#include "engine/state_block.h"

#include <functional>
#include <string>

namespace tonvo {

// The most MIDI CC assignments a state block may list. A plug-in has a few parameters a
// controller can drive, and only an assignment named after one does anything, so real blocks
// list a handful; the limit keeps a damaged or hostile block (a large project chunk, an init
// preset read at every instance creation) from costing time and memory. A block that lists
// more is refused whole, as "Invalid stream format".
inline constexpr size_t kMaxCCAssignments = 1024;

// Empties the body first. The section writer writes the plug-in section's items between the
// section's list marks.
void write_state_body(MemoryStream& body, const PluginState& state,
                      const std::function<void(ValueWriter&)>& writeSection);

// Reads a whole body from the stream's position; fails with the stream's message. The section
// reader reads the plug-in section's items into the state, whose Version is already read.
PluginState read_state_body(MemoryStream& body,
                            const std::function<void(ValueReader&, PluginState&)>& readSection);

} // namespace tonvo
