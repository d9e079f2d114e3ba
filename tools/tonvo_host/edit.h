// tonvo-host edit: a plug-in's editor in a window of the tool's own, driven as a host drives
// it, while a thread of its own keeps the plug-in processing in real time. The notes the
// plug-in sends (its previews) go nowhere but are counted; the state can be loaded before and
// saved after, and a screenshot of the window taken after a while ends the session by itself.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tonvo::tools {

// args[0] is "edit". Throws EUsage for a wrong command line and EHostError (or another
// std::exception) for failures.
int edit_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace tonvo::tools
