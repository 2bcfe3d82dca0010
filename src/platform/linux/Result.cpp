// The texts of failures.
#include "platform/Result.h"

#include "platform/DirReader.h"

std::string TFailure::Describe() const {
    const std::string text = Text.empty() ? Platform::ErrorText(Errno) : Text;
    return Path.empty() ? text : Path + ": " + text;
}

TFailure SystemFailure(int error, std::string path) {
    return TFailure{error, std::move(path), Platform::ErrorText(error)};
}

TFailure Refusal(std::string text, std::string path) {
    return TFailure{0, std::move(path), std::move(text)};
}
