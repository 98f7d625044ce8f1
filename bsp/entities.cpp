// The player start in the level's entity text.
#include "bsp/entities.h"

#include "bsp/bsp_file.h"

#include <cstdlib>
#include <cstring>

const char* ReadEntityToken(const char* source, char* destination) {
    int copied = 0;
    while (copied < EntityTokenLength && source[copied] != ' ' && source[copied] != '\0') {
        destination[copied] = source[copied];
        ++copied;
    }
    destination[copied] = '\0';
    return source + copied;
}

// Integer in automatic base (0x hexadecimal, leading 0 octal, else decimal),
// parsing up to the first character that is not a digit.
static int32_t ParseEntityInteger(const char* token) {
    return static_cast<int32_t>(std::strtol(token, nullptr, 0));
}

// The place count characters after from, but never past the text's end.
static const char* SkipWithin(const char* from, int count) {
    for (int i = 0; i < count && *from != '\0'; ++i) {
        ++from;
    }
    return from;
}

void FindPlayerStartIn(const char* text, float position[3], float* angle) {
    const char* match = std::strstr(text, "info_player_start");
    if (match == nullptr) {
        match = std::strstr(text, "info_player_deathmatch");
    }
    if (match == nullptr) {
        return;
    }
    const char* entity = match;
    while (entity > text && *entity != '{') {
        --entity;
    }

    // The value starts past `origin" "`: 9 characters from the key's start.
    if (const char* origin = std::strstr(entity, "origin")) {
        const char* cursor = SkipWithin(origin, 9);
        char token[EntityTokenLength + 1];
        for (int axis = 0; axis < 3; ++axis) {
            cursor = ReadEntityToken(cursor, token);
            position[axis] = static_cast<float>(ParseEntityInteger(token));
            cursor = SkipWithin(cursor, 1);
        }
    }

    // An "angle" only counts inside the start's own block; its value starts
    // past `angle" "`: 8 characters from the key's start.
    const char* angleKey = std::strstr(entity, "angle");
    const char* close = std::strchr(entity, '}');
    *angle = 0.0f;
    if (angleKey != nullptr && (close == nullptr || close > angleKey)) {
        char token[EntityTokenLength + 1];
        ReadEntityToken(SkipWithin(angleKey, 8), token);
        *angle = static_cast<float>(ParseEntityInteger(token));
    }
}

void FindPlayerStart(float position[3], float* angle) {
    if (BspData.entityData == nullptr) {
        return;
    }
    FindPlayerStartIn(BspData.entityData, position, angle);
}
