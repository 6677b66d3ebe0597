// An empty Win32 GUI program: what starting any program costs, to compare the launcher with.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
