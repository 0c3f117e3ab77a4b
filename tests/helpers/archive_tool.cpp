// Drives TQlryCompress from the command line for the host-side archive checks:
//   archive_tool compress ARCHIVE [-append] [-uid N] FILE...
//   archive_tool extract ARCHIVE DESTDIR [ENTRY...]     (every member when none is given)
//   archive_tool spread ARCHIVE DESTDIR NAME
// Exits 0 on success; otherwise prints "Class: message" and exits 1.
#include <cstdio>
#include <string>
#include <vector>

#include "archive/cmp_TQlryCompress.h"
#include "platform/SysUtils.h"

using namespace qlry;

namespace {

int Compress(const std::vector<std::string>& args) {
    TQlryCompress compress(nullptr);
    compress.SetCompressedFile(ExpandFileName(args.at(0)));
    bool append = false;
    int uniqueID = 0;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "-append") append = true;
        else if (args[i] == "-uid") uniqueID = StrToInt(args.at(++i));
        else compress.FilesToProcess()->Add(ExpandFileName(args[i]));
    }
    compress.Compress(append, uniqueID);
    return 0;
}

int Extract(const std::vector<std::string>& args) {
    TQlryCompress compress(nullptr);
    compress.SetCompressedFile(ExpandFileName(args.at(0)));
    compress.SetExtractDirectory(ExpandFileName(args.at(1)));
    if (args.size() > 2) {
        for (std::size_t i = 2; i < args.size(); ++i) compress.FilesToProcess()->Add(args[i]);
    } else {
        for (int i = 0; i < compress.FileCount(); ++i)
            compress.FilesToProcess()->Add(compress.Headers().FileHeaders(i)->FileName());
    }
    compress.Extract();
    return 0;
}

int Spread(const std::vector<std::string>& args) {
    TQlryCompress compress(nullptr);
    compress.SetCompressedFile(ExpandFileName(args.at(0)));
    compress.SpreadToDisks(ExpandFileName(args.at(1)), args.at(2));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return 2;
    std::string command = args.front();
    args.erase(args.begin());
    try {
        if (command == "compress") return Compress(args);
        if (command == "extract") return Extract(args);
        if (command == "spread") return Spread(args);
        std::fprintf(stderr, "unknown command %s\n", command.c_str());
        return 2;
    } catch (const Exception& error) {
        std::fprintf(stderr, "%s: %s\n", error.ClassName().c_str(), error.Message().c_str());
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "std::exception: %s\n", error.what());
        return 1;
    }
}
