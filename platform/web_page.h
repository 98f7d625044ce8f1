// What the web backend offers its entry point beyond the platform interface:
// the page around the canvas and the picture's pixels.
//
// The page (page.js) owns the text lines, the audio element and full screen;
// these calls reach it. Only the web build compiles this.
#pragma once

#include <cstdint>
#include <string>

// Shows the picture on the canvas now, even while a present hook is set.
void ShowPictureOnCanvas();

// Reads the whole picture as RGBA rows, top row first, into rgba
// (width x height x 4 bytes).
void ReadPictureRgba(uint8_t* rgba);

// Waits for the browser's next pixels: a one-pixel read that returns when
// the drawing before it is done. Used to time frames.
void WaitForPicture();

// The page's status line ("click to start", "frame 1.000", …); empty hides it.
void SetPageStatus(const std::string& text);

// Shows "click to start" and lets the next click or key start the show
// (through WebStartShow).
void AwaitStartGesture();

// Sets the document's title.
void SetPageTitle(const std::string& title);

// Appends a line to the page's report area (frame times and the like).
void AddPageReport(const std::string& line);

// The query string's value for key ("at", "bench"), and whether it is there.
bool GetPageOption(const char* key, std::string* value);

// Hands a finished frame to the page: name, and RGBA rows top row first.
void HandFrameToPage(const std::string& name, const uint8_t* rgba, int width, int height);

// True once an error box has been shown; the loop stops for good.
bool PageHasFailed();

// Stops taking the page's keys: the page has started another copy of the
// program (with other data files) in place of this one.
void StopPageKeys();

// The show's clock in the page, in microseconds: it follows the music's
// position, at most one frame ahead of it, and stands still while the music
// has not started or waits for data (page.js, readShowClock).
int64_t ReadMusicClock();

// Tells the page that the scene in row has ended, for its record of how far
// the show's clock lies from the music's position at that moment.
void NoteSceneEnd(int row);
