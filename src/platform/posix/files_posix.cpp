// The file system outside Windows: POSIX calls for reads and replacing writes, std::filesystem
// for folders, xdg-open for documents and folders.
#include "base/file_names.h"
#include "platform/files.h"
#include "platform/posix/xdg_folders.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <signal.h>
#include <spawn.h>
#include <stdexcept>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

extern char** environ;

namespace tonvo::platform {
namespace {

namespace fs = std::filesystem;
using posix::environment_text;

[[noreturn]] void Fail(std::string_view action, const fs::path& path, int error) {
    throw std::runtime_error(std::string(action) + " '" + path.native() +
                             "': " + std::generic_category().message(error));
}

[[noreturn]] void Fail(std::string_view action, const fs::path& path, const std::error_code& ec) {
    throw std::runtime_error(std::string(action) + " '" + path.native() + "': " + ec.message());
}

// Closes a descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd) noexcept : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int Get() const noexcept { return fd_; }
    // Closes now and reports the result: a write can first fail at close.
    int Close() noexcept {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

// Trailing separators go, except the one that is the whole root.
fs::path without_trailing_separator(std::string text) {
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    return text;
}

// The XDG_DOCUMENTS_DIR line of user-dirs.dirs, read the way xdg-user-dirs writes it:
// XDG_DOCUMENTS_DIR="$HOME/Documents" or an absolute path in double quotes, a backslash taking
// the next character literally. Relative paths are ignored; the last valid line counts.
std::optional<fs::path> documents_from_user_dirs(const fs::path& file, const std::string& home) {
    std::vector<uint8_t> bytes;
    try {
        bytes = read_file_bytes(file);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    const std::string text(bytes.begin(), bytes.end());
    std::optional<fs::path> found;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string_view line(text.data() + start, end - start);
        start = end + 1;

        const auto skipBlanks = [&line] {
            while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
                line.remove_prefix(1);
            }
        };
        skipBlanks();
        constexpr std::string_view kName = "XDG_DOCUMENTS_DIR";
        if (!line.starts_with(kName)) {
            continue;
        }
        line.remove_prefix(kName.size());
        skipBlanks();
        if (!line.starts_with('=')) {
            continue;
        }
        line.remove_prefix(1);
        skipBlanks();
        if (!line.starts_with('"')) {
            continue;
        }
        line.remove_prefix(1);

        std::string value;
        if (line.starts_with("$HOME") && (line.size() == 5 || line[5] == '/' || line[5] == '"')) {
            if (home.empty()) {
                continue;
            }
            value = home;
            line.remove_prefix(5);
        } else if (!line.starts_with('/')) {
            continue;
        }
        for (size_t i = 0; i < line.size() && line[i] != '"'; ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                ++i;
            }
            value.push_back(line[i]);
        }
        if (value.empty() || value.find('\0') != std::string::npos) {
            continue;
        }
        found = without_trailing_separator(std::move(value));
    }
    return found;
}

// A name no other writer uses at the same moment, hidden so folder listings skip it.
std::string temporary_name() {
    static std::atomic<unsigned> counter{0};
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return ".tonvo-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
           std::to_string(ticks) + ".tmp";
}

void write_all(int fd, const std::vector<uint8_t>& bytes, const fs::path& path) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            Fail("Cannot write", path, errno);
        }
        done += static_cast<size_t>(written);
    }
}

// Children started by launch. Nothing waits for them (the host's thread must not block), so
// each call collects those that have finished; until then a finished one stays a zombie. A
// child the host reaped itself answers ECHILD and is dropped too.
std::mutex childrenLock;
std::vector<pid_t> children;

void reap_finished_children() {
    std::erase_if(children, [](pid_t pid) {
        int status = 0;
        pid_t result = 0;
        do {
            result = ::waitpid(pid, &status, WNOHANG);
        } while (result < 0 && errno == EINTR);
        return result != 0;
    });
}

// Starts the opener ("xdg-open", or the program named by TONVO_OPEN_COMMAND, which the tests
// use to record what would be opened) with the target as its one argument; no shell sees it.
bool launch(const fs::path& target) {
    std::string argument = target.native();
    if (argument.empty() || argument.find('\0') != std::string::npos) {
        return false;
    }
    if (argument.front() == '-') {
        argument.insert(0, "./"); // a relative name, never an option
    }
    std::string program = environment_text("TONVO_OPEN_COMMAND");
    if (program.empty()) {
        program = "xdg-open";
    }

    const std::lock_guard lock(childrenLock);
    reap_finished_children();

    // The child gets none of the host's descriptors but the standard three, a clear signal
    // mask, default signal handling and its own process group, so the host's state does not
    // leak into the viewer it starts.
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        return false;
    }
    posix_spawnattr_t attributes;
    if (posix_spawnattr_init(&attributes) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return false;
    }
    sigset_t noSignals;
    sigset_t allSignals;
    sigemptyset(&noSignals);
    sigfillset(&allSignals);
    const bool prepared =
        posix_spawn_file_actions_addclosefrom_np(&actions, 3) == 0 &&
        posix_spawnattr_setsigmask(&attributes, &noSignals) == 0 &&
        posix_spawnattr_setsigdefault(&attributes, &allSignals) == 0 &&
        posix_spawnattr_setpgroup(&attributes, 0) == 0 &&
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                                  POSIX_SPAWN_SETPGROUP) == 0;

    pid_t pid = 0;
    char* arguments[] = {program.data(), argument.data(), nullptr};
    const int result =
        prepared ? posix_spawnp(&pid, program.c_str(), &actions, &attributes, arguments, environ)
                 : -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        return false;
    }
    children.push_back(pid);
    return true;
}

} // namespace

