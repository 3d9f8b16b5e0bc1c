// Session files: slot I/O on the locked history file and the journal's text
// form. Every read of a journal is validated field by field, so a damaged or
// half-written journal is refused instead of trusted.
#include "document/SessionFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <random>
#include <set>
#include <system_error>

namespace session {
namespace {

constexpr std::string_view kJournalHeading = "PEKARUN4FREE session 2";
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 28; // the file library's own limit
constexpr std::size_t kMaxSnapshots = std::size_t{1} << 20;
constexpr std::uint32_t kMaxSlot = std::uint32_t{1} << 24;
constexpr std::uintmax_t kMaxJournalBytes = std::uintmax_t{64} << 20;
constexpr const char* kProgramFolder = "Pekarun4Free";

std::string hexOf(std::string_view bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 15]);
    }
    return text;
}

std::optional<std::string> bytesOfHex(std::string_view text)
{
    if (text.size() % 2 != 0) {
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        unsigned value = 0;
        const auto [end, error] = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
        if (error != std::errc{} || end != text.data() + i + 2) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

// Splits off the next line (without its newline); nothing when no newline ends it.
std::optional<std::string_view> takeLine(std::string_view& text)
{
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    return line;
}

// "key value": the value when the line starts with the key and one space.
std::optional<std::string_view> valueOf(std::optional<std::string_view> line, std::string_view key)
{
    if (!line || line->size() <= key.size() || !line->starts_with(key) || (*line)[key.size()] != ' ') {
        return std::nullopt;
    }
    return line->substr(key.size() + 1);
}

template <typename Number>
std::optional<Number> numberOf(std::string_view text, int base = 10)
{
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes, off_t offset)
{
    while (!bytes.empty()) {
        const ssize_t written = ::pwrite(fd, bytes.data(), bytes.size(), offset);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
        offset += written;
    }
    return true;
}

bool flushToDisk(int fd)
{
    while (::fdatasync(fd) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

std::string hexNumber(std::uint64_t value)
{
    char digits[17] = {};
    std::to_chars(digits, digits + 16, value, 16);
    return digits;
}

std::string freshSessionName()
{
    std::random_device entropy;
    const std::uint64_t tag = (std::uint64_t{entropy()} << 32) | entropy();
    std::string name(SessionFiles::kPrefix);
    name += std::to_string(::getpid());
    name += '-';
    name += hexNumber(tag);
    return name;
}

} // namespace

std::filesystem::path defaultFolder()
{
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache != nullptr && std::filesystem::path(cache).is_absolute()) {
        return std::filesystem::path(cache) / kProgramFolder;
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && std::filesystem::path(home).is_absolute()) {
        return std::filesystem::path(home) / ".cache" / kProgramFolder;
    }
    return {};
}

std::uint64_t checksum(std::span<const std::uint8_t> bytes)
{
    // Word-wise multiply and fold: fast on whole planes, and any changed byte
    // changes the sum with overwhelming likelihood.
    constexpr std::uint64_t kPrime = 0x100000001b3ULL;
    std::uint64_t sum = 0xcbf29ce484222325ULL ^ bytes.size();
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, sizeof word);
        sum = (sum ^ word) * kPrime;
        sum ^= sum >> 29;
    }
    for (; i < bytes.size(); ++i) {
        sum = (sum ^ bytes[i]) * kPrime;
    }
    return sum;
}

std::optional<FileFingerprint> fingerprintOf(const std::filesystem::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    // The checksum runs over 1 MiB blocks, so a block's words never straddle reads.
    std::vector<std::uint8_t> block(std::size_t{1} << 20);
    FileFingerprint print;
    std::uint64_t sum = 0;
    for (;;) {
        const ssize_t got = ::read(fd, block.data(), block.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        sum = sum * 0x100000001b3ULL ^ checksum(std::span(block.data(), static_cast<std::size_t>(got)));
        print.bytes += static_cast<std::uint64_t>(got);
    }
    ::close(fd);
    print.checksum = sum;
    return print;
}

std::uint64_t Journal::planeBytes() const
{
    const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * 24 + 31) >> 3) & ~std::uint64_t{3};
    return stride * static_cast<std::uint64_t>(height);
}

