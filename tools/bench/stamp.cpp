// Started by the launcher in the benchmark: writes the performance counter at its start, then ends.
#include <windows.h>
#include <stdio.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("TAVIO_BENCH_STAMP", path, sizeof path);
    if (n == 0 || n >= sizeof path) return 1;
    FILE* out = fopen(path, "w");
    if (out == nullptr) return 1;
    fprintf(out, "%lld\n", static_cast<long long>(now.QuadPart));
    fclose(out);
    return 0;
}
