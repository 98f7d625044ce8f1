// The one way a load-time failure ends the program.
#include "shell/fatal.h"

#include "platform/window.h"
#include "shell/demo.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

static FatalErrorHook CurrentHook;

void SetFatalErrorHook(FatalErrorHook hook) {
    CurrentHook = hook;
}

void FatalError(const char* format, ...) {
    char message[FatalErrorMessageSize];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(message, sizeof message, format, arguments);
    va_end(arguments);

    if (CurrentHook != nullptr) {
        CurrentHook(message);
    }
    ShutdownDisplay();
    std::fprintf(stderr, "Error: %s\n", message);
    ShowErrorBox("Error", message);
    std::exit(1);
}
