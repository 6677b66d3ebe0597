// Fixed-capacity, zero-terminated text: the only string type of the launcher's logic.
#ifndef TAVIO_PLATFORM_FIXED_TEXT_H
#define TAVIO_PLATFORM_FIXED_TEXT_H

#include <stddef.h>

// The work behind every size of FixedText, in one copy for the whole program: text holds
// at most capacity characters before its terminator.
size_t FixedTextLength(const char* text, size_t capacity);
bool FixedTextAppend(char* text, size_t capacity, bool& cut, const char* source, size_t count);

// Holds at most Size - 1 characters plus the terminator. Every write is bounded and
// always leaves the text terminated; a write that did not fit whole is cut and marks
// the text as Cut, so that callers decide between cutting (display text) and refusing
// (paths). A global FixedText is zero-initialised: empty, not cut, no constructor runs.
template <size_t Size>
struct FixedText {
    static_assert(Size >= 2, "a text needs room for one character and the terminator");
    static constexpr size_t Capacity = Size - 1;

    char Text[Size];
    bool Cut;

    const char* CStr() const { return Text; }
    // For Win32 calls that write into the buffer; pass BufferSize() as its size.
    char* Data() { return Text; }
    static constexpr size_t BufferSize() { return Size; }

    size_t Length() const { return FixedTextLength(Text, Capacity); }
    bool Empty() const { return Text[0] == '\0'; }
    bool Fits() const { return !Cut; }

    void Clear() {
        Text[0] = '\0';
        Cut = false;
    }

    // Replaces the text; false (and Cut) when the source was longer than Capacity.
    bool Assign(const char* source) {
        Clear();
        return Append(source);
    }
    // Replaces the text with the first count characters of source (stopping at its end).
    bool AssignPart(const char* source, size_t count) {
        Clear();
        return AppendPart(source, count);
    }

    bool Append(const char* source) { return AppendPart(source, static_cast<size_t>(-1)); }

    bool AppendPart(const char* source, size_t count) { return FixedTextAppend(Text, Capacity, Cut, source, count); }

    bool AppendChar(char c) {
        const char pair[2] = {c, '\0'};
        return c != '\0' ? Append(pair) : !Cut;
    }

    // Cuts the text to its first length characters (no effect when already shorter).
    void Truncate(size_t length) {
        if (length < Length()) Text[length] = '\0';
    }

    // After a Win32 call has written into Data(): make sure the text is terminated
    // within the buffer, whatever the call left there, and clear the Cut mark.
    void Terminate() {
        Text[Capacity] = '\0';
        Cut = false;
    }

    char operator[](size_t i) const { return i < Size ? Text[i] : '\0'; }
};

#endif
