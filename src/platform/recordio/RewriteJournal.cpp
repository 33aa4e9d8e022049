#include "platform/recordio/RewriteJournal.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <random>

namespace karuvel {

namespace {

// The journal: this magic; the new contents' length and checksum; the file's
// volume and number; the old contents' length and checksum; the stamp; the
// number of old blocks; a checksum of all of the header before it and of the
// block checksums; then the old blocks' checksums (8 bytes each) and the new
// contents. Numbers are little-endian, 8 bytes each.
constexpr char kMagic[16] = {'K', 'a', 'r', 'u', 'v', 'e', 'l', ' ', 'r', 'e', 'w', 'r', 'i', 't', 'e', '2'};
// The journal of the program before journals named their file: length and
// checksum, then the contents. Never applied (it cannot tell what it is for).
constexpr char kMagicBefore[16] = {'K', 'a', 'r', 'u', 'v', 'e', 'l', ' ', 'r', 'e', 'w', 'r', 'i', 't', 'e', '\n'};
constexpr int64_t kHeader = 96;
constexpr int64_t kHeaderBefore = 32;
constexpr int64_t kBlock = 4096;

uint64_t checksum(const char* p, int64_t n, uint64_t h = 1469598103934665603ull)
{
    for (int64_t i = 0; i < n; ++i) {  // FNV-1a, 64 bits
        h ^= uint8_t(p[i]);
        h *= 1099511628211ull;
    }
    return h;
}

void put64(char* p, uint64_t v)
{
    for (int i = 0; i < 8; ++i) p[i] = char((v >> (8 * i)) & 0xff);
}
uint64_t get64(const char* p)
{
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= uint64_t(uint8_t(p[i])) << (8 * i);
    return v;
}

FileFailure failureAt(const RecordFile& f)
{
    return FileFailure{f.errorNumber(), f.errorText(), f.path()};
}

// Reads length bytes at offset whole; false on a failure or a short read.
bool readExactly(RecordFile& f, int64_t offset, char* buffer, int64_t length)
{
    int64_t got = 0;
    if (length == 0) return true;
    if (!f.readAt(offset, buffer, length, &got)) return false;
    return got == length;
}

std::mutex setAsideMutex;
std::vector<std::filesystem::path>& setAsideList()
{
    static std::vector<std::filesystem::path> list;
    return list;
}

} // namespace

std::filesystem::path stampPath(const std::filesystem::path& file)
{
    std::filesystem::path p = file;
    p += ".stamp";
    return p;
}

int readStamp(const std::filesystem::path& file, std::string* out)
{
    out->clear();
    RecordFile f;
    if (!f.open(stampPath(file), RecordFile::Mode::Read))
        return f.errorKind() == FileErrorKind::NotFound ? 0 : f.errorNumber();
    char bytes[kStampBytes];
    int64_t got = 0;
    if (!f.readAt(0, bytes, kStampBytes, &got)) return f.errorNumber() ? f.errorNumber() : systemErrors().io;
    out->assign(bytes, size_t(got));
    return 0;
}

std::string freshStamp()
{
    static std::mutex m;
    static std::mt19937_64 random = [] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device()};
        return std::mt19937_64(seed);
    }();
    uint64_t v;
    {
        std::lock_guard<std::mutex> lock(m);
        v = random() | 1;
    }
    char text[kStampBytes + 1];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
    return std::string(text, kStampBytes);
}

bool writeStamp(const std::filesystem::path& file, const std::string& stamp, FileFailure* failure)
{
    RecordFile f;
    if (!f.open(stampPath(file), RecordFile::Mode::ReadWriteCreate) ||
        !f.writeAt(0, stamp.data(), int64_t(stamp.size()))) {
        *failure = failureAt(f);
        return false;
    }
    return true;
}

std::vector<std::filesystem::path> takeSetAsideJournals()
{
    std::lock_guard<std::mutex> lock(setAsideMutex);
    std::vector<std::filesystem::path> out;
    out.swap(setAsideList());
    return out;
}

