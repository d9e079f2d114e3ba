// What a host sees of a plug-in, printed for a person: names, identity, version, category,
// flags, channels, capabilities, parameters and programs.
#pragma once

#include "tonvo_host/hosted_plugin.h"

#include <ostream>

namespace tonvo::tools {

void print_info(HostedPlugin& plugin, std::ostream& out);

} // namespace tonvo::tools
