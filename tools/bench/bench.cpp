// Measures under Wine the time from the launcher's start to the start of the program it starts,
// by the performance counter on both sides; prints it as a row of the benchmark's table. (The
// benchmark's other figures are taken by scripts/bench, where process times are exact.)
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <vector>

namespace {

double Frequency() {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
}

long long Counter() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

struct Run {
    double wallMs;
    DWORD exitCode;
    long long started;
};

// Starts command in folder and waits for it (at most limitMs); false when it could not run or hung.
bool Measure(const char* command, const char* folder, DWORD limitMs, Run& run) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    char line[MAX_PATH * 2];
    lstrcpynA(line, command, sizeof line);
    run.started = Counter();
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &process)) {
        fprintf(stderr, "bench: cannot start %s (error %lu)\n", command, GetLastError());
        return false;
    }
    const DWORD waited = WaitForSingleObject(process.hProcess, limitMs);
    run.wallMs = (Counter() - run.started) * 1000.0 / Frequency();
    if (waited != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 5000);
    }
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return waited == WAIT_OBJECT_0;
}

struct Figure {
    double median, low, high;
};

Figure Summarise(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {median, values.front(), values.back()};
}

void Row(const char* what, const char* unit, const Figure& f, size_t runs) {
    printf("| %-48s | %10.2f | %10.2f | %10.2f | %-4s | %4zu |\n", what, f.median, f.low, f.high, unit, runs);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: bench START_DIR RUNS\n");
        return 2;
    }
    const char* startDir = argv[1];
    const int runs = atoi(argv[2]);
    char command[MAX_PATH], stampPath[MAX_PATH];
    bool ok = true;

    // From the launcher's start to the started program's first instruction.
    std::vector<double> toStart;
    snprintf(stampPath, sizeof stampPath, "%s\\stamp.txt", startDir);
    SetEnvironmentVariableA("TAVIO_BENCH_STAMP", stampPath);
    for (int i = 0; i < runs && ok; ++i) {
        DeleteFileA(stampPath);
        Run a;
        snprintf(command, sizeof command, "%s\\AUTOPLAY.EXE", startDir);
        ok = Measure(command, startDir, 30000, a) && a.exitCode == 0;
        long long stamp = 0;
        for (int tries = 0; ok && tries < 500; ++tries) {  // the started program may still be running
            FILE* in = fopen(stampPath, "r");
            if (in != nullptr) {
                const int got = fscanf(in, "%lld", &stamp);
                fclose(in);
                if (got == 1) break;
            }
            Sleep(10);
        }
        if (!ok || stamp == 0) {
            fprintf(stderr, "bench: the started program left no stamp\n");
            return 1;
        }
        toStart.push_back((stamp - a.started) * 1000.0 / Frequency());
    }
    if (!ok) {
        fprintf(stderr, "bench: a run failed\n");
        return 1;
    }
    Row("launcher start to started program's start", "ms", Summarise(toStart), toStart.size());
    return 0;
}
