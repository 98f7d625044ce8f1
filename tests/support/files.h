// Test support: scratch folders, small files written by tests, and running
// the built programs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A fresh empty folder under the system's temporary folder, named after tag.
std::string MakeScratchDir(const std::string& tag);

// Writes bytes to path, making its parent folders.
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// Reads a whole file; empty when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::string& path);

// Encodes seconds of a stereo 44.1 kHz tone as an MP3 file at path.
void WriteToneMp3(const std::string& path, float seconds);

struct CommandResult {
    int status;         // exit status, or -1 when the command did not exit normally
    std::string output; // standard output and standard error together
};

// Runs a shell command and collects what it printed. A command that dies by
// SIGABRT or SIGSEGV is run once more (noted on standard error): the
// software renderer's rare crashes are not the program's.
CommandResult RunCommand(const std::string& command);
