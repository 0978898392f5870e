#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// A fresh temporary folder, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // The folder's path, without a trailing separator.
    const std::string& path() const { return path_; }
    // path() + "/" + relative.
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

private:
    std::string path_;
};

// Writes bytes to a file, making its folders; throws std::runtime_error on failure.
void writeFile(const std::string& path, const std::string& bytes);
// The bytes of a file; throws std::runtime_error when it cannot be read.
std::string readFile(const std::string& path);
// Whether a file (or folder) exists.
bool exists(const std::string& path);
// Sets the last-write (and access) time, seconds since 1970-01-01 UTC; throws on failure.
void setMtime(const std::string& path, std::int64_t seconds);
// The last-write time; -1 when the file is missing.
std::int64_t mtime(const std::string& path);
// The names in a folder (no "." and ".."), sorted; empty when it cannot be read.
std::vector<std::string> listDir(const std::string& path);
// Seconds since 1970-01-01 UTC of a local date and time.
std::int64_t localTime(int year, int month, int day, int hour = 12, int minute = 0, int second = 0);

// What a program run printed and how it ended.
struct RunResult {
    int exitCode; // the exit status; 128 + signal number when killed by a signal; -1 when not started
    std::string out;
    std::string err;
    long maxRssKb = 0;  // the program's peak resident memory
    double seconds = 0; // wall-clock time of the run
};
// Runs a program (argv[0] is its path) without a shell, stdin from /dev/null, and collects its
// output; extraEnv entries ("NAME=value") are added to the environment.
RunResult runProgram(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {});

// Wide text of UTF-8 and back.
std::wstring W(const std::string& utf8);
std::string U(const std::wstring& wide);

// The prefix followed by the number ("r12"). Built this way because g++ 12 warns, wrongly, about
// "r" + std::to_string(n) in an optimised build.
std::string numbered(char prefix, long long n);

} // namespace testsupport
