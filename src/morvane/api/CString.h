#pragma once
#include <cstddef>
#include "morvane/api/MorvaneApi.h"

namespace morvane {

class IObjectEnumerator;

// The framework's text type: a value type that owns an exact-size, zero
// terminated buffer of wide characters. The length is counted on every call.
// Narrow text enters by sign extension of each byte to 16 bits and leaves by
// keeping the low byte of each unit.
class MORVANE_API CString {
public:
    CString();
    CString(const CString& other);
    CString(CString&& other) noexcept;
    CString(const char* text);
    CString(const wchar_t* text);
    ~CString();

    CString& operator=(const CString& other);
    CString& operator=(CString&& other) noexcept;
    CString& operator=(const char* text);
    CString& operator=(const wchar_t* text);

    // Discards the content; the buffer then holds n + 1 units for the caller to fill.
    void Allocate(int n);

    operator const wchar_t*() const { return m_buffer; }
    operator wchar_t*() { return m_buffer; }
    const wchar_t* GetBuffer() const { return m_buffer; }
    wchar_t* GetBuffer() { return m_buffer; }

    unsigned int Length() const;

    // Out of range reads give 0; out of range writes land in a shared dummy.
    wchar_t operator[](unsigned int i) const;
    wchar_t& operator[](unsigned int i);
    wchar_t operator[](int i) const;
    wchar_t& operator[](int i);

    int CompareTo(const wchar_t* text) const;
    int CompareTo(const char* text) const;
    int CompareToIgnoreCase(const wchar_t* text) const;
    int CompareToIgnoreCase(const char* text) const;

    bool operator==(const CString& other) const { return CompareTo(other.m_buffer) == 0; }
    bool operator==(const wchar_t* text) const { return CompareTo(text) == 0; }
    bool operator!=(const wchar_t* text) const { return CompareTo(text) != 0; }
    bool operator<(const wchar_t* text) const { return CompareTo(text) < 0; }
    bool operator<=(const wchar_t* text) const { return CompareTo(text) <= 0; }
    bool operator>(const wchar_t* text) const { return CompareTo(text) > 0; }
    bool operator>=(const wchar_t* text) const { return CompareTo(text) >= 0; }
    bool operator==(const char* text) const { return CompareTo(text) == 0; }
    bool operator!=(const char* text) const { return CompareTo(text) != 0; }
    bool operator<(const char* text) const { return CompareTo(text) < 0; }
    bool operator<=(const char* text) const { return CompareTo(text) <= 0; }
    bool operator>(const char* text) const { return CompareTo(text) > 0; }
    bool operator>=(const char* text) const { return CompareTo(text) >= 0; }

    CString operator+(const wchar_t* text) const;
    CString operator+(const char* text) const;
    CString& operator+=(const wchar_t* text);
    CString& operator+=(const char* text);
    CString operator-(const wchar_t* text) const;
    CString operator-(const char* text) const;
    CString& operator-=(const wchar_t* text);
    CString& operator-=(const char* text);

    // Searches give unit indices; a miss throws CObjectNotFoundException.
    unsigned int FindFirst(wchar_t ch) const;
    unsigned int FindLast(wchar_t ch) const;
    unsigned int FindFirst(const wchar_t* text) const;
    unsigned int FindFirst(const char* text) const;
    unsigned int FindLast(const wchar_t* text) const;
    unsigned int FindLast(const char* text) const;

    CString SubStr(int start, int count) const;
    void Remove(int start, int count);
    void Remove(wchar_t ch);
    void Remove(const wchar_t* text);
    void Remove(const char* text);
    void Replace(wchar_t from, wchar_t to);
    void Replace(const wchar_t* from, const wchar_t* to);
    void Trim();

    void ToWideChar(wchar_t* buffer, int size) const;
    void ToChar(char* buffer, int size) const;

    // Tokenising is not provided: always null.
    IObjectEnumerator* EnumerateTokens(wchar_t separator) const;

private:
    void Assign(const wchar_t* text, std::size_t length);
    void ClampRange(int start, int count, unsigned int& from, unsigned int& to) const;
    bool RemoveFirst(const wchar_t* text, const wchar_t* replacement);

    wchar_t* m_buffer;
};

} // namespace morvane
