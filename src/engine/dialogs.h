// Everything that needs a person goes through this seam: message boxes now, questions and
// text prompts later. Until an editor provides real dialogs the default shows nothing and
// answers as a dismissed box would; tests script it.
#pragma once

#include <string>

namespace tonvo {

class TDialogs {
public:
    virtual ~TDialogs() = default;
    // A modal warning with an OK button, centred over the editor (or the screen).
    virtual void Warning(const std::string& /*caption*/, const std::string& /*text*/) {}

    // The seam every module starts with.
    static TDialogs& Silent();
};

// The text of a failed command's box: its sentence, two line breaks and the failure's own
// message between double quotes.
std::string FailureText(const std::string& sentence, const std::string& message);

} // namespace tonvo
