// Failures inside the system are exceptions carrying the system's own message texts. Every
// routine the host can call catches them at its boundary.
#pragma once

#include <stdexcept>
#include <string>

namespace tonvo {

// A failure of the plug-in framework or of a request it cannot serve.
class EVstError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reading past the end of a byte stream, or a stream that is too short for what it declares.
class EReadError : public std::runtime_error {
public:
    EReadError() : std::runtime_error("Stream read error") {}
};

// Bytes that do not follow the expected format: "Invalid stream format", "Invalid property
// value".
class EFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline EVstError index_out_of_bounds(int index) {
    return EVstError("Index out of bounds (" + std::to_string(index) + ")");
}

} // namespace tonvo
