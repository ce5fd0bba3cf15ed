#include "session/History.h"

#include "platform/Error.h"
#include "platform/FileAccess.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace pelmar {

namespace {

// A name for the map's folder: its file name (letters and digits kept) and a hash of its path.
std::string FolderName(const std::filesystem::path& map) {
    std::error_code ec;
    const std::string full = std::filesystem::weakly_canonical(map, ec).string();
    uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (unsigned char c : full) {
        hash = (hash ^ c) * 1099511628211ull;
    }
    std::string name;
    for (char c : map.filename().string()) {
        name += std::isalnum(static_cast<unsigned char>(c)) || c == '.' ? c : '_';
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return name.substr(0, 64) + "-" + hex;
}

// Writes `bytes` to `path` through a temporary file, so that a reader never sees half of it.
// The history is not the map: it is not flushed to disk.
void WriteWhole(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
    const std::filesystem::path temp = path.string() + ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            throw PelmarError(ErrorKind::Io, "cannot write the edit history").InFile(path);
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        throw PelmarError(ErrorKind::Io, "cannot write the edit history: " + ec.message())
            .InFile(path);
    }
}

} // namespace

std::filesystem::path HistoryRoot() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data != '\0') {
        return std::filesystem::path(data) / "pelmar" / "history";
    }
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home != nullptr ? home : ".") / ".local" / "share" / "pelmar" /
           "history";
}

History::History(const std::filesystem::path& map) : folder_(HistoryRoot() / FolderName(map)) {}

std::vector<uint64_t> History::Numbers() const {
    std::vector<uint64_t> numbers;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder_, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() == 14 && name.ends_with(".rec")) {
            numbers.push_back(std::strtoull(name.c_str(), nullptr, 10));
        }
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

std::filesystem::path History::RecordPath(uint64_t number) const {
    char name[32];
    std::snprintf(name, sizeof name, "%010llu.rec", static_cast<unsigned long long>(number));
    return folder_ / name;
}

std::optional<EditRecord> History::Load(uint64_t number) const {
    if (number == 0 || !std::filesystem::exists(RecordPath(number))) {
        return std::nullopt;
    }
    const ByteBuffer bytes = ReadWholeFile(RecordPath(number), uint64_t{1} << 40);
    try {
        return DecodeRecord(bytes.span());
    } catch (PelmarError& e) {
        throw e.InFile(RecordPath(number));
    }
}

void History::Store(uint64_t number, const EditRecord& record) const {
    const std::vector<uint8_t> bytes = EncodeRecord(record);
    WriteWhole(RecordPath(number), bytes);
}

uint64_t History::Position() const {
    std::ifstream in(folder_ / "position");
    uint64_t position = 0;
    return (in >> position) ? position : 0;
}

void History::SetPosition(uint64_t position) const {
    const std::string text = std::to_string(position) + "\n";
    WriteWhole(folder_ / "position", {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

std::optional<std::string> History::Description(uint64_t number) const {
    if (number == 0) {
        return std::nullopt;
    }
    // A record begins with its mark and its description; descriptions are short.
    std::ifstream in(RecordPath(number), std::ios::binary);
    std::vector<uint8_t> head(8192);
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    return RecordDescription(head);
}

std::optional<std::string> History::TopDescription() const {
    return Description(Position());
}

std::optional<std::string> History::NextDescription() const {
    return Description(Position() + 1);
}

std::optional<EditRecord> History::Top() const {
    return Load(Position());
}

std::optional<EditRecord> History::Next() const {
    return Load(Position() + 1);
}

void History::Push(const EditRecord& record) {
    std::error_code ec;
    std::filesystem::create_directories(folder_, ec);
    const uint64_t position = Position();
    for (uint64_t number : Numbers()) {
        if (number > position) {
            std::filesystem::remove(RecordPath(number), ec);
        }
    }
    Store(position + 1, record);
    SetPosition(position + 1);
    Trim();
}

void History::MarkUndone(EditRecord record, const FileIdentity& now) {
    const uint64_t position = Position();
    record.before = now;
    Store(position, record);
    SetPosition(position - 1);
    if (std::optional<EditRecord> earlier = Load(position - 1)) {
        earlier->after = now;
        Store(position - 1, *earlier);
    }
}

void History::MarkRedone(EditRecord record, const FileIdentity& now) {
    const uint64_t position = Position() + 1;
    record.after = now;
    Store(position, record);
    SetPosition(position);
    if (std::optional<EditRecord> later = Load(position + 1)) {
        later->before = now;
        Store(position + 1, *later);
    }
}

namespace {

std::string VersionText(const FileIdentity& file) {
    return std::to_string(file.device) + " " + std::to_string(file.inode) + " " +
           std::to_string(file.size) + " " + std::to_string(file.modifiedNs);
}

} // namespace

std::optional<bool> History::KnownChecksum(const FileIdentity& file) const {
    std::ifstream in(folder_ / "checksum");
    std::string version;
    int upToDate = 0;
    if (std::getline(in, version) && version == VersionText(file) && (in >> upToDate)) {
        return upToDate != 0;
    }
    return std::nullopt;
}

void History::RememberChecksum(const FileIdentity& file, std::optional<bool> upToDate) const {
    std::error_code ec;
    if (!upToDate) {
        std::filesystem::remove(folder_ / "checksum", ec);
        return;
    }
    std::filesystem::create_directories(folder_, ec);
    const std::string text = VersionText(file) + "\n" + (*upToDate ? "1" : "0") + "\n";
    try {
        WriteWhole(folder_ / "checksum",
                   {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
    } catch (const PelmarError&) {
    }
}

void History::Trim() const {
    std::vector<uint64_t> numbers = Numbers();
    uint64_t bytes = 0;
    for (uint64_t n : numbers) {
        bytes += std::filesystem::file_size(RecordPath(n));
    }
    std::error_code ec;
    for (size_t i = 0; i < numbers.size() && (numbers.size() - i > kMaxEdits || bytes > kMaxBytes);
         ++i) {
        bytes -= std::filesystem::file_size(RecordPath(numbers[i]), ec);
        std::filesystem::remove(RecordPath(numbers[i]), ec);
    }
}

} // namespace pelmar
