// Everything that needs a person goes through this seam: message boxes, questions, text
// prompts and the preset browser. Until an editor provides the real dialogs the default shows
// nothing and answers as a dismissed box would (Cancel, No); tests script it.
//
// Thread contract: user-interface thread (and the thread creating an instance).
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tonvo {

enum class DialogAnswer { Yes, No, Cancel };

class DialogSeam {
public:
    virtual ~DialogSeam() = default;
    // A modal warning with an OK button, centred over the editor (or the screen).
    virtual void Warning(const std::string& /*caption*/, const std::string& /*text*/) {}
    // A modal information box with an OK button.
    virtual void Information(const std::string& /*caption*/, const std::string& /*text*/) {}
    // A Yes/No confirmation; Cancel when the box was closed without an answer. Callers act
    // only on Yes, so nothing is replaced or lost on a box nobody answered.
    virtual DialogAnswer Ask(const std::string& /*caption*/, const std::string& /*text*/) {
        return DialogAnswer::No;
    }
    // A one-line text prompt pre-filled with text, at most maxLength characters; empty when
    // cancelled.
    virtual std::optional<std::string> InputText(const std::string& /*caption*/,
                                                 const std::string& /*prompt*/,
                                                 const std::string& /*text*/,
                                                 size_t /*maxLength*/) {
        return std::nullopt;
    }
    // The preset browser on the preset folder with the current preset selected; the chosen
    // file, or empty when cancelled.
    virtual std::optional<std::filesystem::path>
    BrowsePresets(const std::filesystem::path& /*presetFolder*/,
                  const std::string& /*presetName*/) {
        return std::nullopt;
    }

    // The seam every module starts with.
    static DialogSeam& Silent();
};

// The text of a failed command's box: its sentence, two line breaks and the failure's own
// message between double quotes.
std::string failure_text(const std::string& sentence, const std::string& message);

} // namespace tonvo
