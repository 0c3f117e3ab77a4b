#pragma once
// What several suites need: paths beside the test program, scratch directories, and
// starting helper programs.
#include <exception>
#include <string>
#include <vector>

#include "platform/Strings.h"

namespace qlry::test {

// The directory of the running test executable, with a trailing backslash.
std::string ProgramDir();

// A fresh empty directory under the temporary directory, removed with its contents on
// destruction.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& Path() const { return path_; }   // no trailing backslash
    std::string File(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// Removes a directory with everything in it.
void RemoveTree(const std::string& directory);

void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
bool FileExistsOnDisk(const std::string& path);

// The lines of a string list, for comparing with a vector.
inline std::vector<std::string> Lines(const TStrings& strings) {
    std::vector<std::string> lines;
    for (int i = 0; i < strings.Count(); ++i) lines.push_back(strings[i]);
    return lines;
}

// The message of the E that Body raises; "<no exception>" when it raises nothing, and
// a note of any other exception.
template <class E, class Body>
std::string MessageOf(Body&& body) {
    try {
        body();
    } catch (const E& error) {
        return error.Message();
    } catch (const std::exception& other) {
        return std::string("unexpected exception: ") + other.what();
    }
    return "<no exception>";
}

// Starts CommandLine, waits for it and returns its exit code (-1 when it cannot start).
int RunProcess(const std::string& commandLine, unsigned timeoutMs = 60000);

} // namespace qlry::test