fs::path documents_folder() {
    const std::string configured = environment_text("XDG_DOCUMENTS_DIR");
    if (!configured.empty()) {
        return without_trailing_separator(configured);
    }
    const std::string home = environment_text("HOME");
    const fs::path configHome = posix::config_home_folder();
    if (!configHome.empty()) {
        if (auto fromUserDirs = documents_from_user_dirs(configHome / "user-dirs.dirs", home)) {
            return *fromUserDirs;
        }
    }
    if (home.empty()) {
        return {};
    }
    return without_trailing_separator((fs::path(home) / "Documents").native());
}

bool SafeFileExists(const std::string& path) {
    const std::string cleaned = base::strip_quotes_and_trim(path);
    // A NUL inside would make the system test a shorter name than the one given.
    if (cleaned.empty() || cleaned.find('\0') != std::string::npos) {
        return false;
    }
    std::error_code ec;
    const fs::file_status status = fs::status(cleaned, ec);
    return !ec && fs::exists(status) && !fs::is_directory(status);
}

bool SafeFileExists(const fs::path& path) {
    return SafeFileExists(path.native());
}

void create_folders(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        Fail("Cannot create folder", folder, ec);
    }
}

std::vector<uint8_t> read_file_bytes(const fs::path& path, size_t maxBytes) {
    // Non-blocking, so a named pipe in the file's place cannot hang the caller.
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.Get() < 0) {
        Fail("Cannot read", path, errno);
    }
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) {
        Fail("Cannot read", path, errno);
    }
    if (S_ISDIR(info.st_mode)) {
        Fail("Cannot read", path, EISDIR);
    }
    if (!S_ISREG(info.st_mode)) {
        Fail("Cannot read", path, EINVAL);
    }
    if (static_cast<uintmax_t>(info.st_size) > maxBytes) {
        Fail("Cannot read", path, EFBIG);
    }
    // Sized for the file as it is now; a file still growing gets more room as it comes, never
    // more than one byte past the limit, which is enough to see that it is too large.
    std::vector<uint8_t> bytes(static_cast<size_t>(info.st_size) + 1);
    size_t used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (used > maxBytes) {
                Fail("Cannot read", path, EFBIG);
            }
            bytes.resize(used + std::min(used, maxBytes - used) + 1);
        }
        const ssize_t got = ::read(file.Get(), bytes.data() + used, bytes.size() - used);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            Fail("Cannot read", path, errno);
        }
        if (got == 0) {
            break;
        }
        used += static_cast<size_t>(got);
    }
    bytes.resize(used);
    return bytes;
}

void write_file_replacing(const fs::path& target, const std::vector<uint8_t>& bytes) {
    // Through a symbolic link the file it names is replaced, so the link stays a link.
    fs::path path = target;
    std::error_code linkError;
    if (fs::is_symlink(fs::symlink_status(target, linkError))) {
        fs::path resolved = fs::canonical(target, linkError);
        if (!linkError) {
            path = std::move(resolved);
        }
    }
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");

    // Created exclusively, with the usual permissions (the umask applies), or the target's.
    fs::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = folder / temporary_name();
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            Fail("Cannot write", path, errno);
        }
    }
    if (fd < 0) {
        Fail("Cannot write", path, EEXIST);
    }
    Descriptor file(fd);
    try {
        struct stat previous {};
        if (::stat(path.c_str(), &previous) == 0 && S_ISREG(previous.st_mode)) {
            ::fchmod(file.Get(), previous.st_mode & 07777);
        }
        write_all(file.Get(), bytes, path);
        while (::fsync(file.Get()) != 0) {
            if (errno != EINTR) {
                Fail("Cannot write", path, errno);
            }
        }
        if (file.Close() != 0) {
            Fail("Cannot write", path, errno);
        }
        if (::rename(temporary.c_str(), path.c_str()) != 0) {
            Fail("Cannot write", path, errno);
        }
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    // The new name on disk too; the data is already safe, so a failure here changes nothing.
    Descriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.Get() >= 0) {
        ::fsync(directory.Get());
    }
}

std::vector<fs::path> list_files(const fs::path& folder, const std::string& extension) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory) {
        return {}; // no such folder: nothing in it
    }
    if (ec) {
        Fail("Cannot list folder", folder, ec);
    }
    std::vector<std::pair<std::string, fs::path>> found;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().native();
        if (name.starts_with('.') || !base::has_extension_no_case(name, extension)) {
            continue;
        }
        // Follows links: a link to a file counts, a link to a folder or nowhere does not.
        std::error_code typeError;
        if (it->is_regular_file(typeError)) {
            found.emplace_back(name, it->path());
        }
    }
    if (ec) {
        Fail("Cannot list folder", folder, ec);
    }
    return base::SortByNameNoCase(std::move(found));
}

void remove_file(const fs::path& path) {
    if (::unlink(path.c_str()) != 0) {
        Fail("Cannot delete", path, errno);
    }
}

void respell_file(const fs::path& from, const fs::path& to) {
    const fs::path folder = from.has_parent_path() ? from.parent_path() : fs::path(".");
    const fs::path temporary = folder / temporary_name();
    if (::rename(from.c_str(), temporary.c_str()) != 0) {
        Fail("Cannot rename", from, errno);
    }
    if (::rename(temporary.c_str(), to.c_str()) != 0) {
        const int error = errno;
        if (::rename(temporary.c_str(), from.c_str()) != 0) {
            Fail("Cannot rename (the file is now " + temporary.native() + ")", from, error);
        }
        Fail("Cannot rename", from, error);
    }
}

bool ShellOpen(const fs::path& path) {
    return launch(path);
}

bool show_folder(const fs::path& folder) {
    return launch(folder);
}

} // namespace tonvo::platform
