// The file system on Windows: wide-character calls throughout, a temporary file and
// MoveFileExW for replacing writes, the shell for documents and folders.
#include "base/file_names.h"
#include "platform/files.h"
#include "platform/win32/windows_text.h"

#include <algorithm>
#include <atomic>
#include <shellapi.h>
#include <shlobj.h>
#include <stdexcept>
#include <system_error>

namespace tonvo::platform {
namespace {

namespace fs = std::filesystem;
using win32::narrow;
using win32::widen;

[[noreturn]] void Fail(std::string_view action, const fs::path& path, DWORD error) {
    throw std::runtime_error(std::string(action) + " '" + narrow(path.native()) +
                             "': " + win32::system_message(error));
}

[[noreturn]] void Fail(std::string_view action, const fs::path& path, const std::error_code& ec) {
    throw std::runtime_error(std::string(action) + " '" + narrow(path.native()) +
                             "': " + ec.message());
}

class Handle {
public:
    explicit Handle(HANDLE handle) noexcept : handle_(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
        }
    }
    HANDLE Get() const noexcept { return handle_; }
    bool Valid() const noexcept { return handle_ != INVALID_HANDLE_VALUE; }
    // Closes now and reports the result: buffered data can first fail at close.
    bool Close() noexcept {
        if (handle_ == INVALID_HANDLE_VALUE) {
            return true;
        }
        const BOOL closed = CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return closed != FALSE;
    }

private:
    HANDLE handle_;
};

bool is_separator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// Asks for the drive's volume without the "insert a disk" box a removable drive would bring.
bool drive_ready(wchar_t letter) {
    const wchar_t root[] = {letter, L':', L'\\', L'\0'};
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
    SetErrorMode(previous | SEM_FAILCRITICALERRORS);
    const BOOL ready =
        GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0);
    SetErrorMode(previous);
    return ready != FALSE;
}

std::wstring temporary_name() {
    static std::atomic<unsigned> counter{0};
    return L"~tonvo-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++) +
           L"-" + std::to_wstring(GetTickCount64()) + L".tmp";
}

// ShellExecuteW may hand the work to shell extensions that need COM on the calling thread.
// Initialised here when the thread has not done it; a thread already in another apartment
// keeps it.
class ComScope {
public:
    ComScope() noexcept
        : initialised_(SUCCEEDED(
              CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (initialised_) {
            CoUninitialize();
        }
    }

private:
    bool initialised_;
};

bool shell_executed(HINSTANCE result) {
    return reinterpret_cast<INT_PTR>(result) > 32;
}

} // namespace

fs::path documents_folder() {
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_PERSONAL, &list)) || list == nullptr) {
        return {};
    }
    wchar_t buffer[MAX_PATH] = {};
    const BOOL found = SHGetPathFromIDListW(list, buffer);
    CoTaskMemFree(list);
    if (!found) {
        return {};
    }
    std::wstring folder(buffer);
    // "C:\" keeps its separator: "C:" alone would mean the current folder on drive C.
    while (folder.size() > 1 && is_separator(folder.back()) &&
           !(folder.size() == 3 && folder[1] == L':')) {
        folder.pop_back();
    }
    return folder;
}

bool SafeFileExists(const std::string& path) {
    const std::string cleaned = base::strip_quotes_and_trim(path);
    // A NUL inside would make the system test a shorter name than the one given.
    if (cleaned.empty() || cleaned.find('\0') != std::string::npos) {
        return false;
    }
    const std::wstring wide = widen(cleaned);
    if (wide.size() >= 3 && wide[1] == L':' && is_separator(wide[2]) && !drive_ready(wide[0])) {
        return false;
    }
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool SafeFileExists(const fs::path& path) {
    return SafeFileExists(narrow(path.native()));
}

void create_folders(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        Fail("Cannot create folder", folder, ec);
    }
}

