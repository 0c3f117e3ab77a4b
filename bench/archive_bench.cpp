// Throughput of TQlryCompress against raw zlib on the same files.
//   archive_bench [MEGABYTES]      (default 100)
// Makes a mixed payload (text, random and structured binary files of several sizes) in the
// temporary directory, then times each side in turns with the reference (compressing twice,
// extracting seven times) and keeps the best run:
//   Compress  - TQlryCompress.Compress at colMax      vs  read + deflate level 9 + write
//   Extract   - TQlryCompress.Extract of every member vs  read + inflate + write
// and prints MB/s (of uncompressed bytes), the ratios, and the process memory each run
// needed beyond what it had before (zlib's state and the fixed buffers included).
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <zlib.h>

#include "archive/cmp_TQlryCompress.h"
#include "platform/SysUtils.h"

using namespace qlry;

namespace {

struct Payload {
    std::vector<std::string> files;
    int64_t bytes = 0;
};

void WriteWhole(const std::string& path, const std::string& bytes) {
    TFileStream file(path, fmCreate);
    file.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
}

std::string TextFile(std::size_t size, std::mt19937& random) {
    static const char* const words[] = {"install", "archive", "member", "header", "disk", "version",
                                        "directory", "the", "of", "and", "file", "setup", "registry"};
    std::string text;
    text.reserve(size + 64);
    while (text.size() < size) {
        text += words[random() % 13];
        text += (random() % 9 == 0) ? "\r\n" : " ";
        if (random() % 31 == 0) text += std::to_string(random() % 100000);
    }
    text.resize(size);
    return text;
}

std::string RandomFile(std::size_t size, std::mt19937& random) {
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

// Like program code: records from a small alphabet with repeats and noise.
std::string StructuredFile(std::size_t size, std::mt19937& random) {
    std::string bytes;
    bytes.reserve(size);
    std::string record(64, '\0');
    while (bytes.size() < size) {
        for (std::size_t i = 0; i < record.size(); ++i)
            if (random() % 4 == 0) record[i] = static_cast<char>(random() % 24);
        bytes += record;
        if (random() % 5 == 0) bytes += static_cast<char>(random());
    }
    bytes.resize(size);
    return bytes;
}

Payload MakePayload(const std::string& dir, int64_t target) {
    std::mt19937 random(1999);
    Payload payload;
    const std::size_t sizes[] = {4 << 20, 3 << 20, 2 << 20, 1 << 20, 256 << 10, 48 << 10, 3000};
    for (int n = 0; payload.bytes < target; ++n) {
        std::size_t size = sizes[n % 7];
        std::string bytes = n % 3 == 0 ? TextFile(size, random) : n % 3 == 1 ? RandomFile(size, random)
                                                                             : StructuredFile(size, random);
        std::string path = dir + "\\payload" + std::to_string(n) + (n % 3 == 0 ? ".txt" : ".bin");
        WriteWhole(path, bytes);
        payload.files.push_back(path);
        payload.bytes += static_cast<int64_t>(size);
    }
    return payload;
}

// Committed private memory (Wine leaves PrivateUsage at 0; PagefileUsage is the same figure).
SIZE_T PrivateBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

// Seconds of the best of several runs and the largest growth of private memory seen during them.
struct Timing {
    double seconds = 1e30;
    double cpuSeconds = 1e30;  // this process's user and kernel time: less disturbed by a busy machine
    double extraMB = 0;
};

double ProcessCpuSeconds() {
    FILETIME creation, exit, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return ((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

using Run = std::function<void(const std::function<void()>& sample)>;

void MeasureOnce(const Run& run, Timing& timing) {
    SIZE_T before = PrivateBytes(), peak = before;
    auto sample = [&] { peak = std::max(peak, PrivateBytes()); };
    const double cpuStart = ProcessCpuSeconds();
    auto start = std::chrono::steady_clock::now();
    run(sample);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = ProcessCpuSeconds() - cpuStart;
    sample();
    timing.seconds = std::min(timing.seconds, seconds);
    timing.cpuSeconds = std::min(timing.cpuSeconds, cpu);
    timing.extraMB = std::max(timing.extraMB, (peak - before) / 1048576.0);
}

// Ours and the reference take turns, so that a busy machine slows both alike.
void MeasurePair(int rounds, const Run& ours, Timing& ourTiming, const Run& reference, Timing& referenceTiming) {
    for (int round = 0; round < rounds; ++round) {
        MeasureOnce(ours, ourTiming);
        MeasureOnce(reference, referenceTiming);
    }
}

void RawDeflate(const Payload& payload, const std::string& outDir) {
    std::vector<char> in(61440);
    std::vector<Bytef> out(65536);
    for (std::size_t i = 0; i < payload.files.size(); ++i) {
        TFileStream source(payload.files[i], fmOpenRead | fmShareDenyNone);
        TFileStream dest(outDir + "\\raw" + std::to_string(i) + ".z", fmCreate);
        z_stream z{};
        deflateInit(&z, 9);
        int flush = Z_NO_FLUSH;
        do {
            int32_t count = source.Read(in.data(), static_cast<int32_t>(in.size()));
            if (count == 0) flush = Z_FINISH;
            z.next_in = reinterpret_cast<Bytef*>(in.data());
            z.avail_in = static_cast<uInt>(count);
            do {
                z.next_out = out.data();
                z.avail_out = static_cast<uInt>(out.size());
                deflate(&z, flush);
                dest.WriteBuffer(out.data(), static_cast<int32_t>(out.size() - z.avail_out));
            } while (z.avail_out == 0);
        } while (flush != Z_FINISH);
        deflateEnd(&z);
    }
}

void RawInflate(const Payload& payload, const std::string& inDir, const std::string& outDir) {
    std::vector<Bytef> in(65536), out(65536);
    for (std::size_t i = 0; i < payload.files.size(); ++i) {
        TFileStream source(inDir + "\\raw" + std::to_string(i) + ".z", fmOpenRead | fmShareDenyNone);
        TFileStream dest(outDir + "\\raw" + std::to_string(i), fmCreate);
        z_stream z{};
        inflateInit(&z);
        int code = Z_OK;
        while (code != Z_STREAM_END) {
            int32_t count = source.Read(in.data(), static_cast<int32_t>(in.size()));
            if (count == 0) break;
            z.next_in = in.data();
            z.avail_in = static_cast<uInt>(count);
            while (z.avail_in > 0 && code != Z_STREAM_END) {
                z.next_out = out.data();
                z.avail_out = static_cast<uInt>(out.size());
                code = inflate(&z, Z_NO_FLUSH);
                if (code < 0) throw Exception("inflate failed");
                dest.WriteBuffer(out.data(), static_cast<int32_t>(out.size() - z.avail_out));
            }
        }
        inflateEnd(&z);
    }
}

void RemoveFiles(const std::string& dir) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((dir + "\\" + data.cFileName).c_str());
    } while (FindNextFileA(find, &data));
    FindClose(find);
    RemoveDirectoryA(dir.c_str());
}

} // namespace

int main(int argc, char** argv) {
    const int64_t megabytes = argc > 1 ? std::atoi(argv[1]) : 100;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string root = std::string(temp) + "qlry-archive-bench";
    const std::string payloadDir = root + "\\payload", rawDir = root + "\\raw", outDir = root + "\\out";
    for (const std::string& dir : {root, payloadDir, rawDir, outDir}) CreateDirectoryA(dir.c_str(), nullptr);

    try {
        std::printf("making a mixed payload of %lld MB ...\n", static_cast<long long>(megabytes));
        const Payload payload = MakePayload(payloadDir, megabytes << 20);
        const double mb = payload.bytes / 1048576.0;
        const std::string archive = root + "\\bench.arc";

        Timing ourCompress, rawCompress, ourExtract, rawExtract;
        MeasurePair(
            2,
            [&](const std::function<void()>& sample) {
                TQlryCompress compress(nullptr);
                compress.SetCompressedFile(archive);
                for (const std::string& file : payload.files) compress.FilesToProcess()->Add(file);
                compress.OnStatus = [&](TQlryCompress*, const TlzhFileStats&) { sample(); };
                compress.Compress(false, 0);
            },
            ourCompress, [&](const std::function<void()>&) { RawDeflate(payload, rawDir); }, rawCompress);
        MeasurePair(
            7,
            [&](const std::function<void()>& sample) {
                TQlryCompress compress(nullptr);
                compress.SetCompressedFile(archive);
                compress.SetExtractDirectory(outDir);
                for (const std::string& file : payload.files) compress.FilesToProcess()->Add(file);
                // Asking for the memory figures costs a server call under Wine: once per member.
                compress.OnStatus = [&](TQlryCompress*, const TlzhFileStats& stats) {
                    if (stats.Done) sample();
                };
                compress.Extract();
            },
            ourExtract, [&](const std::function<void()>&) { RawInflate(payload, rawDir, outDir); }, rawExtract);

        const double archiveMB = FileSize(archive) / 1048576.0;
        std::printf("payload: %zu files, %.1f MB; archive %.1f MB (%.1f%%)\n", payload.files.size(), mb, archiveMB,
                    archiveMB / mb * 100);
        std::printf("%-34s %8s %8s %9s %9s %9s\n", "", "seconds", "MB/s", "cpu s", "cpu MB/s", "extra MB");
        auto line = [&](const char* what, const Timing& t) {
            std::printf("%-34s %8.2f %8.1f %9.2f %9.1f %9.2f\n", what, t.seconds, mb / t.seconds, t.cpuSeconds,
                        mb / t.cpuSeconds, t.extraMB);
        };
        line("TQlryCompress.Compress (colMax)", ourCompress);
        line("raw zlib deflate level 9", rawCompress);
        line("TQlryCompress.Extract", ourExtract);
        line("raw inflate and write", rawExtract);
        const double compressRatio = rawCompress.seconds / ourCompress.seconds;
        const double extractRatio = rawExtract.seconds / ourExtract.seconds;
        std::printf("Compress throughput / raw deflate: %.2f (target >= 0.90) %s; by cpu time %.2f\n", compressRatio,
                    compressRatio >= 0.9 ? "met" : "MISSED", rawCompress.cpuSeconds / ourCompress.cpuSeconds);
        std::printf("Extract throughput / raw inflate:  %.2f (target >= 0.80) %s; by cpu time %.2f\n", extractRatio,
                    extractRatio >= 0.8 ? "met" : "MISSED", rawExtract.cpuSeconds / ourExtract.cpuSeconds);
        const double extra = std::max(ourCompress.extraMB, ourExtract.extraMB);
        std::printf("memory beyond the buffers: %.2f MB (target < 16) %s\n", extra, extra < 16 ? "met" : "MISSED");
    } catch (const Exception& error) {
        std::printf("failed: %s\n", error.Message().c_str());
        RemoveFiles(payloadDir), RemoveFiles(rawDir), RemoveFiles(outDir);
        return 1;
    }
    for (const std::string& dir : {payloadDir, rawDir, outDir}) RemoveFiles(dir);
    DeleteFileA((root + "\\bench.arc").c_str());
    RemoveDirectoryA(root.c_str());
    return 0;
}