std::string formatJournal(const Journal& journal)
{
    std::string text(kJournalHeading);
    text += "\nphoto " + hexOf(journal.photoPath);
    text += "\noriginal "
            + (journal.original ? std::to_string(journal.original->bytes) + ' ' + hexNumber(journal.original->checksum)
                                : std::string("-"));
    text += "\nsize " + std::to_string(journal.width) + ' ' + std::to_string(journal.height);
    text += "\nmodified " + std::string(journal.modified ? "1" : "0");
    text += "\ncursor " + std::to_string(journal.cursor);
    text += "\nsnapshots " + std::to_string(journal.snapshots.size());
    for (const SnapshotRecord& record : journal.snapshots) {
        text += '\n' + (record.slot == kNoSlot ? std::string("-") : std::to_string(record.slot)) + ' '
                + hexNumber(record.checksum);
    }
    text += "\nend\n";
    return text;
}

std::optional<JournalPrefix> parseJournalPrefix(std::string_view text)
{
    JournalPrefix prefix;
    Journal& journal = prefix.journal;
    if (takeLine(text) != kJournalHeading) {
        return std::nullopt;
    }
    const auto photo = valueOf(takeLine(text), "photo");
    const auto original = valueOf(takeLine(text), "original");
    const auto size = valueOf(takeLine(text), "size");
    const auto modified = valueOf(takeLine(text), "modified");
    const auto cursor = valueOf(takeLine(text), "cursor");
    const auto count = valueOf(takeLine(text), "snapshots");
    if (!photo || !original || !size || !modified || !cursor || !count) {
        return std::nullopt;
    }
    const auto path = bytesOfHex(*photo);
    const std::size_t space = size->find(' ');
    if (!path || space == std::string_view::npos) {
        return std::nullopt;
    }
    if (*original != "-") {
        const std::size_t gap = original->find(' ');
        const auto bytes = numberOf<std::uint64_t>(original->substr(0, gap));
        const auto sum = gap == std::string_view::npos ? std::nullopt
                                                        : numberOf<std::uint64_t>(original->substr(gap + 1), 16);
        if (!bytes || !sum) {
            return std::nullopt;
        }
        journal.original = FileFingerprint{*bytes, *sum};
    }
    const auto width = numberOf<std::int32_t>(size->substr(0, space));
    const auto height = numberOf<std::int32_t>(size->substr(space + 1));
    const auto position = numberOf<std::int32_t>(*cursor);
    const auto snapshots = numberOf<std::size_t>(*count);
    if (!width || !height || !position || !snapshots || (*modified != "0" && *modified != "1")) {
        return std::nullopt;
    }
    if (*width < 1 || *height < 1 || std::int64_t{*width} * *height > kMaxPixels || *snapshots < 1
        || *snapshots > kMaxSnapshots || *position < 0 || static_cast<std::size_t>(*position) >= *snapshots) {
        return std::nullopt;
    }
    journal.photoPath = *path;
    journal.width = *width;
    journal.height = *height;
    journal.modified = *modified == "1";
    journal.cursor = *position;
    prefix.namedSnapshots = *snapshots;
    std::set<std::uint32_t> slotsSeen;
    for (std::size_t i = 0; i < *snapshots; ++i) {
        const auto line = takeLine(text);
        const std::size_t gap = line ? line->find(' ') : std::string_view::npos;
        if (gap == std::string_view::npos) {
            break;
        }
        const std::string_view slotText = line->substr(0, gap);
        const auto slot = slotText == "-" ? std::optional(kNoSlot) : numberOf<std::uint32_t>(slotText);
        const auto sum = numberOf<std::uint64_t>(line->substr(gap + 1), 16);
        if (!slot || !sum || (*slot != kNoSlot && (*slot >= kMaxSlot || !slotsSeen.insert(*slot).second))) {
            break;
        }
        journal.snapshots.push_back({*slot, *sum});
    }
    prefix.whole = journal.snapshots.size() == *snapshots && takeLine(text) == "end" && text.empty();
    if (!journal.snapshots.empty()) {
        journal.cursor = std::min(journal.cursor, static_cast<std::int32_t>(journal.snapshots.size()) - 1);
    }
    return prefix;
}

