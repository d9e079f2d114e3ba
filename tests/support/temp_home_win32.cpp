#include "platform/files.h"
#include "support/temp_home.h"

#include <windows.h>

namespace tonvo::test {

TempHome::TempHome() {
    documents_ = platform::documents_folder();
    Clean();
}

TempHome::~TempHome() {
    Clean();
}

void TempHome::Clean() {
    std::error_code ignored;
    if (!documents_.empty()) {
        std::filesystem::remove_all(documents_ / "Brelwick", ignored);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Brelwick");
}

} // namespace tonvo::test
