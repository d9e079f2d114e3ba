// tonvo-host: a small VST 2.4 host for the command line.
#include "tonvo_host/host_tool.h"

#include <iostream>

int main(int argc, char** argv) {
    try {
        return tonvo::tools::run_host_tool({argv + 1, argv + argc}, std::cout, std::cerr);
    } catch (...) {
        std::cerr << "tonvo-host: unexpected failure\n";
        return 1;
    }
}
