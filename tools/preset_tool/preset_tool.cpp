#include "preset_tool/preset_tool.h"

#include "base/case_fold.h"
#include "base/utf.h"
#include "core/identity.h"
#include "core/plugin.h"
#include "engine/dialogs.h"
#include "engine/state_block.h"
#include "platform/files.h"
#include "presets/preset_files.h"
#include "presets/scale_file.h"
#include "presets/scale_library.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <utility>

namespace tonvo::tools {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kProgram = "tonvo-preset";

constexpr std::string_view kUsage =
    R"(Usage:
  tonvo-preset make OUT (--scale NAME --tonic NOTE [--easy | --no-easy] [--scales FILE]
                         | --map MAP) [--name NAME] [--force]
  tonvo-preset show FILE
  tonvo-preset check FILE
  tonvo-preset --help

make    Writes a preset file: the plug-in's state block with the note map below.
        --scale NAME   a scale of the built-in list, or of FILE with --scales; the name
                       is compared without regard to letter case
        --tonic NOTE   C C# D D# E F F# G G# A A# B, the flats Db Eb Gb Ab Bb, or 0..11
        --easy         lay the scale on consecutive keys from C upwards (the default)
        --no-easy      map each scale note to itself and block the other keys
        --scales FILE  a scale list as in Scales.txt, one "Name;0,2,4,..." per line
        --map MAP      INPUT=OUTPUT pairs separated by commas, e.g. "C=D,D=E,E=F#";
                       OUTPUT "-" blocks the key, and keys not listed are blocked too
        --name NAME    the preset name stored in the file (default: OUT's file name
                       without its extension); an empty NAME stores none
        --force        replace OUT when it exists
show    Prints the note map, the scale choices, the preset name and the MIDI CC
        assignments of a preset file or of a saved host chunk (the same bytes).
check   Prints OK when the plug-in loads the file, else the plug-in's message.

Exit status: 0 success, 1 a file could not be read, written or loaded,
2 a command line the tool cannot act on.
)";

// A command line the tool cannot act on: exit 2.
class EUsage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file that cannot be read, written or loaded: exit 1.
class EFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Text from a file or the command line, fit for a terminal: control characters (which could
// move the cursor or recolour the screen) are written as \xNN.
std::string printable_text(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x20 || code == 0x7F) {
            shown += "\\x";
            shown += kHex[code >> 4];
            shown += kHex[code & 0x0F];
        } else {
            shown += c;
        }
    }
    return shown;
}

// A dialog text on one line: each run of line breaks becomes one space.
std::string one_line(std::string_view text) {
    std::string line;
    bool inBreak = false;
    for (const char c : text) {
        if (c == '\r' || c == '\n') {
            if (!inBreak) {
                line += ' ';
            }
            inBreak = true;
        } else {
            line += c;
            inBreak = false;
        }
    }
    return printable_text(line);
}

std::string quoted_text(std::string_view text) {
    std::string quoted = printable_text(text);
    quoted.insert(quoted.begin(), '\'');
    quoted.push_back('\'');
    return quoted;
}

// The whole file, refused when it is larger than limit; fails with one line naming the file.
std::vector<uint8_t> read_whole_file(const std::string& name, std::uintmax_t limit) {
    const fs::path path = base::path_from_utf8(name);
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) {
        throw EFailure(printable_text(name) + ": no such file");
    }
    if (!ec && fs::is_directory(status)) {
        throw EFailure(printable_text(name) + ": is a folder, not a file");
    }
    const std::uintmax_t size = fs::file_size(path, ec);
    if (!ec && size > limit) {
        throw EFailure(printable_text(name) + ": too large (" + std::to_string(size) +
                       " bytes; at most " + std::to_string(limit) + ")");
    }
    try {
        return platform::read_file_bytes(path);
    } catch (const std::exception& failure) {
        throw EFailure(printable_text(failure.what()));
    }
}

// The plug-in's host link for an instance no host holds: nothing to tell anyone.
class NoHost final : public core::HostLink {
public:
    void control_parameter(int32_t, uint8_t) noexcept override {}
    void editor_needs_update() noexcept override {}
    void state_changed() override {}
    void parameters_reset() override {}
    void report_failure(const char*, const char*) noexcept override {}
};

