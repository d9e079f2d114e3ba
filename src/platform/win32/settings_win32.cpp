// Settings on Windows: a key under HKEY_CURRENT_USER; sections are its subkeys and values are
// REG_SZ strings holding decimal text.
#include "platform/settings_store.h"
#include "platform/settings_text.h"
#include "platform/win32/windows_text.h"

#include <stdexcept>
#include <vector>

namespace tonvo {
namespace platform {
namespace {

using win32::narrow;
using win32::widen;

class RegistryKey {
public:
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey() {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
    }
    HKEY* Out() noexcept { return &key_; }
    HKEY Get() const noexcept { return key_; }

private:
    HKEY key_ = nullptr;
};

// A NUL inside a name would make the registry see a shorter name than the one given.
bool has_nul(const std::string& text) {
    return text.find('\0') != std::string::npos;
}

[[noreturn]] void InvalidType(const std::string& name) {
    throw std::runtime_error("Invalid data type for '" + name + "'");
}

[[noreturn]] void FailedToSet(const std::string& name) {
    throw std::runtime_error("Failed to set data for '" + name + "'");
}

class RegistryStore final : public SettingsStore {
public:
    explicit RegistryStore(std::unique_ptr<RegistryKey> key) : key_(std::move(key)) {}

    int32_t ReadInteger(const std::string& section, const std::string& name,
                        int32_t fallback) override {
        if (has_nul(section) || has_nul(name)) {
            return fallback;
        }
        RegistryKey sectionKey;
        if (RegOpenKeyExW(key_->Get(), widen(section).c_str(), 0, KEY_QUERY_VALUE,
                          sectionKey.Out()) != ERROR_SUCCESS) {
            return fallback;
        }
        const std::wstring valueName = widen(name);
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExW(sectionKey.Get(), valueName.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS) {
            return fallback;
        }
        if (type != REG_SZ) {
            InvalidType(name);
        }
        // The value can change between the calls; a few rounds settle it.
        std::vector<wchar_t> buffer;
        for (int attempt = 0; attempt < 4; ++attempt) {
            buffer.assign(size / sizeof(wchar_t) + 1, L'\0');
            DWORD bytes = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
            const LSTATUS status =
                RegQueryValueExW(sectionKey.Get(), valueName.c_str(), nullptr, &type,
                                 reinterpret_cast<BYTE*>(buffer.data()), &bytes);
            if (status == ERROR_MORE_DATA) {
                size = bytes;
                continue;
            }
            if (status != ERROR_SUCCESS) {
                return fallback;
            }
            if (type != REG_SZ) {
                InvalidType(name);
            }
            // Stored text need not end with its terminating zero; it ends at the first one.
            std::wstring_view text(buffer.data(), bytes / sizeof(wchar_t));
            text = text.substr(0, text.find(L'\0'));
            return parse_decimal_int32(narrow(text)).value_or(fallback);
        }
        return fallback;
    }

    void WriteInteger(const std::string& section, const std::string& name, int32_t value) override {
        if (has_nul(section) || has_nul(name)) {
            FailedToSet(name);
        }
        RegistryKey sectionKey;
        if (RegCreateKeyExW(key_->Get(), widen(section).c_str(), 0, nullptr,
                            REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, sectionKey.Out(),
                            nullptr) != ERROR_SUCCESS) {
            FailedToSet(name);
        }
        const std::wstring text = std::to_wstring(value);
        const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
        if (RegSetValueExW(sectionKey.Get(), widen(name).c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(text.c_str()), bytes) != ERROR_SUCCESS) {
            FailedToSet(name);
        }
    }

private:
    std::unique_ptr<RegistryKey> key_;
};

} // namespace

std::unique_ptr<SettingsStore> open_settings_store(const std::string& keyPath) {
    if (keyPath.empty() || has_nul(keyPath)) {
        throw std::runtime_error("Cannot open settings key '" + keyPath +
                                 "': not a valid key name");
    }
    auto key = std::make_unique<RegistryKey>();
    const LSTATUS status =
        RegCreateKeyExW(HKEY_CURRENT_USER, widen(keyPath).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key->Out(), nullptr);
    if (status != ERROR_SUCCESS) {
        throw std::runtime_error("Cannot open settings key '" + keyPath +
                                 "': " + win32::system_message(static_cast<DWORD>(status)));
    }
    return std::make_unique<RegistryStore>(std::move(key));
}

} // namespace platform
} // namespace tonvo
