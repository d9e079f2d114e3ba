// A section-and-name view of one settings key holding integers as decimal text. On Windows the
// key lives in the current user's registry hive; elsewhere in an INI-style text file per key.
//
// Thread contract: one thread at a time; each store is opened, used and closed per operation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tonvo {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The fallback when the section or value is missing or its text is not a number; fails
    // with "Invalid data type for '<name>'" for a value that is not text.
    virtual int32_t ReadInteger(const std::string& section, const std::string& name,
                                int32_t fallback) = 0;
    // Fails with "Failed to set data for '<name>'" when the write is refused; the previous
    // contents then stay intact.
    virtual void WriteInteger(const std::string& section, const std::string& name,
                              int32_t value) = 0;
};

namespace platform {

// Opens the store on a key path such as "Software\Brelwick\Tonvo", creating the key when it
// is missing. Fails with a message naming the key when it cannot be opened or created.
std::unique_ptr<SettingsStore> open_settings_store(const std::string& keyPath);

} // namespace platform
} // namespace tonvo