// The plug-in itself with default services (no documents folder, settings in memory), so it
// never reads or writes the user's files: a fresh instance in the default state, recording the
// plug-in's version as the plug-in does.
class Instance {
public:
    Instance() { plugin_.set_version(std::string(core::kShownVersion)); }

    core::Plugin& Plugin() noexcept { return plugin_; }

private:
    NoHost host_;
    core::Plugin plugin_{host_};
};

// The plug-in's Load Preset reads no larger file.
constexpr std::uintmax_t kMaxPresetBytes = kMaxPresetFileBytes;

// Reads the file into the instance the way the plug-in's Load Preset does. A container that
// cannot be read fails with Load Preset's message, a body that cannot be read with the state
// block reader's. Answers the number of bytes after the container, which the plug-in ignores.
size_t load_file(Instance& instance, const std::string& name) {
    const std::vector<uint8_t> bytes = read_whole_file(name, kMaxPresetBytes);
    MemoryStream file;
    file.Write(bytes.data(), bytes.size());
    file.SetPosition(0);
    TMemoryStreamChunk wrapper;
    try {
        wrapper.LoadFromStream(file);
    } catch (const std::exception& failure) {
        throw EFailure(printable_text(name) + ": " +
                       one_line(failure_text("Error loading preset from file.", failure.what())));
    }
    wrapper.Payload().SetPosition(0);
    try {
        instance.Plugin().apply_state(instance.Plugin().parse_state(wrapper.Payload()));
    } catch (const std::exception& failure) {
        throw EFailure(printable_text(name) + ": " +
                       one_line(failure_text("Error loading preset.", failure.what())));
    }
    return file.Remaining();
}

// "-" alone is a value (a blocked output, a file name), not an option.
bool looks_like_option(std::string_view arg) {
    return arg.size() > 1 && arg.front() == '-';
}

// The positional arguments of a command that takes no options: exactly one is wanted.
std::string single_file_argument(const std::vector<std::string>& args) {
    std::vector<std::string> files;
    bool optionsEnd = false;
    for (size_t i = 1; i < args.size(); ++i) {
        if (!optionsEnd && args[i] == "--") {
            optionsEnd = true;
        } else if (!optionsEnd && looks_like_option(args[i])) {
            throw EUsage("unknown option " + quoted_text(args[i]) + " for " + args[0]);
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.size() != 1) {
        throw EUsage(args[0] + " takes one FILE, " + std::to_string(files.size()) + " given");
    }
    return files.front();
}

int check_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const std::string name = single_file_argument(args);
    Instance instance;
    const size_t trailing = load_file(instance, name);
    out << "OK\n";
    if (trailing > 0) {
        err << kProgram << ": " << printable_text(name) << ": note: " << trailing
            << " bytes after the state block are ignored\n";
    }
    return kPresetToolOk;
}

std::string pitch_class_text(int32_t value) {
    return value >= 0 && value < TScaleMap::kEntries
               ? std::string(NoteNames[static_cast<size_t>(value)])
               : std::to_string(value);
}

