// What every fuzz target shares: scratch file, caught FatalError, clean table.
#include "fuzz_harness.h"

#include "image/image.h"
#include "shell/fatal.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

namespace {

std::jmp_buf FatalEscape;

void CatchFatal(const char*) {
    std::longjmp(FatalEscape, 1);
}

// The scratch file lives in memory (a memfd); readers open it by its
// /proc path like any other file.
int ScratchFile = -1;
char ScratchPath[64];

bool WriteScratch(const uint8_t* data, size_t size) {
    if (ScratchFile < 0) {
        ScratchFile = memfd_create("tessaline-fuzz", 0);
        std::snprintf(ScratchPath, sizeof ScratchPath, "/proc/self/fd/%d", ScratchFile);
    }
    return ScratchFile >= 0 && ftruncate(ScratchFile, 0) == 0 &&
           pwrite(ScratchFile, data, size, 0) == static_cast<ssize_t>(size);
}

} // namespace

int RunFuzzInput(const uint8_t* data, size_t size, void (*read)(const char* path)) {
    static bool ready = false;
    if (!ready) {
        SetFatalErrorHook(CatchFatal);
        ready = true;
    }
    FuzzCheck(WriteScratch(data, size), "cannot write the scratch file");
    // Readers call FatalError only once they have released what they hold;
    // the image they registered is freed here.
    if (setjmp(FatalEscape) == 0) {
        read(ScratchPath);
    }
    ClearTextureTable();
    return 0;
}

void FuzzCheck(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}
