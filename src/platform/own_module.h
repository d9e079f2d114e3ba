// The file of the library this code is linked into (the plug-in's own DLL or shared library,
// not the host's program), found from the address of a function inside it. The editor looks
// for the user guide beside it.
#pragma once

#include <filesystem>

namespace tonvo::platform {

// Empty when the system cannot tell.
std::filesystem::path own_module_path();

} // namespace tonvo::platform