void right_trim(std::string& line) {
    while (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
}

std::string padded(std::string text, size_t width) {
    if (text.size() < width) {
        text.append(width - text.size(), ' ');
    }
    return text;
}

// The map as the plug-in plays it: the octave column comes from MapNote on the middle octave,
// so it shows exactly where the plug-in carries a key into the next octave.
void print_state(const core::Plugin& plugin, std::ostream& out) {
    const TScaleMap& map = plugin.scale_map();
    out << "Key  Output  Octave\n";
    for (int32_t key = 0; key < TScaleMap::kEntries; ++key) {
        const int32_t target = map.GetScaleMap(key);
        std::string line = padded(std::string(NoteNames[static_cast<size_t>(key)]), 5);
        if (target == TScaleMap::kBlocked) {
            line += "-";
        } else {
            line += padded(pitch_class_text(target), 8);
            constexpr int32_t kMiddle = 60;
            const int64_t octaves =
                (int64_t{map.MapNote(kMiddle + key)} - kMiddle - int64_t{target}) / 12;
            if (octaves > 0) {
                line += "+";
            }
            line += octaves != 0 ? std::to_string(octaves) : std::string();
            if (target < 0 || target >= TScaleMap::kEntries) {
                line = padded(line, 21) + "(stored value outside -1..11)";
            }
        }
        right_trim(line);
        out << line << '\n';
    }
    const PluginState state = plugin.current_state();
    const ScaleChoice choice = map.Choice();
    out << "Scale:      "
        << (choice.ScaleName.empty() ? "(none)" : printable_text(choice.ScaleName)) << '\n';
    out << "Tonic:      " << pitch_class_text(choice.Tonic)
        << (choice.Tonic < 0 || choice.Tonic >= TScaleMap::kEntries
                ? " (stored value outside 0..11)"
                : "")
        << '\n';
    out << "Easy Mode:  " << (choice.EasyMode ? "on" : "off") << '\n';
    out << "Preset:     "
        << (state.PresetName.empty() ? "(none)" : printable_text(state.PresetName)) << '\n';
    out << "Version:    " << (state.Version.empty() ? "(none)" : printable_text(state.Version))
        << '\n';
    const std::vector<TMidiCCItem> assignments = plugin.cc_routing().Assignments().Items();
    if (assignments.empty()) {
        out << "MIDI CC:    none\n";
    }
    for (size_t i = 0; i < assignments.size(); ++i) {
        out << (i == 0 ? "MIDI CC:    " : "            ") << "CC " << assignments[i].CC << " -> "
            << printable_text(assignments[i].Name) << '\n';
    }
}

int show_command(const std::vector<std::string>& args, std::ostream& out) {
    Instance instance;
    load_file(instance, single_file_argument(args));
    print_state(instance.Plugin(), out);
    return kPresetToolOk;
}

struct MakeOptions {
    std::vector<std::string> Files;
    std::optional<std::string> Scale;
    std::optional<std::string> Tonic;
    std::optional<std::string> ScalesFile;
    std::optional<std::string> Map;
    std::optional<std::string> Name;
    std::optional<bool> Easy;
    bool Force = false;
};

MakeOptions parse_make_options(const std::vector<std::string>& args) {
    MakeOptions options;
    const std::pair<std::string_view, std::optional<std::string>*> valued[] = {
        {"--scale", &options.Scale}, {"--tonic", &options.Tonic}, {"--scales", &options.ScalesFile},
        {"--map", &options.Map},     {"--name", &options.Name},
    };
    bool optionsEnd = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnd || !looks_like_option(arg)) {
            options.Files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnd = true;
        } else if (arg == "--force") {
            options.Force = true;
        } else if (arg == "--easy" || arg == "--no-easy") {
            if (options.Easy && *options.Easy != (arg == "--easy")) {
                throw EUsage("--easy and --no-easy exclude each other");
            }
            options.Easy = arg == "--easy";
        } else {
            const auto slot = std::find_if(std::begin(valued), std::end(valued),
                                           [&](const auto& entry) { return entry.first == arg; });
            if (slot == std::end(valued)) {
                throw EUsage("unknown option " + quoted_text(arg) + " for make");
            }
            // A following option is not taken as the value: "--tonic --easy" lacks the tonic.
            if (i + 1 >= args.size() || args[i + 1].starts_with("--")) {
                throw EUsage("missing value for " + arg);
            }
            if (slot->second->has_value()) {
                throw EUsage(arg + " given twice");
            }
            *slot->second = args[++i];
        }
    }
    return options;
}

std::vector<std::string> scale_lines(const std::optional<std::string>& scalesFile) {
    if (!scalesFile) {
        return {BuiltInScales.begin(), BuiltInScales.end()};
    }
    const std::vector<uint8_t> bytes = read_whole_file(*scalesFile, kMaxScaleFileBytes);
    return split_file_lines(decode_scale_text(bytes));
}

std::string known_scale_names(const std::vector<std::string>& lines) {
    constexpr size_t kMostListed = 40;
    std::string names;
    size_t listed = 0;
    for (const ScaleMenuEntry& entry : scale_menu(lines)) {
        if (entry.Kind != ScaleMenuKind::Item) {
            continue;
        }
        if (listed == kMostListed) {
            names += ", ...";
            break;
        }
        names += (listed++ == 0 ? "" : ", ") + printable_text(entry.Caption);
    }
    return names.empty() ? std::string("(none)") : names;
}

