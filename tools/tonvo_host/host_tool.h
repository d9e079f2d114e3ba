// The command-line host: "info" shows what a host sees of a plug-in, "render" plays a MIDI
// file through it, "edit" opens its editor in a window of its own. Errors are one line on err with
// a non-zero exit: 2 for a wrong command line, 1 for everything else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace tonvo::tools {

// A wrong command line: the message, then the usage text, exit code 2.
class EUsage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A whole number from 1 to `maximum` given for `option`; EUsage otherwise.
int32_t positive_number(const std::string& option, const std::string& text, int32_t maximum);

// Larger --state files are refused unread: the plug-in takes no larger chunk.
inline constexpr size_t kMaxStateFileBytes = size_t{1} << 28;
// The --state file named (UTF-8); fails with one line naming it.
std::vector<uint8_t> read_state_file(const std::string& name);

int run_host_tool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace tonvo::tools
