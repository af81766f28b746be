// ZEString: the engine's owned 8-bit text.
//
// A string owns one zero-terminated buffer, allocated with new[] and freed
// with delete[], or nothing at all. The null buffer is the usual empty
// string; Set("") stores an allocated empty buffer instead, and both count
// as empty (length 0). Copy construction normalises: copying an empty
// string of either form gives the null form.
//
// Get() may return null; callers test it (or use CStr(), which never does).
// Case operations touch only the ASCII letters, so Latin-1 text keeps its
// umlauts.
#pragma once

#include <cstddef>
#include <cstdint>

class ZEString
{
public:
    ZEString() = default;
    ZEString(const char* text);               // copies; null gives empty
    ZEString(const ZEString& other);          // empty source gives the null form
    ZEString(ZEString&& other) noexcept;
    ~ZEString();

    ZEString& operator=(const char* text);
    ZEString& operator=(const ZEString& other);
    ZEString& operator=(ZEString&& other) noexcept;

    // Replaces the text by a copy of `text` (null gives the null form).
    // `text` may point into this string's own buffer.
    void Set(const char* text);

    uint32_t GetLength() const;
    bool IsEmpty() const { return GetLength() == 0; }

    // The raw buffer, possibly null.
    char* Get() const { return m_pString; }
    // The text, or "" for the null form: for formatting and comparisons.
    const char* CStr() const { return m_pString ? m_pString : ""; }

    void MakeLowerCase();
    void MakeUpperCase();
    void RemoveBackSlashes();
    // '\\' becomes '/', then one '/' is appended unless the text is empty
    // or already ends in '/'.
    void MakePathName();

    // Appends text (null or empty appends nothing).
    void Append(const char* text);

    // A new string from a printf format; never truncates.
    static ZEString Format(const char* format, ...)
        __attribute__((format(printf, 1, 2)));

    // Byte comparison; null and "" are equal.
    bool operator==(const ZEString& other) const;
    bool operator==(const char* other) const;
    bool operator!=(const ZEString& other) const { return !(*this == other); }
    bool operator!=(const char* other) const { return !(*this == other); }

private:
    char* m_pString = nullptr;
};
