#pragma once

#include <QString>

#include <filesystem>

namespace pelmar::app {

// The name of the file at `path` (extension included), for the user.
QString FileNameText(const std::filesystem::path& path);

// `path` as the user reads it.
QString PathText(const std::filesystem::path& path);

// A path typed or chosen by the user, for the core.
std::filesystem::path PathFromText(const QString& text);

} // namespace pelmar::app
