#include "platform/own_module.h"

#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace tonvo::platform {
namespace {

// Linked into this test program, the code's own module is the program itself.
TEST(OwnModule, IsTheFileThatHoldsTheCode) {
    const std::filesystem::path own = own_module_path();
    ASSERT_FALSE(own.empty());
    EXPECT_TRUE(std::filesystem::is_regular_file(own));
#if defined(_WIN32)
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    EXPECT_TRUE(std::filesystem::equivalent(own, program));
#else
    EXPECT_TRUE(std::filesystem::equivalent(own, "/proc/self/exe"));
#endif
}

} // namespace
} // namespace tonvo::platform