std::vector<uint8_t> read_file_bytes(const fs::path& path, size_t maxBytes) {
    Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        Fail("Cannot read", path, GetLastError());
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) {
        Fail("Cannot read", path, GetLastError());
    }
    if (size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) >= 0x7FFFFFFFull ||
        static_cast<unsigned long long>(size.QuadPart) > maxBytes) {
        Fail("Cannot read", path, ERROR_FILE_TOO_LARGE);
    }
    // Sized for the file as it is now; a file still growing gets more room as it comes, never
    // more than one byte past the limit, which is enough to see that it is too large.
    std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart) + 1);
    size_t used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (used > maxBytes) {
                Fail("Cannot read", path, ERROR_FILE_TOO_LARGE);
            }
            bytes.resize(used + (std::min)(used, maxBytes - used) + 1);
        }
        const size_t room = bytes.size() - used;
        const DWORD ask = room > 0x10000000u ? 0x10000000u : static_cast<DWORD>(room);
        DWORD got = 0;
        if (!ReadFile(file.Get(), bytes.data() + used, ask, &got, nullptr)) {
            Fail("Cannot read", path, GetLastError());
        }
        if (got == 0) {
            break;
        }
        used += got;
    }
    bytes.resize(used);
    return bytes;
}

void write_file_replacing(const fs::path& path, const std::vector<uint8_t>& bytes) {
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(L".");

    fs::path temporary;
    HANDLE created = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = folder / temporary_name();
        created = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            Fail("Cannot write", path, GetLastError());
        }
    }
    if (created == INVALID_HANDLE_VALUE) {
        Fail("Cannot write", path, ERROR_FILE_EXISTS);
    }
    Handle file(created);
    try {
        size_t done = 0;
        while (done < bytes.size()) {
            const size_t left = bytes.size() - done;
            const DWORD ask = left > 0x10000000u ? 0x10000000u : static_cast<DWORD>(left);
            DWORD written = 0;
            if (!WriteFile(file.Get(), bytes.data() + done, ask, &written, nullptr)) {
                Fail("Cannot write", path, GetLastError());
            }
            done += written;
        }
        if (!FlushFileBuffers(file.Get())) {
            Fail("Cannot write", path, GetLastError());
        }
        if (!file.Close()) {
            Fail("Cannot write", path, GetLastError());
        }
        if (!MoveFileExW(temporary.c_str(), path.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            Fail("Cannot write", path, GetLastError());
        }
    } catch (...) {
        file.Close();
        DeleteFileW(temporary.c_str());
        throw;
    }
}

std::vector<fs::path> list_files(const fs::path& folder, const std::string& extension) {
    const DWORD folderAttributes = GetFileAttributesW(folder.c_str());
    if (folderAttributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            return {}; // no such folder: nothing in it
        }
        Fail("Cannot list folder", folder, error);
    }
    if ((folderAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return {};
    }
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) {
        Fail("Cannot list folder", folder, ec);
    }
    std::vector<std::pair<std::string, fs::path>> found;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = narrow(it->path().filename().native());
        if (!base::has_extension_no_case(name, extension)) {
            continue;
        }
        const DWORD attributes = GetFileAttributesW(it->path().c_str());
        constexpr DWORD kExcluded = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN |
                                    FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DEVICE;
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & kExcluded) == 0) {
            found.emplace_back(name, it->path());
        }
    }
    if (ec) {
        Fail("Cannot list folder", folder, ec);
    }
    return base::SortByNameNoCase(std::move(found));
}

void remove_file(const fs::path& path) {
    if (!DeleteFileW(path.c_str())) {
        Fail("Cannot delete", path, GetLastError());
    }
}

// Neither step replaces anything: the temporary name is new, and once the file has left its
// old spelling nothing should hold the new one; if something does, it is not ours to replace.
void respell_file(const fs::path& from, const fs::path& to) {
    const fs::path folder = from.has_parent_path() ? from.parent_path() : fs::path(L".");
    const fs::path temporary = folder / temporary_name();
    if (!MoveFileExW(from.c_str(), temporary.c_str(), 0)) {
        Fail("Cannot rename", from, GetLastError());
    }
    if (!MoveFileExW(temporary.c_str(), to.c_str(), 0)) {
        const DWORD error = GetLastError();
        if (!MoveFileExW(temporary.c_str(), from.c_str(), 0)) {
            Fail("Cannot rename (the file is now " + narrow(temporary.native()) + ")", from, error);
        }
        Fail("Cannot rename", from, error);
    }
}

bool ShellOpen(const fs::path& path) {
    if (path.empty()) {
        return false;
    }
    const ComScope com;
    return shell_executed(
        ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
}

bool show_folder(const fs::path& folder) {
    if (folder.empty()) {
        return false;
    }
    const std::wstring parameters = L"/e,\"" + folder.native() + L"\"";
    const ComScope com;
    return shell_executed(ShellExecuteW(nullptr, L"open", L"explorer.exe", parameters.c_str(),
                                        nullptr, SW_SHOWNORMAL));
}

} // namespace tonvo::platform
