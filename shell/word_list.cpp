// Space-separated lists of words; see word_list.h.
#include "shell/word_list.h"

#include <cstring>

bool ListHasWord(const char* list, const char* word) {
    if (list == nullptr || word == nullptr || *word == '\0') {
        return false;
    }
    const size_t length = std::strlen(word);
    for (const char* at = std::strstr(list, word); at != nullptr; at = std::strstr(at + 1, word)) {
        const bool startsWord = at == list || at[-1] == ' ';
        const bool endsWord = at[length] == ' ' || at[length] == '\0';
        if (startsWord && endsWord) {
            return true;
        }
    }
    return false;
}