// Fills the instance's map from the scale or --map options; throws EUsage for a bad value.
void fill_map(const MakeOptions& options, TScaleMap& map) {
    if (options.Map) {
        const NoteMapText parsed = parse_note_map(*options.Map);
        if (!parsed.Error.empty()) {
            throw EUsage("--map: " + parsed.Error);
        }
        map.ClearMap();
        for (int32_t key = 0; key < TScaleMap::kEntries; ++key) {
            map.SetScaleMap(key, parsed.Entries[static_cast<size_t>(key)]);
        }
        return;
    }
    const std::optional<int32_t> tonic = parse_pitch_class(*options.Tonic);
    if (!tonic) {
        throw EUsage("--tonic: " + quoted_text(*options.Tonic) +
                     " is not a note (C C# D D# E F F# G G# A A# B, Db Eb Gb Ab Bb, or 0..11)");
    }
    const std::vector<std::string> lines = scale_lines(options.ScalesFile);
    const std::string_view wanted = trim_blanks(*options.Scale);
    // Blank lines and "-" separators are in the list but are no scales.
    const int32_t index = wanted.empty() || wanted == "-" ? -1 : FindScale(lines, wanted);
    if (index < 0) {
        throw EUsage("--scale: unknown scale " + quoted_text(wanted) +
                     (options.ScalesFile ? " in " + printable_text(*options.ScalesFile) : "") +
                     "; the scales are: " + known_scale_names(lines));
    }
    ApplyScale(map, lines[static_cast<size_t>(index)], *tonic, options.Easy.value_or(true));
}

// The name the plug-in's own Save Preset would store: trimmed, characters no file name may hold
// replaced by "_". A name Save Preset refuses (a leading dot, a device name) is refused here.
std::string preset_name_for(const MakeOptions& options, const fs::path& out) {
    const std::string name =
        MakeValidFileName(trim_name(options.Name ? *options.Name : FileBaseName(out)));
    if (const std::string problem = preset_name_problem(name); !problem.empty()) {
        throw EUsage("the preset name " + quoted_text(name) + " " + problem +
                     "; choose another with --name");
    }
    return name;
}

int make_command(const std::vector<std::string>& args, std::ostream& out) {
    const MakeOptions options = parse_make_options(args);
    if (options.Files.size() != 1) {
        throw EUsage("make takes one OUT file, " + std::to_string(options.Files.size()) + " given");
    }
    if (options.Map.has_value() == options.Scale.has_value()) {
        throw EUsage("make needs either --scale or --map");
    }
    if (options.Map && (options.Tonic || options.Easy || options.ScalesFile)) {
        throw EUsage("--tonic, --easy, --no-easy and --scales go with --scale, not --map");
    }
    if (options.Scale && !options.Tonic) {
        throw EUsage("--scale needs --tonic");
    }
    const std::string& outName = options.Files.front();
    const fs::path outPath = base::path_from_utf8(outName);
    if (outPath.filename().empty()) {
        throw EUsage(quoted_text(outName) + " names a folder, not a file");
    }

    Instance instance;
    fill_map(options, instance.Plugin().scale_map());
    const std::string presetName = preset_name_for(options, outPath);
    instance.Plugin().set_preset_name(presetName);

    std::error_code ec;
    const fs::file_status existing = fs::symlink_status(outPath, ec);
    if (ec && existing.type() != fs::file_type::not_found) {
        throw EFailure(printable_text(outName) +
                       ": cannot tell whether it exists: " + ec.message());
    }
    if (fs::is_directory(fs::status(outPath, ec))) {
        throw EFailure(printable_text(outName) + ": is a folder");
    }
    if (existing.type() != fs::file_type::not_found && !options.Force) {
        throw EFailure(printable_text(outName) + ": exists; add --force to replace it");
    }

    TMemoryStreamChunk wrapper;
    try {
        core::Plugin::write_state(wrapper.Payload(), instance.Plugin().current_state());
    } catch (const std::exception& failure) {
        throw EFailure(one_line(failure_text("Error saving preset.", failure.what())));
    }
    MemoryStream file;
    wrapper.SaveToStream(file);
    try {
        if (outPath.has_parent_path()) {
            platform::create_folders(outPath.parent_path());
        }
        platform::write_file_replacing(outPath, {file.Bytes().begin(), file.Bytes().end()});
    } catch (const std::exception& failure) {
        throw EFailure(printable_text(failure.what()));
    }
    out << "Wrote " << printable_text(outName) << " (" << file.Size() << " bytes, preset name "
        << (presetName.empty() ? std::string("none") : quoted_text(presetName)) << ")\n";
    return kPresetToolOk;
}

