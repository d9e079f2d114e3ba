// Test helpers outside Windows: environment variables changed for one test and put back, and
// a file-size limit that makes writes fail even for root.
#pragma once

#include <csignal>
#include <cstdlib>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <utility>
#include <vector>

namespace tonvo::test {

class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second) {
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            } else {
                ::unsetenv(it->first.c_str());
            }
        }
    }
    void Set(const std::string& name, const std::string& value) {
        Save(name);
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    void Unset(const std::string& name) {
        Save(name);
        ::unsetenv(name.c_str());
    }

private:
    void Save(const std::string& name) {
        const char* value = std::getenv(name.c_str());
        saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// Writes past the limit fail with EFBIG instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

} // namespace tonvo::test
