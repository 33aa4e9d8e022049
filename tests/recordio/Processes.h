#pragma once
// Other processes for the layer's tests: this test program started again with
// "--child <role> <arguments>", waited for or killed; a folder of its own per
// test; the little records the children write. No Qt: it builds for Windows
// as well.
#include "platform/recordio/RecordFile.h"
#include "platform/recordio/SharedFile.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace karuvel::test {

// A test record: who wrote it, its number, and a check of both, 16 bytes.
constexpr int64_t kTestRecord = 16;
std::string testRecord(uint32_t writer, uint32_t number);
// Whether the bytes are whole test records that all check out.
bool wellFormed(const std::string& bytes);
// The (writer, number) pairs of the records, in file order.
std::vector<std::pair<uint32_t, uint32_t>> recordsOf(const std::string& bytes);

// A folder that is deleted with the object.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::string readWhole(const std::filesystem::path& path);
void writeWhole(const std::filesystem::path& path, const std::string& bytes);
// The file's contents read as a reader of the program does: under the shared
// lock, with an interrupted rewrite finished first.
std::string readShared(const std::filesystem::path& path);
void sleepMs(int ms);

class Child {
public:
    // Starts this program with --child and the arguments.
    explicit Child(const std::vector<std::string>& arguments);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    bool started() const { return started_; }
    // Waits for the end; its exit code.
    int wait();
    // Ends it at once, wherever it is.
    void kill();

private:
    bool started_ = false;
    bool ended_ = false;
    int code_ = -1;
#ifdef _WIN32
    void* process_ = nullptr;
#else
    int pid_ = -1;
#endif
};

// The edit the "die" children make: the records in the opposite order, the
// one that was first left out (as a teacher deletes a run).
std::string editedForTest(const std::string& bytes);

// The program's own path, for the children (set by main).
void setProgramPath(const char* argv0);

// Runs a child role; its exit code.
int runChild(int argc, char** argv);

} // namespace karuvel::test
