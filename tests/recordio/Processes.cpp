#include "Processes.h"

#include "FaultyRecordIo.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace karuvel::test {

namespace {

std::string programPath;

uint64_t checkOf(uint32_t writer, uint32_t number)
{
    uint64_t h = 1469598103934665603ull ^ (uint64_t(writer) << 32 | number);
    h *= 1099511628211ull;
    return h ^ (h >> 29);
}

void put32(char* p, uint32_t v) { std::memcpy(p, &v, 4); }
void put64(char* p, uint64_t v) { std::memcpy(p, &v, 8); }

} // namespace

std::string testRecord(uint32_t writer, uint32_t number)
{
    std::string r(kTestRecord, '\0');
    put32(r.data(), writer);
    put32(r.data() + 4, number);
    put64(r.data() + 8, checkOf(writer, number));
    return r;
}

std::vector<std::pair<uint32_t, uint32_t>> recordsOf(const std::string& bytes)
{
    std::vector<std::pair<uint32_t, uint32_t>> out;
    for (size_t at = 0; at + kTestRecord <= bytes.size(); at += kTestRecord) {
        uint32_t w, n;
        std::memcpy(&w, bytes.data() + at, 4);
        std::memcpy(&n, bytes.data() + at + 4, 4);
        out.emplace_back(w, n);
    }
    return out;
}

bool wellFormed(const std::string& bytes)
{
    if (bytes.size() % kTestRecord != 0) return false;
    for (size_t at = 0; at < bytes.size(); at += kTestRecord) {
        uint32_t w, n;
        uint64_t c;
        std::memcpy(&w, bytes.data() + at, 4);
        std::memcpy(&n, bytes.data() + at + 4, 4);
        std::memcpy(&c, bytes.data() + at + 8, 8);
        if (c != checkOf(w, n)) return false;
    }
    return true;
}

