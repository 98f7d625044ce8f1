// The PCX reader: one plane of run-length 8-bit palette indices with the
// palette in the last 768 bytes, into a new registered 24-bit RGB Image.
#pragma once

// Reads the PCX file at path; returns its handle with texture flags 0.
// Never returns on failure.
int LoadPcx(const char* path);
