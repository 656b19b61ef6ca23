// A feature installer for the wine tests. It appends its own file name to the file that
// ORM_TEST_MARK names; a copy whose name holds "wait" then tells the test driver that it runs
// and waits until the driver releases it, so that the installer's work page can be pictured.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const char* name = std::strrchr(self, '\\') ? std::strrchr(self, '\\') + 1 : self;
    if (const char* mark = std::getenv("ORM_TEST_MARK")) {
        if (std::FILE* f = std::fopen(mark, "a")) {
            std::fprintf(f, "%s\n", name);
            std::fclose(f);
        }
    }
    if (std::strstr(name, "wait")) {
        HANDLE started = CreateEventA(nullptr, TRUE, FALSE, "orm_installer_test_started");
        HANDLE release = CreateEventA(nullptr, TRUE, FALSE, "orm_installer_test_release");
        SetEvent(started);
        // Never for ever: a test that lost its driver must still end.
        WaitForSingleObject(release, 120000);
        CloseHandle(started);
        CloseHandle(release);
    }
    return 0;
}
