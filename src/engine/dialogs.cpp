#include "engine/dialogs.h"

namespace tonvo {

TDialogs& TDialogs::Silent() {
    static TDialogs silent;
    return silent;
}

std::string FailureText(const std::string& sentence, const std::string& message) {
    return sentence + "\r\n\r\n\"" + message + "\"";
}

} // namespace tonvo