std::optional<Journal> parseJournal(std::string_view text)
{
    std::optional<JournalPrefix> prefix = parseJournalPrefix(text);
    if (!prefix || !prefix->whole) {
        return std::nullopt;
    }
    return std::move(prefix->journal);
}

SessionFiles::SessionFiles(std::filesystem::path journalPath, std::filesystem::path historyPath, int historyFd)
    : journalPath_(std::move(journalPath)), historyPath_(std::move(historyPath)), historyFd_(historyFd)
{
}

SessionFiles::~SessionFiles() { ::close(historyFd_); }

std::unique_ptr<SessionFiles> SessionFiles::create(const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder, error)) {
        return nullptr;
    }
    // The folder holds only this user's sessions.
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, error);
    const std::string name = freshSessionName();
    std::filesystem::path historyPath = folder / (name + std::string(kHistorySuffix));
    const int fd = ::open(historyPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        ::unlink(historyPath.c_str());
        return nullptr;
    }
    return std::unique_ptr<SessionFiles>(
        new SessionFiles(folder / (name + std::string(kJournalSuffix)), std::move(historyPath), fd));
}

std::unique_ptr<SessionFiles> SessionFiles::adopt(const std::filesystem::path& journalPath)
{
    std::filesystem::path historyPath = journalPath;
    historyPath.replace_extension(std::string(kHistorySuffix));
    const int fd = ::open(historyPath.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<SessionFiles>(new SessionFiles(journalPath, std::move(historyPath), fd));
}

bool SessionFiles::writeSlot(std::uint32_t slot, std::span<const std::uint8_t> plane)
{
    const std::uint64_t previousBytes = historyFileBytes();
    const auto offset = static_cast<off_t>(std::uint64_t{slot} * plane.size());
    if (writeAll(historyFd_, plane, offset) && flushToDisk(historyFd_)) {
        return true;
    }
    if (previousBytes < std::uint64_t{slot} * plane.size() + plane.size()) {
        // Give the space of the partial slot back; the slots before it are untouched.
        [[maybe_unused]] const int ignored = ::ftruncate(historyFd_, static_cast<off_t>(previousBytes));
    }
    return false;
}

bool SessionFiles::readSlot(std::uint32_t slot, std::span<std::uint8_t> out) const
{
    auto offset = static_cast<off_t>(std::uint64_t{slot} * out.size());
    while (!out.empty()) {
        const ssize_t got = ::pread(historyFd_, out.data(), out.size(), offset);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        out = out.subspan(static_cast<std::size_t>(got));
        offset += got;
    }
    return true;
}

std::uint64_t SessionFiles::historyFileBytes() const
{
    struct stat status {};
    return ::fstat(historyFd_, &status) == 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
}

bool SessionFiles::writeJournal(const Journal& journal)
{
    const std::string text = formatJournal(journal);
    std::filesystem::path temporary = journalPath_;
    temporary += ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return false;
    }
    const bool written =
        writeAll(fd, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), 0)
        && flushToDisk(fd);
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), journalPath_.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    // The rename itself reaches the disk with the folder.
    const int folderFd = ::open(folder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return true;
}

std::optional<std::string> SessionFiles::readJournalText() const
{
    const int fd = ::open(journalPath_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 || text.size() + static_cast<std::size_t>(got) > kMaxJournalBytes) {
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return text;
}

void SessionFiles::remove()
{
    std::filesystem::path temporary = journalPath_;
    temporary += ".tmp";
    ::unlink(journalPath_.c_str());
    ::unlink(temporary.c_str());
    ::unlink(historyPath_.c_str());
}

} // namespace session