ScratchFolder::ScratchFolder()
{
    std::random_device device;
    char name[40];
    std::snprintf(name, sizeof name, "karuvel-recordio-%08x%08x", unsigned(device()), unsigned(device()));
    path_ = std::filesystem::temp_directory_path() / name;
    std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string readWhole(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeWhole(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

std::string readShared(const std::filesystem::path& path)
{
    RecordFile f;
    if (!f.open(path, RecordFile::Mode::Read)) return "<cannot open: " + f.errorText() + ">";
    if (lockForReading(f, true) != LockResult::Locked) return "<cannot lock: " + f.errorText() + ">";
    FileTail tail;
    if (!readTail(f, 0, &tail)) return "<cannot read: " + f.errorText() + ">";
    return std::string(tail.bytes.begin(), tail.bytes.end());
}

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void setProgramPath(const char* argv0)
{
#ifdef _WIN32
    (void)argv0;
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    programPath = std::filesystem::path(self).string();
#else
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    programPath = n > 0 ? std::string(self, size_t(n)) : std::string(argv0);
#endif
}

Child::Child(const std::vector<std::string>& arguments)
{
#ifdef _WIN32
    std::wstring line = L"\"" + std::filesystem::path(programPath).wstring() + L"\" --child";
    for (const std::string& a : arguments) line += L" \"" + std::filesystem::path(a).wstring() + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    started_ = CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    if (started_) {
        CloseHandle(pi.hThread);
        process_ = pi.hProcess;
    }
#else
    std::vector<std::string> all{programPath, "--child"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    started_ = ::posix_spawn(&pid, programPath.c_str(), nullptr, nullptr, argv.data(), environ) == 0;
    pid_ = pid;
#endif
}

Child::~Child()
{
    if (started_ && !ended_) {
        kill();
        wait();
    }
#ifdef _WIN32
    if (process_) CloseHandle(process_);
#endif
}

int Child::wait()
{
    if (!started_) return -1;
    if (ended_) return code_;
#ifdef _WIN32
    WaitForSingleObject(process_, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    code_ = int(code);
#else
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
#endif
    ended_ = true;
    return code_;
}

void Child::kill()
{
    if (!started_ || ended_) return;
#ifdef _WIN32
    TerminateProcess(process_, 137);
#else
    ::kill(pid_, SIGKILL);
#endif
}

namespace {

LockWaiting realWaiting()
{
    LockWaiting w;
    w.limitMs = 120000;
    w.pollMs = 2;
    w.wait = [](int ms) { sleepMs(ms); };
    return w;
}

Replacement strategyOf(const std::string& name)
{
    return name == "inplace" ? Replacement::InPlace : Replacement::Rename;
}

bool readLocked(RecordFile& f, std::string* out)
{
    FileTail tail;
    if (!readTail(f, 0, &tail)) return false;
    out->assign(tail.bytes.begin(), tail.bytes.end());
    out->resize(out->size() / kTestRecord * kTestRecord);
    return true;
}

// The rewrite the children make: the records in the opposite order, the one
// that was first left out (as a teacher deletes a run).
std::string edited(const std::string& bytes)
{
    std::string out;
    for (size_t at = bytes.size(); at >= size_t(2 * kTestRecord); at -= kTestRecord)
        out.append(bytes, at - kTestRecord, kTestRecord);
    return out;
}

// append <file> <writer> <count>: count records, each under its own lock.
int childAppend(const std::filesystem::path& file, uint32_t writer, uint32_t count)
{
    for (uint32_t n = 0; n < count; ++n) {
        RecordFile f;
        if (lockForWriting(f, file, realWaiting()) != WriteLock::Locked) return 10;
        const std::string r = testRecord(writer, n);
        if (!appendRecord(f, r.data(), kTestRecord)) return 11;
        f.close();
    }
    return 0;
}

// rewrite <file> <strategy> <count>: count rewrites that keep every record
// and move all of them (the order reversed), as fast as they come.
int childRewrite(const std::filesystem::path& file, Replacement strategy, int count)
{
    setReplacement(strategy);
    for (int i = 0; i < count; ++i) {
        RecordFile f;
        if (lockForWriting(f, file, realWaiting()) != WriteLock::Locked) return 20;
        std::string bytes;
        if (!readLocked(f, &bytes)) return 21;
        std::string reversed;
        for (size_t at = bytes.size(); at >= size_t(kTestRecord); at -= kTestRecord)
            reversed.append(bytes, at - kTestRecord, kTestRecord);
        FileFailure failure;
        if (!replaceContents(f, reversed.data(), int64_t(reversed.size()), &failure)) return 22;
        sleepMs(1);
    }
    return 0;
}

// hold <file> <signal folder>: holds the exclusive lock until the file
// "release" appears in the folder (at most a minute); "held" tells it has it.
int childHold(const std::filesystem::path& file, const std::filesystem::path& signals)
{
    RecordFile f;
    if (lockForWriting(f, file, realWaiting()) != WriteLock::Locked) return 30;
    writeWhole(signals / "held", "1");
    for (int i = 0; i < 6000 && !std::filesystem::exists(signals / "release"); ++i) sleepMs(10);
    return 0;
}

// die <file> <strategy> <n> <halfway>: the edit of the whole file, dying just
// before the n-th change the rewrite makes. 0 when it got through.
int childDie(const std::filesystem::path& file, Replacement strategy, int n, bool halfway)
{
    setReplacement(strategy);
    RecordFile f;
    if (lockForWriting(f, file, realWaiting()) != WriteLock::Locked) return 40;
    std::string bytes;
    if (!readLocked(f, &bytes)) return 41;
    const std::string next = edited(bytes);
    FaultyRecordIo faulty;
    faulty.dieAtChange = n;
    faulty.dieHalfWay = halfway;
    RecordIoInstalled installed(faulty);
    FileFailure failure;
    return replaceContents(f, next.data(), int64_t(next.size()), &failure) ? 0 : 42;
}

// flip <file> <strategy>: rewrites the file for ever, each time into the
// edit of what is there (until killed).
int childFlip(const std::filesystem::path& file, Replacement strategy, const std::filesystem::path& signals)
{
    setReplacement(strategy);
    for (int i = 0;; ++i) {
        RecordFile f;
        if (lockForWriting(f, file, realWaiting()) != WriteLock::Locked) return 50;
        std::string bytes;
        if (!readLocked(f, &bytes)) return 51;
        std::string reversed;
        for (size_t at = bytes.size(); at >= size_t(kTestRecord); at -= kTestRecord)
            reversed.append(bytes, at - kTestRecord, kTestRecord);
        FileFailure failure;
        if (!replaceContents(f, reversed.data(), int64_t(reversed.size()), &failure)) return 52;
        if (i == 0) writeWhole(signals / "flipping", "1");
    }
}

} // namespace

std::string editedForTest(const std::string& bytes) { return edited(bytes); }

int runChild(int argc, char** argv)
{
    if (argc < 4) return 2;
    const std::string role = argv[2];
    const std::filesystem::path file = argv[3];
    if (role == "append" && argc == 6) return childAppend(file, uint32_t(std::atoi(argv[4])), uint32_t(std::atoi(argv[5])));
    if (role == "rewrite" && argc == 6) return childRewrite(file, strategyOf(argv[4]), std::atoi(argv[5]));
    if (role == "hold" && argc == 5) return childHold(file, argv[4]);
    if (role == "die" && argc == 7)
        return childDie(file, strategyOf(argv[4]), std::atoi(argv[5]), std::string(argv[6]) == "1");
    if (role == "flip" && argc == 6) return childFlip(file, strategyOf(argv[4]), argv[5]);
    return 2;
}

} // namespace karuvel::test
