// Where the show's data files are read from.
//
// The show reads every file by a path relative to the working directory. A
// folder that holds any of the show's five folders (textures/, skybox/,
// objects/, bsp/, music/) is played as it is, so a person with another set of
// the show's files plays it by starting the program there, and a file that
// set lacks is reported by name. Only from a folder that holds none of the
// five does the installed program play the data installed with it, found
// from the program's own location. No state; nothing here reads the
// environment.
#pragma once

#include <string>

// True when folder holds at least one of the show's five data folders.
bool HoldsAnyShowFolder(const std::string& folder);

// The folder to play: workingDir when it holds any of the show's folders,
// else the installed data folder of the program at programPath when that
// holds any, else workingDir (whose missing files are then reported as usual).
std::string ChooseDataFolder(const std::string& workingDir, const std::string& programPath);

// Makes the chosen folder the working directory for the running program.
// Changes nothing when the working directory is the choice or the program's
// own path cannot be read.
void EnterDataFolder();
