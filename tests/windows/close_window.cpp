// Closes a window as Windows does when its close box is clicked or the session ends: posts it
// WM_CLOSE. For the end-to-end run of the Windows program under Wine.
// Usage: close_window TITLE   (exit status 0 once posted, 1 when no such window came in 10 s)

#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: close_window TITLE\n");
        return 2;
    }
    for (int tries = 0; tries < 100; ++tries) {
        if (HWND window = FindWindowA(nullptr, argv[1])) {
            PostMessageA(window, WM_CLOSE, 0, 0);
            return 0;
        }
        Sleep(100);
    }
    std::fprintf(stderr, "close_window: no window \"%s\"\n", argv[1]);
    return 1;
}
