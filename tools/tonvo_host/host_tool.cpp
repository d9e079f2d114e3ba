#include "tonvo_host/host_tool.h"

#include "base/utf.h"
#include "platform/files.h"
#include "tonvo_host/edit.h"
#include "tonvo_host/info.h"
#include "tonvo_host/render.h"

#include <charconv>
#include <filesystem>
#include <optional>
#include <system_error>

namespace tonvo::tools {

namespace {

constexpr const char* kUsage =
    "usage: tonvo-host info PLUGIN\n"
    "       tonvo-host render PLUGIN IN.mid OUT.mid [--state FILE] [--save-state FILE]\n"
    "                  [--sample-rate N] [--block N]\n"
    "       tonvo-host edit PLUGIN [--state FILE] [--save-state FILE]\n"
    "                  [--screenshot OUT.png --after MS]\n";

struct RenderArgs {
    std::string Plugin, In, Out;
    std::optional<std::string> State, SaveState;
    int32_t SampleRate = 44100;
    int32_t Block = 512;
};

RenderArgs parse_render(const std::vector<std::string>& args) {
    RenderArgs parsed;
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
        } else if (arg == "--sample-rate") {
            parsed.SampleRate = positive_number(arg, value(), 384000);
        } else if (arg == "--block") {
            parsed.Block = positive_number(arg, value(), 8192);
        } else if (arg.rfind("--", 0) == 0) {
            throw EUsage("unknown option " + arg);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 3) {
        throw EUsage("render needs PLUGIN IN.mid OUT.mid");
    }
    parsed.Plugin = positional[0];
    parsed.In = positional[1];
    parsed.Out = positional[2];
    return parsed;
}

int render_command(const std::vector<std::string>& args, std::ostream& out) {
    const RenderArgs parsed = parse_render(args);
    const smf::MidiFile input = smf::read_midi_file(base::path_from_utf8(parsed.In));
    HostedPlugin plugin(base::path_from_utf8(parsed.Plugin), parsed.SampleRate, parsed.Block);
    if (parsed.State) {
        plugin.SetChunk(read_state_file(*parsed.State));
    }
    const RenderResult result = render(plugin, input, parsed.SampleRate, parsed.Block);
    smf::write_midi_file(result.Output, base::path_from_utf8(parsed.Out));
    if (parsed.SaveState) {
        platform::write_file_replacing(base::path_from_utf8(*parsed.SaveState), plugin.GetChunk());
    }
    out << "Played " << result.NotesIn << " notes through " << plugin.Text(effGetEffectName)
        << "; it sent " << result.NotesOut << ".\n";
    for (const NoteChange& change : result.Changes) {
        out << "  " << change.In << " -> " << change.Out << '\n';
    }
    out << "Output: " << parsed.Out << '\n';
    return 0;
}

int info_command(const std::vector<std::string>& args, std::ostream& out) {
    if (args.size() != 2) {
        throw EUsage("info needs PLUGIN");
    }
    HostedPlugin plugin(base::path_from_utf8(args[1]), 44100.0, 512);
    print_info(plugin, out);
    return 0;
}

} // namespace

int32_t positive_number(const std::string& option, const std::string& text, int32_t maximum) {
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value <= 0 || value > maximum) {
        throw EUsage(option + " needs a whole number from 1 to " + std::to_string(maximum));
    }
    return value;
}

std::vector<uint8_t> read_state_file(const std::string& name) {
    const std::filesystem::path path = base::path_from_utf8(name);
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!error && size > kMaxStateFileBytes) {
        throw EHostError(name + ": too large for a state (" + std::to_string(size) +
                         " bytes; at most " + std::to_string(kMaxStateFileBytes) + ")");
    }
    // The limit holds too for a file that grows while it is read.
    return platform::read_file_bytes(path, kMaxStateFileBytes);
}

int run_host_tool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        if (args.empty() || args[0] == "--help" || args[0] == "-h") {
            (args.empty() ? err : out) << kUsage;
            return args.empty() ? 2 : 0;
        }
        if (args[0] == "info") {
            return info_command(args, out);
        }
        if (args[0] == "render") {
            return render_command(args, out);
        }
        if (args[0] == "edit") {
            return edit_command(args, out, err);
        }
        throw EUsage("unknown command " + args[0]);
    } catch (const EUsage& failure) {
        err << "tonvo-host: " << failure.what() << '\n' << kUsage;
        return 2;
    } catch (const std::exception& failure) {
        err << "tonvo-host: " << failure.what() << '\n';
        return 1;
    }
}

} // namespace tonvo::tools
