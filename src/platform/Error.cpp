#include "platform/Error.h"

namespace pelmar {

PelmarError::PelmarError(ErrorKind kind, std::string detail, std::optional<int64_t> offset)
    : kind_(kind), detail_(std::move(detail)), offset_(offset) {
    Format();
}

PelmarError& PelmarError::InFile(const std::filesystem::path& file) {
    if (file_.empty()) {
        file_ = file;
        Format();
    }
    return *this;
}

PelmarError& PelmarError::MapUnchanged() {
    unchanged_ = true;
    Format();
    return *this;
}

void PelmarError::Format() {
    text_ = Describe(*this);
}

std::string Describe(const PelmarError& error) {
    std::string text;
    if (!error.file().empty()) {
        text = error.file().string() + ": ";
    }
    text += error.detail();
    if (error.offset()) {
        text += " (offset " + std::to_string(*error.offset()) + ")";
    }
    if (error.mapUnchanged()) {
        text += "; nothing was changed";
    }
    return text;
}

} // namespace pelmar
