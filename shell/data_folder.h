// Where the show's data files are read from.
//
// The show reads every file by a path relative to the working directory. A
// folder that holds the show's five folders (textures/, skybox/, objects/,
// bsp/, music/) is played as it is, so a person with the original files
// plays them by starting the program there; from anywhere else the installed
// program plays the data installed with it, found from the program's own
// location. No state; nothing here reads the environment.
#pragma once

#include <string>

// True when folder holds all five of the show's data folders.
bool HoldsShowData(const std::string& folder);

// The folder to play: workingDir when it holds the show's data, else the
// installed data folder of the program at programPath when that holds it,
// else workingDir (whose missing files are then reported as usual).
std::string ChooseDataFolder(const std::string& workingDir, const std::string& programPath);

// Makes the chosen folder the working directory for the running program.
// Changes nothing when the working directory is the choice or the program's
// own path cannot be read.
void EnterDataFolder();
