// The command-line host: "info" shows what a host sees of a plug-in, "render" plays a MIDI
// file through it. Errors are one line on err with a non-zero exit: 2 for a wrong command
// line, 1 for everything else.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tonvo::tools {

int RunHostTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace tonvo::tools