int run_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << kUsage;
        return kPresetToolUsage;
    }
    for (const std::string& arg : args) {
        if (arg == "--") {
            break;
        }
        if (arg == "--help" || arg == "-h") {
            out << kUsage;
            return kPresetToolOk;
        }
    }
    const std::string& command = args.front();
    if (command == "make") {
        return make_command(args, out);
    }
    if (command == "show") {
        return show_command(args, out);
    }
    if (command == "check") {
        return check_command(args, out, err);
    }
    if (looks_like_option(command)) {
        throw EUsage("unknown option " + quoted_text(command) + "; try --help");
    }
    throw EUsage("unknown command " + quoted_text(command) + "; try --help");
}

} // namespace

std::optional<int32_t> parse_pitch_class(std::string_view text) {
    text = trim_blanks(text);
    if (!text.empty() &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        if (text.size() > 2) {
            return std::nullopt;
        }
        const int32_t value =
            text.size() == 1 ? text[0] - '0' : (text[0] - '0') * 10 + text[1] - '0';
        return value < TScaleMap::kEntries ? std::optional<int32_t>(value) : std::nullopt;
    }
    for (size_t i = 0; i < NoteNames.size(); ++i) {
        if (base::equal_ignoring_case(NoteNames[i], text)) {
            return static_cast<int32_t>(i);
        }
    }
    static constexpr std::pair<std::string_view, int32_t> kFlats[] = {
        {"Db", 1}, {"Eb", 3}, {"Gb", 6}, {"Ab", 8}, {"Bb", 10}};
    for (const auto& [name, value] : kFlats) {
        if (base::equal_ignoring_case(name, text)) {
            return value;
        }
    }
    return std::nullopt;
}

NoteMapText parse_note_map(std::string_view text) {
    NoteMapText result;
    result.Entries.fill(TScaleMap::kBlocked);
    if (trim_blanks(text).empty()) {
        return result;
    }
    std::array<bool, TScaleMap::kEntries> listed{};
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        const std::string_view pair = trim_blanks(
            text.substr(start, comma == std::string_view::npos ? text.npos : comma - start));
        const size_t equals = pair.find('=');
        if (pair.empty()) {
            result.Error = "empty pair (two commas in a row, or one at an end)";
            return result;
        }
        if (equals == std::string_view::npos) {
            result.Error = quoted_text(pair) + " is not INPUT=OUTPUT";
            return result;
        }
        const std::string_view input = trim_blanks(pair.substr(0, equals));
        const std::string_view output = trim_blanks(pair.substr(equals + 1));
        const std::optional<int32_t> key = parse_pitch_class(input);
        if (!key) {
            result.Error = quoted_text(input) + " in " + quoted_text(pair) + " is not a note";
            return result;
        }
        const std::optional<int32_t> target =
            output == "-" ? std::optional<int32_t>(TScaleMap::kBlocked) : parse_pitch_class(output);
        if (!target) {
            result.Error =
                quoted_text(output) + " in " + quoted_text(pair) + " is not a note or \"-\"";
            return result;
        }
        if (listed[static_cast<size_t>(*key)]) {
            result.Error = std::string(NoteNames[static_cast<size_t>(*key)]) + " is mapped twice";
            return result;
        }
        listed[static_cast<size_t>(*key)] = true;
        result.Entries[static_cast<size_t>(*key)] = *target;
        if (comma == std::string_view::npos) {
            return result;
        }
        start = comma + 1;
    }
}

std::string_view preset_tool_usage() noexcept {
    return kUsage;
}

int run_preset_tool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        return run_command(args, out, err);
    } catch (const EUsage& failure) {
        err << kProgram << ": " << failure.what() << '\n';
        return kPresetToolUsage;
    } catch (const EFailure& failure) {
        err << kProgram << ": " << failure.what() << '\n';
        return kPresetToolFailed;
    } catch (const std::exception& failure) {
        err << kProgram << ": " << one_line(failure.what()) << '\n';
        return kPresetToolFailed;
    } catch (...) {
        err << kProgram << ": unexpected failure\n";
        return kPresetToolFailed;
    }
}

} // namespace tonvo::tools