namespace journal {

bool describe(RecordFile& locked, const std::string& stamp, Intent* out, FileFailure* failure)
{
    out->stamp = stamp;
    out->oldBlocks.clear();
    const int64_t length = locked.size();
    if (length < 0 || !locked.identity(&out->identity)) {
        *failure = failureAt(locked);
        return false;
    }
    out->oldLength = length;
    std::vector<char> buffer(size_t(std::min<int64_t>(length, 256 * kBlock)));
    uint64_t whole = checksum(nullptr, 0);
    for (int64_t at = 0; at < length;) {
        const int64_t n = std::min<int64_t>(length - at, int64_t(buffer.size()));
        if (!readExactly(locked, at, buffer.data(), n)) {
            *failure = failureAt(locked);
            if (failure->number == 0) *failure = FileFailure{systemErrors().io, recordIo().errorText(systemErrors().io), locked.path()};
            return false;
        }
        whole = checksum(buffer.data(), n, whole);
        for (int64_t b = 0; b < n; b += kBlock) out->oldBlocks.push_back(checksum(buffer.data() + b, std::min(kBlock, n - b)));
        at += n;
    }
    out->oldSum = whole;
    return true;
}

bool write(RecordFile& journal, const std::filesystem::path& at, const Intent& intent, const char* bytes,
           int64_t length, FileFailure* failure)
{
    if (!journal.open(at, RecordFile::Mode::CreateFresh)) {
        *failure = failureAt(journal);
        return false;
    }
    // Those who may finish it are those who may use the file.
    journal.copyAccessFrom(at.parent_path() / at.stem());
    const int64_t blocks = int64_t(intent.oldBlocks.size());
    std::vector<char> head(size_t(kHeader + 8 * blocks));
    char* h = head.data();
    std::memcpy(h, kMagic, 16);
    put64(h + 16, uint64_t(length));
    put64(h + 24, checksum(bytes, length));
    put64(h + 32, intent.identity.volume);
    put64(h + 40, intent.identity.file);
    put64(h + 48, uint64_t(intent.oldLength));
    put64(h + 56, intent.oldSum);
    std::memset(h + 64, 0, 16);
    std::memcpy(h + 64, intent.stamp.data(), std::min<size_t>(16, intent.stamp.size()));
    put64(h + 80, uint64_t(blocks));
    for (int64_t i = 0; i < blocks; ++i) put64(h + kHeader + 8 * i, intent.oldBlocks[size_t(i)]);
    put64(h + 88, checksum(h + kHeader, 8 * blocks, checksum(h, 88)));
    // The contents and the block checksums first, the header's first bytes
    // (its magic) last: a journal cut short anywhere reads as incomplete.
    if (!journal.writeAt(kHeader + 8 * blocks, bytes, length) ||
        !journal.writeAt(16, h + 16, int64_t(head.size()) - 16) || !journal.flush() ||
        !journal.writeAt(0, h, 16) || !journal.flush()) {
        *failure = failureAt(journal);
        return false;
    }
    return true;
}

namespace {

// Whether the file's bytes cur are what an interrupted rewrite from the old
// contents (described by the header h and the block checksums) to fresh can
// have left: the old contents with the new ones written over them from the
// start up to some point (the file growing meanwhile when the new contents
// are longer), or the new contents whole. The block in which the new bytes
// end cannot be checked; every block after it must be the old one.
bool leftByThisRewrite(const std::vector<char>& cur, const std::vector<char>& fresh, int64_t oldLength,
                       const char* blockSums, int64_t blocks)
{
    const int64_t length = int64_t(cur.size()), newLength = int64_t(fresh.size());
    if (length == newLength && std::equal(cur.begin(), cur.end(), fresh.begin())) return true;
    if (!(length == oldLength || (oldLength < length && length <= newLength))) return false;
    const int64_t common = std::min(length, newLength);
    int64_t k = 0;
    while (k < common && cur[size_t(k)] == fresh[size_t(k)]) ++k;
    for (int64_t b = (k / kBlock + 1) * kBlock; b < length; b += kBlock) {
        const int64_t end = std::min(b + kBlock, length);
        if (end > oldLength || b / kBlock >= blocks) return false;
        if (checksum(cur.data() + b, end - b) != get64(blockSums + 8 * (b / kBlock))) return false;
    }
    return true;
}

} // namespace

Verdict judge(RecordFile& journal, RecordFile& locked, std::vector<char>* contents, FileFailure* failure)
{
    const int64_t size = journal.size();
    if (size < 0) {
        *failure = failureAt(journal);
        return Verdict::Unreadable;
    }
    if (size < 16) return Verdict::Incomplete;
    char magic[16];
    if (!readExactly(journal, 0, magic, 16)) {
        *failure = failureAt(journal);
        return Verdict::Unreadable;
    }
    if (std::memcmp(magic, kMagicBefore, 16) == 0) {
        // An older program's journal: complete or not, it is not applied.
        if (size < kHeaderBefore) return Verdict::Incomplete;
        char h[kHeaderBefore];
        if (!readExactly(journal, 0, h, kHeaderBefore)) {
            *failure = failureAt(journal);
            return Verdict::Unreadable;
        }
        return get64(h + 16) == uint64_t(size - kHeaderBefore) ? Verdict::SetAside : Verdict::Incomplete;
    }
    if (std::memcmp(magic, kMagic, 16) != 0 || size < kHeader) return Verdict::Incomplete;
    char h[kHeader];
    if (!readExactly(journal, 0, h, kHeader)) {
        *failure = failureAt(journal);
        return Verdict::Unreadable;
    }
    const uint64_t newLength = get64(h + 16), blocks = get64(h + 80);
    if (blocks > uint64_t(size) / 8 || newLength > uint64_t(size) ||
        uint64_t(kHeader) + 8 * blocks + newLength != uint64_t(size))
        return Verdict::Incomplete;
    std::vector<char> sums(size_t(8 * blocks));
    if (!readExactly(journal, kHeader, sums.data(), int64_t(sums.size()))) {
        *failure = failureAt(journal);
        return Verdict::Unreadable;
    }
    if (checksum(sums.data(), int64_t(sums.size()), checksum(h, 88)) != get64(h + 88)) return Verdict::Incomplete;
    contents->resize(size_t(newLength));
    if (!readExactly(journal, kHeader + int64_t(sums.size()), contents->data(), int64_t(newLength))) {
        *failure = failureAt(journal);
        return Verdict::Unreadable;
    }
    if (checksum(contents->data(), int64_t(newLength)) != get64(h + 24)) return Verdict::Incomplete;

    // Complete. Made for this file?
    FileIdentity identity;
    if (!locked.identity(&identity)) {
        *failure = failureAt(locked);
        return Verdict::Unreadable;
    }
    if (identity.volume != get64(h + 32) || identity.file != get64(h + 40)) return Verdict::SetAside;
    // Its rewrite began here, and none came after it?
    std::string stamp;
    if (const int e = readStamp(locked.path(), &stamp)) {
        *failure = FileFailure{e, recordIo().errorText(e), stampPath(locked.path())};
        return Verdict::Unreadable;
    }
    if (stamp.size() != kStampBytes || std::memcmp(stamp.data(), h + 64, kStampBytes) != 0) return Verdict::SetAside;
    // And the file holds what that rewrite can have left?
    const int64_t length = locked.size();
    if (length < 0) {
        *failure = failureAt(locked);
        return Verdict::Unreadable;
    }
    std::vector<char> cur(static_cast<size_t>(length));
    if (!readExactly(locked, 0, cur.data(), length)) {
        *failure = failureAt(locked);
        if (failure->number == 0) failure->number = systemErrors().io;
        return Verdict::Unreadable;
    }
    return leftByThisRewrite(cur, *contents, int64_t(get64(h + 48)), sums.data(), int64_t(blocks)) ? Verdict::Apply
                                                                                                    : Verdict::SetAside;
}

bool setAside(const std::filesystem::path& at, FileFailure* failure)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char when[32];
    std::strftime(when, sizeof when, "%Y%m%d-%H%M%S", &local);
    for (int n = 0; n < 100; ++n) {
        std::filesystem::path to = at;
        to += u8".未適用-";
        to += when;
        if (n > 0) to += "-" + std::to_string(n);
        FileIdentity any;
        if (recordIo().identityAt(to, &any) == 0) continue;  // taken: the next number
        if (const int e = recordIo().rename(at, to)) {
            *failure = FileFailure{e, recordIo().errorText(e), at};
            return false;
        }
        recordIo().flushFolder(at.parent_path());
        std::lock_guard<std::mutex> lock(setAsideMutex);
        setAsideList().push_back(to);
        return true;
    }
    *failure = FileFailure{systemErrors().io, recordIo().errorText(systemErrors().io), at};
    return false;
}

} // namespace journal

} // namespace karuvel
