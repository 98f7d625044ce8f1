// Entry point of the show. It takes no command line and no configuration:
// everything it reads lies under the working directory.
#include "shell/demo.h"

int main() {
    return RunDemo(false);
}
