// bench_update: the update's download and check with the client's own downloadUpdate and
// checkUpdate against the local provider service, beside a minimal WinINet download of the same
// file (the same 1024-byte chunks into a file in TEMP, no check), and the CRC-32 and SHA-256
// throughputs. The service must answer every request with the update file, whose CRC-32 and
// SHA-256 digest are given, and both are checked. One download of
// each kind per round, so a change of load meets both alike:
//   bench_update HTTP_PORT CHECKSUM COUNT SHA256
// One unmeasured round precedes the COUNT measured ones. Output, in ms and MB/s:
//   client median M min A max B runs COUNT
//   wininet median M min A max B runs COUNT
//   crc32 MBPS
//   sha256 MBPS
#include "core/appstate.h"
#include "base/crc32.h"
#include "base/sha256.h"
#include "service/update.h"

#include <windows.h>

#include "bench_timing.h"

#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr const char* kPath = "/dl/Nimbara.exe";

// The client's own steps, as the Update page runs them, without the page.
bool clientDownload(const std::string& location, const char* tempDir) {
    UpdateFiles files;
    UpdateCheck check;
    return downloadUpdate(
               location.c_str(), tempDir, 0, [](uint32_t) {}, &files) ==
               DownloadOutcome::Downloaded &&
           checkUpdate(files, app.updateInfo, &check) && check.matches;
}

bool plainDownload(int port, const std::string& target) {
    HINTERNET internet = InternetOpenA("bench", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    HINTERNET connection = InternetConnectA(internet, "127.0.0.1", static_cast<INTERNET_PORT>(port),
                                            nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request = HttpOpenRequestA(connection, "GET", kPath, nullptr, nullptr, nullptr,
                                         INTERNET_FLAG_NO_CACHE_WRITE, 0);
    HANDLE file = CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = request != nullptr && file != INVALID_HANDLE_VALUE &&
              HttpSendRequestA(request, nullptr, 0, nullptr, 0);
    char chunk[1024];
    DWORD got = 0, written = 0, total = 0;
    while (ok && (ok = InternetReadFile(request, chunk, sizeof chunk, &got)) && got > 0) {
        ok = WriteFile(file, chunk, got, &written, nullptr) && written == got;
        total += got;
    }
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    InternetCloseHandle(request);
    InternetCloseHandle(connection);
    InternetCloseHandle(internet);
    return ok && total > 0;
}

void report(const char* name, std::vector<double>& times, int count) {
    double median = sortedMedian(times);
    std::printf("%s median %.2f min %.2f max %.2f runs %d\n", name, median, times.front(),
                times.back(), count);
}

// In memory, 16 MB at a time, repeated until a second has passed.
template <typename Step> double throughput(Step step) {
    std::vector<unsigned char> block(16 << 20);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<unsigned char>(i * 2654435761u >> 24);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    double bytes = 0, elapsed = 0;
    while (elapsed < 1000) {
        step(block);
        bytes += static_cast<double>(block.size());
        elapsed = millisecondsSince(start);
    }
    return bytes / (1 << 20) / (elapsed / 1000);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: bench_update HTTP_PORT CHECKSUM COUNT SHA256\n");
        return 2;
    }
    int port = std::atoi(argv[1]);
    int count = std::atoi(argv[3]);
    char tempDir[kUpdatePathSize];
    DWORD length = GetEnvironmentVariableA("TEMP", tempDir, sizeof tempDir);
    if (port <= 0 || count <= 0 || length == 0 || length >= sizeof tempDir) {
        std::fprintf(stderr, "bench_update: bad arguments or no TEMP\n");
        return 2;
    }
    app.updateInfo.checksum = argv[2];
    app.updateInfo.checksumSha256 = argv[4];
    std::string location = "http://127.0.0.1:" + std::to_string(port) + kPath;
    std::string plainTarget = std::string(tempDir) + "\\bench_update_plain.bin";
    std::vector<double> client, plain;
    for (int round = 0; round < 1 + count; ++round) {
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        bool clientOk = clientDownload(location, tempDir);
        double clientTime = millisecondsSince(start);
        QueryPerformanceCounter(&start);
        bool plainOk = plainDownload(port, plainTarget);
        double plainTime = millisecondsSince(start);
        if (!clientOk || !plainOk) {
            std::fprintf(stderr, "bench_update: %s download failed in round %d\n",
                         clientOk ? "plain" : "client (or its check)", round + 1);
            return 1;
        }
        if (round > 0) {
            client.push_back(clientTime);
            plain.push_back(plainTime);
        }
    }
    report("client", client, count);
    report("wininet", plain, count);
    const Crc32 table;
    uint32_t crc = kCrc32Start;
    std::printf("crc32 %.1f\n", throughput([&](const std::vector<unsigned char>& block) {
                    crc = table.update(crc, block.data(), block.size());
                }));
    Sha256 sha;
    std::printf("sha256 %.1f\n", throughput([&](const std::vector<unsigned char>& block) {
                    sha.update(block.data(), block.size());
                }));
    if (crc == 0x12345678 && sha.finishHex().empty()) // keeps the loops from being optimised away
        std::printf("#\n");
    DeleteFileA(plainTarget.c_str());
    return 0;
}
