// Measures the launcher under Wine: start-up and decision time against an empty program, CPU use
// while waiting, and the time until the started program runs. Prints a table of medians and spreads.
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
    double cpuMs;
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
    FILETIME created, exited, kernel, user;
    GetProcessTimes(process.hProcess, &created, &exited, &kernel, &user);
    const auto ms = [](FILETIME t) {
        return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
    };
    run.cpuMs = ms(kernel) + ms(user);
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
    if (argc != 6) {
        fprintf(stderr, "usage: bench QUICK_DIR EMPTY_DIR START_DIR WAIT_DIR RUNS\n");
        return 2;
    }
    const char* quickDir = argv[1];
    const char* emptyDir = argv[2];
    const char* startDir = argv[3];
    const char* waitDir = argv[4];
    const int runs = atoi(argv[5]);
    char command[MAX_PATH], stampPath[MAX_PATH];
    bool ok = true;

    // (b) a run that reads its settings, decides and ends, against an empty program.
    std::vector<double> quick, empty, ratio;
    for (int i = 0; i < runs && ok; ++i) {
        Run a, b;
        snprintf(command, sizeof command, "%s\\AUTOPLAY.EXE", quickDir);
        ok = Measure(command, quickDir, 30000, a) && a.exitCode == 0;
        snprintf(command, sizeof command, "%s\\EMPTY.EXE", emptyDir);
        ok = ok && Measure(command, emptyDir, 30000, b);
        if (!ok) break;
        quick.push_back(a.wallMs);
        empty.push_back(b.wallMs);
        ratio.push_back(a.wallMs / b.wallMs);
    }

    // (d) from the launcher's start to the started program's first instruction.
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
            ok = false;
            break;
        }
        toStart.push_back((stamp - a.started) * 1000.0 / Frequency());
    }

    // (c) CPU used while the launcher waits 10 seconds for a window that never opens.
    std::vector<double> waitCpu, waitWall;
    for (int i = 0; i < 3 && ok; ++i) {
        Run a;
        snprintf(command, sizeof command, "%s\\AUTOPLAY.EXE", waitDir);
        ok = Measure(command, waitDir, 60000, a) && a.exitCode == 0;
        waitCpu.push_back(a.cpuMs);
        waitWall.push_back(a.wallMs);
    }
    if (!ok) {
        fprintf(stderr, "bench: a run failed\n");
        return 1;
    }

    printf("| %-48s | %10s | %10s | %10s | %-4s | %4s |\n", "figure", "median", "min", "max", "unit", "runs");
    printf("|%s|%s|%s|%s|%s|%s|\n", "--------------------------------------------------", "------------",
           "------------", "------------", "------", "------");
    Row("launcher run that decides and ends (wall)", "ms", Summarise(quick), quick.size());
    Row("empty Win32 program (wall)", "ms", Summarise(empty), empty.size());
    Row("ratio launcher / empty program", "x", Summarise(ratio), ratio.size());
    Row("launcher start to started program's start", "ms", Summarise(toStart), toStart.size());
    Row("wait of 10 s for a window that never opens (wall)", "ms", Summarise(waitWall), waitWall.size());
    Row("CPU time used during that wait", "ms", Summarise(waitCpu), waitCpu.size());
    return 0;
}
