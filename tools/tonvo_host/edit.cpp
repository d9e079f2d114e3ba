#include "tonvo_host/edit.h"

#include "base/utf.h"
#include "platform/files.h"
#include "tonvo_host/edit_window.h"
#include "tonvo_host/host_tool.h"
#include "tonvo_host/hosted_plugin.h"
#include "ui/png.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

namespace tonvo::tools {

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kSampleRate = 44100.0;
constexpr int32_t kBlock = 512;
// Editor idle calls about 30 times a second, as hosts make them.
constexpr auto kIdlePeriod = std::chrono::milliseconds(33);
// Used when the plug-in tells no size before its editor exists.
constexpr int kFallbackWidth = 400;
constexpr int kFallbackHeight = 300;

struct EditArgs {
    std::string Plugin;
    std::optional<std::string> State, SaveState, Screenshot;
    std::optional<int32_t> AfterMs;
};

EditArgs parse_edit(const std::vector<std::string>& args) {
    EditArgs parsed;
    std::vector<std::string> positional;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) {
                throw EUsage(arg + " needs a value");
            }
            return args[++i];
        };
        if (arg == "--state") {
            parsed.State = value();
        } else if (arg == "--save-state") {
            parsed.SaveState = value();
        } else if (arg == "--screenshot") {
            parsed.Screenshot = value();
        } else if (arg == "--after") {
            parsed.AfterMs = positive_number(arg, value(), 3600000);
        } else if (arg.rfind("--", 0) == 0) {
            throw EUsage("unknown option " + arg);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 1) {
        throw EUsage("edit needs PLUGIN");
    }
    if (parsed.Screenshot.has_value() != parsed.AfterMs.has_value()) {
        throw EUsage("--screenshot and --after go together");
    }
    parsed.Plugin = positional[0];
    return parsed;
}

struct Size {
    int Width = 0;
    int Height = 0;
    bool operator==(const Size&) const = default;
};

// What effEditGetRect tells, whatever it answers: some plug-ins fill the rectangle before
// their editor exists and answer 0 until then.
std::optional<Size> editor_size(HostedPlugin& plugin) {
    ERect* rect = nullptr;
    plugin.Dispatch(effEditGetRect, 0, 0, &rect);
    if (rect == nullptr || rect->right - rect->left <= 0 || rect->bottom - rect->top <= 0) {
        return std::nullopt;
    }
    return Size{rect->right - rect->left, rect->bottom - rect->top};
}

// The plug-in processing with nothing playing: blocks paced in real time from their own
// thread, so what the editor hands the audio thread (previews) goes out as in a host.
class ProcessingThread {
public:
    explicit ProcessingThread(HostedPlugin& plugin) : thread_([this, &plugin] { Run(plugin); }) {}
    ~ProcessingThread() { Stop(); }
    ProcessingThread(const ProcessingThread&) = delete;
    ProcessingThread& operator=(const ProcessingThread&) = delete;

    void Stop() {
        stop_.store(true);
        if (thread_.joinable()) {
            thread_.join();
        }
    }

private:
    void Run(HostedPlugin& plugin) {
        Clock::time_point begin = Clock::now();
        uint64_t sample = 0;
        uint64_t paced = 0; // samples since `begin`
        while (!stop_.load()) {
            plugin.ProcessBlock(sample, nullptr);
            sample += kBlock;
            paced += kBlock;
            const auto due =
                begin + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                            static_cast<double>(paced) / kSampleRate));
            const Clock::time_point now = Clock::now();
            if (now - due > std::chrono::seconds(1)) {
                // Held up for long (a suspended process): go on from now, no catching up.
                begin = now;
                paced = 0;
            } else {
                std::this_thread::sleep_until(due);
            }
        }
    }

    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The editor between effEditOpen and effEditClose. The processing thread stops before the
// close, also when the session ends in a failure.
class OpenEditor {
public:
    OpenEditor(HostedPlugin& plugin, EditWindow& window, const std::string& name)
        : plugin_(plugin) {
        if (plugin.Dispatch(effEditOpen, 0, 0, window.Handle()) == 0) {
            processing_.Stop();
            throw EHostError("edit: the editor of " + name + " did not open");
        }
        open_ = true;
    }
    ~OpenEditor() { Close(); }
    OpenEditor(const OpenEditor&) = delete;
    OpenEditor& operator=(const OpenEditor&) = delete;

    void Close() {
        processing_.Stop();
        if (open_) {
            open_ = false;
            plugin_.Dispatch(effEditClose);
        }
    }

private:
    HostedPlugin& plugin_;
    ProcessingThread processing_{plugin_};
    bool open_ = false;
};

} // namespace

int edit_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& /*err*/) {
    const EditArgs parsed = parse_edit(args);
    HostedPlugin plugin(base::path_from_utf8(parsed.Plugin), kSampleRate, kBlock,
                        SentEvents::CountNotes);
    if (parsed.State) {
        plugin.SetChunk(read_state_file(*parsed.State));
    }
    std::string name = plugin.Text(effGetEffectName);
    if (name.empty()) {
        name = base::path_from_utf8(parsed.Plugin).stem().string();
    }
    if ((plugin.Effect().flags & effFlagsHasEditor) == 0) {
        throw EHostError("edit: " + name + " has no editor");
    }

    Size size = editor_size(plugin).value_or(Size{kFallbackWidth, kFallbackHeight});
    const std::unique_ptr<EditWindow> window =
        make_edit_window(size.Width, size.Height, name + " - tonvo-host");
    std::optional<ui::Bitmap> screenshot;
    {
        OpenEditor editor(plugin, *window, name);
        // Asked again, as hosts do: many plug-ins know their size only once the editor exists.
        if (const std::optional<Size> known = editor_size(plugin); known && *known != size) {
            size = *known;
            window->Resize(size.Width, size.Height);
        }
        window->Show();

        const Clock::time_point begin = Clock::now();
        Clock::time_point next = begin;
        while (!window->Pump()) {
            plugin.Dispatch(effEditIdle);
            if (parsed.AfterMs &&
                Clock::now() - begin >= std::chrono::milliseconds(*parsed.AfterMs)) {
                screenshot = window->ReadBack();
                break;
            }
            next += kIdlePeriod;
            const Clock::time_point now = Clock::now();
            if (next < now) {
                next = now;
            }
            std::this_thread::sleep_until(next);
        }
        editor.Close();
    }

    out << "previews sent: " << plugin.NoteOnsSent() << " note-ons, " << plugin.NoteOffsSent()
        << " note-offs\n";
    // The state first: it holds the user's work, and the window's loss does not touch it.
    if (parsed.SaveState) {
        platform::write_file_replacing(base::path_from_utf8(*parsed.SaveState), plugin.GetChunk());
    }
    if (window->Lost()) {
        throw EHostError("edit: the connection to the window system was lost");
    }
    if (screenshot) {
        if (!ui::write_png(base::path_from_utf8(*parsed.Screenshot), *screenshot)) {
            throw EHostError("edit: cannot write " + *parsed.Screenshot);
        }
        out << "Screenshot: " << *parsed.Screenshot << '\n';
    }
    return 0;
}

} // namespace tonvo::tools
