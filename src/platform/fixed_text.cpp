// FixedText's length and append, shared by every size.
#include "platform/fixed_text.h"

size_t FixedTextLength(const char* text, size_t capacity) {
    size_t n = 0;
    while (n < capacity && text[n] != '\0') ++n;
    return n;
}

bool FixedTextAppend(char* text, size_t capacity, bool& cut, const char* source, size_t count) {
    size_t n = FixedTextLength(text, capacity);
    size_t i = 0;
    if (source != nullptr) {
        while (i < count && source[i] != '\0') {
            if (n == capacity) {
                text[n] = '\0';
                cut = true;
                return false;
            }
            text[n++] = source[i++];
        }
    }
    text[n] = '\0';
    return !cut;
}
