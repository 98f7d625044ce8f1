// Entry point of the show. It takes no command line and no configuration:
// it plays the data files of its working directory, or, when that folder
// does not hold them, the data installed with the program.
#include "shell/data_folder.h"
#include "shell/demo.h"

int main() {
    EnterDataFolder();
    return RunDemo(false);
}
