#include "presets/scale_library.h"

#include "base/case_fold.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace tonvo {

namespace {

constexpr char kQuote = '"';

bool is_blank(char c) noexcept {
    return static_cast<unsigned char>(c) <= 32;
}

// A plain decimal integer as scale_intervals documents it; nullopt for anything else. Values
// beyond two digits can never be an interval, so longer digit runs report 1000 instead of
// overflowing.
std::optional<int32_t> parse_interval(std::string_view text) {
    text = trim_blanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    int32_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = std::min(value * 10 + (c - '0'), 1000);
    }
    return negative ? -value : value;
}

// Key positions in Easy Mode: after position p the next scale note goes to the next key up
// when p is a black key or E, or when the scale has enough notes to need the black key that
// follows p; otherwise it skips the black key.
int32_t next_easy_position(int32_t p, size_t count) noexcept {
    switch (p % 12) {
    case 1:
    case 3:
    case 4:
    case 6:
    case 8:
    case 10: return p + 1;
    default: break;
    }
    const bool takeBlackKey = (p == 0 && count >= 8) || (p == 2 && count >= 9) ||
                              (p == 5 && count >= 10) || (p == 7 && count >= 11) ||
                              (p == 9 && count == 12);
    return p + (takeBlackKey ? 1 : 2);
}

// Calls visit with each field ExtractField would give for n = 1, 2, ... in one pass, so long
// lines cost linear time; stops when visit returns false.
template <typename TVisit>
void for_each_field(std::string_view text, char delimiter, TVisit visit) {
    const bool addDelimiter = text.empty() || text.back() != delimiter;
    const size_t length = text.size() + (addDelimiter ? 1 : 0);
    bool quoted = false;
    size_t start = 0;
    for (size_t i = 0; i < length; ++i) {
        const char c = i < text.size() ? text[i] : delimiter;
        if (c == kQuote) {
            quoted = !quoted;
            continue;
        }
        if (c != delimiter || quoted) {
            continue;
        }
        std::string_view field = text.substr(start, std::min(i, text.size()) - start);
        if (!field.empty() && field.front() == kQuote) {
            field.remove_prefix(1);
        }
        if (!field.empty() && field.back() == kQuote) {
            field.remove_suffix(1);
        }
        if (!visit(field)) {
            return;
        }
        start = i + 1;
    }
}

} // namespace

std::string ExtractField(std::string_view text, int32_t n, char delimiter) {
    std::string result;
    if (n > 0) {
        int32_t field = 0;
        for_each_field(text, delimiter, [&](std::string_view value) {
            if (++field < n) {
                return true;
            }
            result = value;
            return false;
        });
    }
    return result;
}

std::string_view trim_blanks(std::string_view text) noexcept {
    while (!text.empty() && is_blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && is_blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::vector<ScaleMenuEntry> scale_menu(const std::vector<std::string>& lines) {
    std::vector<ScaleMenuEntry> menu;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string_view trimmed = trim_blanks(lines[i]);
        if (trimmed.empty()) {
            continue;
        }
        ScaleMenuEntry entry;
        entry.Tag = static_cast<int32_t>(i);
        if (trimmed == "-") {
            entry.Kind = ScaleMenuKind::Separator;
        } else {
            entry.Caption = ExtractField(trimmed, 1, ';');
        }
        menu.push_back(std::move(entry));
    }
    return menu;
}

int32_t FindScale(const std::vector<std::string>& lines, std::string_view name) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (base::equal_ignoring_case(ExtractField(lines[i], 1, ';'), name)) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

std::string scale_caption(const std::vector<std::string>& lines, int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= lines.size()) {
        return {};
    }
    return ExtractField(lines[static_cast<size_t>(index)], 1, ';');
}

WizardChoice sync_wizard_choice(const std::vector<std::string>& lines, const TScaleMap& map) {
    const ScaleChoice stored = map.Choice();
    WizardChoice choice;
    if (!stored.ScaleName.empty()) {
        choice.ScaleIndex = FindScale(lines, stored.ScaleName);
        if (choice.ScaleIndex == -1) {
            choice.ScaleIndex = FindScale(lines, "Major");
        }
        choice.Tonic = normalize_tonic(stored.Tonic);
    } else {
        choice.ScaleIndex = FindScale(lines, "Major");
        choice.Tonic = 0;
    }
    if (choice.ScaleIndex == -1 && !lines.empty()) {
        choice.ScaleIndex = 0;
    }
    choice.EasyMode = stored.EasyMode;
    return choice;
}

std::vector<int32_t> scale_intervals(std::string_view line) {
    // Fields past the last one ExtractField can find would be empty and count for nothing, so
    // walking the existing fields covers every field from 1 to the number of ',' plus one.
    const std::string intervalsText = ExtractField(line, 2, ';');
    std::array<bool, 12> present{};
    size_t count = 0;
    for_each_field(intervalsText, ',', [&](std::string_view field) {
        const std::optional<int32_t> value = parse_interval(field);
        if (value && *value >= 0 && *value <= 11 && !present[static_cast<size_t>(*value)]) {
            present[static_cast<size_t>(*value)] = true;
            ++count;
        }
        return count < present.size();
    });
    std::vector<int32_t> intervals;
    intervals.reserve(count);
    for (int32_t v = 0; v < 12; ++v) {
        if (present[static_cast<size_t>(v)]) {
            intervals.push_back(v);
        }
    }
    return intervals;
}

void ApplyScale(TScaleMap& map, std::string_view line, int32_t tonic, bool easyMode) {
    const std::vector<int32_t> intervals = scale_intervals(line);
    const int32_t t = normalize_tonic(tonic);
    map.ClearMap();
    if (easyMode) {
        int32_t p = 0;
        for (const int32_t x : intervals) {
            // At most twelve intervals reach at most key 11; the check keeps that local.
            if (p >= TScaleMap::kEntries) {
                break;
            }
            map.SetScaleMap(p, PitchClassOf(x + t));
            p = next_easy_position(p, intervals.size());
        }
    } else {
        for (const int32_t x : intervals) {
            const int32_t q = PitchClassOf(x + t);
            map.SetScaleMap(q, q);
        }
    }
    map.SetChoice({ExtractField(line, 1, ';'), t, easyMode});
}

std::string scale_confirmation_text(std::string_view caption, int32_t tonic, bool easyMode) {
    std::string text = "Scale: \"";
    text += caption;
    text += "\"\r\n\r\nTonic: \"";
    text += NoteNames[static_cast<size_t>(normalize_tonic(tonic))];
    text += '"';
    if (easyMode) {
        text += "\r\n\r\n\"Easy Mode\"";
    }
    return text;
}

} // namespace tonvo
