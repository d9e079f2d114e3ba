#include "engine/dialogs.h"

namespace tonvo {

DialogSeam& DialogSeam::Silent() {
    static DialogSeam silent;
    return silent;
}

std::string failure_text(const std::string& sentence, const std::string& message) {
    return sentence + "\r\n\r\n\"" + message + "\"";
}

} // namespace tonvo
