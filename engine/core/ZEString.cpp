#include "core/ZEString.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <utility>

namespace
{
char* DuplicateText(const char* text)
{
    if (!text)
        return nullptr;
    size_t length = std::strlen(text);
    char* copy = new char[length + 1];
    std::memcpy(copy, text, length + 1);
    return copy;
}
}

ZEString::ZEString(const char* text)
    : m_pString(DuplicateText(text))
{
}

ZEString::ZEString(const ZEString& other)
    : m_pString(other.GetLength() ? DuplicateText(other.m_pString) : nullptr)
{
}

ZEString::ZEString(ZEString&& other) noexcept
    : m_pString(std::exchange(other.m_pString, nullptr))
{
}

ZEString::~ZEString()
{
    delete[] m_pString;
}

ZEString& ZEString::operator=(const char* text)
{
    Set(text);
    return *this;
}

ZEString& ZEString::operator=(const ZEString& other)
{
    Set(other.m_pString);
    return *this;
}

ZEString& ZEString::operator=(ZEString&& other) noexcept
{
    if (this != &other)
    {
        delete[] m_pString;
        m_pString = std::exchange(other.m_pString, nullptr);
    }
    return *this;
}

void ZEString::Set(const char* text)
{
    // Copy first: `text` may live inside the buffer about to be freed.
    char* copy = DuplicateText(text);
    delete[] m_pString;
    m_pString = copy;
}

uint32_t ZEString::GetLength() const
{
    return m_pString ? static_cast<uint32_t>(std::strlen(m_pString)) : 0;
}

void ZEString::MakeLowerCase()
{
    for (char* c = m_pString; c && *c; ++c)
        if (*c >= 'A' && *c <= 'Z')
            *c = static_cast<char>(*c - 'A' + 'a');
}

void ZEString::MakeUpperCase()
{
    for (char* c = m_pString; c && *c; ++c)
        if (*c >= 'a' && *c <= 'z')
            *c = static_cast<char>(*c - 'a' + 'A');
}

void ZEString::RemoveBackSlashes()
{
    for (char* c = m_pString; c && *c; ++c)
        if (*c == '\\')
            *c = '/';
}

void ZEString::MakePathName()
{
    RemoveBackSlashes();
    uint32_t length = GetLength();
    if (length == 0 || m_pString[length - 1] == '/')
        return;
    Append("/");
}

void ZEString::Append(const char* text)
{
    if (!text || !*text)
        return;
    size_t own = GetLength();
    size_t added = std::strlen(text);
    char* joined = new char[own + added + 1];
    if (own)
        std::memcpy(joined, m_pString, own);
    std::memcpy(joined + own, text, added + 1);
    delete[] m_pString;
    m_pString = joined;
}

ZEString ZEString::Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    int needed = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);

    ZEString result;
    if (needed >= 0)
    {
        result.m_pString = new char[static_cast<size_t>(needed) + 1];
        std::vsnprintf(result.m_pString, static_cast<size_t>(needed) + 1, format, args);
    }
    va_end(args);
    return result;
}

bool ZEString::operator==(const ZEString& other) const
{
    return std::strcmp(CStr(), other.CStr()) == 0;
}

bool ZEString::operator==(const char* other) const
{
    return std::strcmp(CStr(), other ? other : "") == 0;
}
