#include "morvane/api/CString.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <new>
#include <string>

#include "morvane/api/CException.h"

namespace morvane {

namespace {

// Narrow text widens by sign extension to a 16-bit unit: 0xE9 becomes U+FFE9.
inline wchar_t Widen(char c)
{
    return static_cast<wchar_t>(static_cast<std::uint16_t>(static_cast<std::int16_t>(static_cast<signed char>(c))));
}

std::wstring WidenAll(const char* text)
{
    std::wstring out;
    if (text)
        for (; *text; ++text)
            out.push_back(Widen(*text));
    return out;
}

std::size_t WideLength(const wchar_t* text) { return text ? std::wcslen(text) : 0; }

int Ordinal(const wchar_t* a, const wchar_t* b, bool ignoreCase)
{
    if (!a) a = L"";
    if (!b) b = L"";
    for (;; ++a, ++b) {
        std::uint32_t ca = static_cast<std::uint32_t>(*a);
        std::uint32_t cb = static_cast<std::uint32_t>(*b);
        if (ignoreCase) {
            ca = static_cast<std::uint32_t>(std::towupper(static_cast<wint_t>(ca)));
            cb = static_cast<std::uint32_t>(std::towupper(static_cast<wint_t>(cb)));
        }
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (*a == 0)
            return 0;
    }
}

wchar_t* NewBuffer(std::size_t units)
{
    auto* p = static_cast<wchar_t*>(std::malloc(units * sizeof(wchar_t)));
    if (!p)
        throw std::bad_alloc();
    return p;
}

[[noreturn]] void ThrowNotFound(const wchar_t* method)
{
    throw CObjectNotFoundException(method, MRV_WFILE, __LINE__, L"Didn't find content");
}

// Out-of-range writes land here; one per thread, so they never race.
thread_local wchar_t g_dummyUnit = 0;

} // namespace

CString::CString() : m_buffer(NewBuffer(1)) { m_buffer[0] = 0; }

CString::CString(const CString& other) : m_buffer(nullptr) { Assign(other.m_buffer, other.Length()); }

CString::CString(CString&& other) noexcept : m_buffer(other.m_buffer)
{
    // The moved-from string stays a valid empty string.
    other.m_buffer = static_cast<wchar_t*>(std::malloc(sizeof(wchar_t)));
    if (other.m_buffer)
        other.m_buffer[0] = 0;
}

CString::CString(const char* text) : m_buffer(nullptr)
{
    std::wstring wide = WidenAll(text);
    Assign(wide.c_str(), wide.size());
}

CString::CString(const wchar_t* text) : m_buffer(nullptr) { Assign(text, WideLength(text)); }

CString::~CString() { std::free(m_buffer); }

// The new buffer is filled before the old one is freed, so text may point
// into this string's own buffer.
void CString::Assign(const wchar_t* text, std::size_t length)
{
    wchar_t* fresh = NewBuffer(length + 1);
    if (length)
        std::memcpy(fresh, text, length * sizeof(wchar_t));
    fresh[length] = 0;
    std::free(m_buffer);
    m_buffer = fresh;
}

CString& CString::operator=(const CString& other)
{
    if (this != &other)
        Assign(other.m_buffer, other.Length());
    return *this;
}

CString& CString::operator=(CString&& other) noexcept
{
    if (this != &other) {
        std::swap(m_buffer, other.m_buffer);
    }
    return *this;
}

CString& CString::operator=(const char* text)
{
    std::wstring wide = WidenAll(text);
    Assign(wide.c_str(), wide.size());
    return *this;
}

CString& CString::operator=(const wchar_t* text)
{
    Assign(text, WideLength(text));
    return *this;
}

void CString::Allocate(int n)
{
    std::size_t units = n > 0 ? static_cast<std::size_t>(n) + 1 : 1;
    wchar_t* fresh = NewBuffer(units);
    std::memset(fresh, 0, units * sizeof(wchar_t));
    std::free(m_buffer);
    m_buffer = fresh;
}

unsigned int CString::Length() const { return static_cast<unsigned int>(WideLength(m_buffer)); }

wchar_t CString::operator[](unsigned int i) const { return i < Length() ? m_buffer[i] : 0; }

wchar_t& CString::operator[](unsigned int i)
{
    if (i < Length())
        return m_buffer[i];
    g_dummyUnit = 0;
    return g_dummyUnit;
}

wchar_t CString::operator[](int i) const
{
    if (i < 0)
        i += static_cast<int>(Length());
    if (i < 0)
        return 0;
    return (*this)[static_cast<unsigned int>(i)];
}

wchar_t& CString::operator[](int i)
{
    if (i < 0)
        i += static_cast<int>(Length());
    if (i < 0) {
        g_dummyUnit = 0;
        return g_dummyUnit;
    }
    return (*this)[static_cast<unsigned int>(i)];
}

int CString::CompareTo(const wchar_t* text) const { return Ordinal(m_buffer, text, false); }
int CString::CompareTo(const char* text) const { return Ordinal(m_buffer, WidenAll(text).c_str(), false); }
int CString::CompareToIgnoreCase(const wchar_t* text) const { return Ordinal(m_buffer, text, true); }
int CString::CompareToIgnoreCase(const char* text) const
{
    return Ordinal(m_buffer, WidenAll(text).c_str(), true);
}

CString CString::operator+(const wchar_t* text) const
{
    CString result(*this);
    result += text;
    return result;
}

CString CString::operator+(const char* text) const { return *this + WidenAll(text).c_str(); }

CString& CString::operator+=(const wchar_t* text)
{
    std::wstring joined(m_buffer);
    joined += text ? text : L"";
    Assign(joined.c_str(), joined.size());
    return *this;
}

CString& CString::operator+=(const char* text) { return *this += WidenAll(text).c_str(); }

CString CString::operator-(const wchar_t* text) const
{
    CString result(*this);
    result.Remove(text);
    return result;
}

CString CString::operator-(const char* text) const
{
    CString result(*this);
    result.Remove(text);
    return result;
}

CString& CString::operator-=(const wchar_t* text)
{
    Remove(text);
    return *this;
}

CString& CString::operator-=(const char* text)
{
    Remove(text);
    return *this;
}

unsigned int CString::FindFirst(wchar_t ch) const
{
    unsigned int len = Length();
    for (unsigned int i = 0; i <= len; ++i)
        if (m_buffer[i] == ch)
            return i;
    ThrowNotFound(L"morvane::CString::FindFirst");
}

unsigned int CString::FindLast(wchar_t ch) const
{
    for (unsigned int i = Length() + 1; i-- > 0;)
        if (m_buffer[i] == ch)
            return i;
    ThrowNotFound(L"morvane::CString::FindLast");
}

unsigned int CString::FindFirst(const wchar_t* text) const
{
    std::size_t len = Length();
    std::size_t n = WideLength(text);
    if (n > len)
        return 0xFFFFFFFFu;
    for (std::size_t i = 0; i + n <= len; ++i)
        if (std::wmemcmp(m_buffer + i, text, n) == 0)
            return static_cast<unsigned int>(i);
    ThrowNotFound(L"morvane::CString::FindFirst");
}

unsigned int CString::FindFirst(const char* text) const
{
    std::wstring wide = WidenAll(text);
    if (wide.size() > Length())
        ThrowNotFound(L"morvane::CString::FindFirst");
    return FindFirst(wide.c_str());
}

unsigned int CString::FindLast(const wchar_t* text) const
{
    std::size_t len = Length();
    std::size_t n = WideLength(text);
    if (n > len)
        return 0xFFFFFFFFu;
    for (std::size_t i = len - n + 1; i-- > 0;)
        if (std::wmemcmp(m_buffer + i, text, n) == 0)
            return static_cast<unsigned int>(i);
    ThrowNotFound(L"morvane::CString::FindLast");
}

unsigned int CString::FindLast(const char* text) const { return FindLast(WidenAll(text).c_str()); }

void CString::ClampRange(int start, int count, unsigned int& from, unsigned int& to) const
{
    const long long len = Length();
    long long f;
    if (start < 0) {
        f = len + start;
        if (f >= len) {
            from = to = static_cast<unsigned int>(len);
            return;
        }
        if (f < 0)
            f = 0;
    } else {
        if (start >= len) {
            from = to = static_cast<unsigned int>(len);
            return;
        }
        f = start;
    }
    long long t;
    if (count < 0) {
        t = len + count;
        if (t < f)
            t = f;
    } else {
        t = f + count;
        if (t > len)
            t = len;
    }
    from = static_cast<unsigned int>(f);
    to = static_cast<unsigned int>(t);
}

CString CString::SubStr(int start, int count) const
{
    unsigned int from, to;
    ClampRange(start, count, from, to);
    CString result;
    result.Assign(m_buffer + from, to - from);
    return result;
}

void CString::Remove(int start, int count)
{
    unsigned int from, to;
    ClampRange(start, count, from, to);
    if (from == to)
        return;
    std::wstring rebuilt(m_buffer, from);
    rebuilt += m_buffer + to;
    Assign(rebuilt.c_str(), rebuilt.size());
}

// Replaces the first occurrence of text, if any, and tells whether it did.
bool CString::RemoveFirst(const wchar_t* text, const wchar_t* replacement)
{
    std::size_t n = WideLength(text);
    if (n == 0)
        return false;
    const wchar_t* hit = std::wcsstr(m_buffer, text);
    if (!hit)
        return false;
    std::wstring rebuilt(m_buffer, static_cast<std::size_t>(hit - m_buffer));
    rebuilt += replacement;
    rebuilt += hit + n;
    Assign(rebuilt.c_str(), rebuilt.size());
    return true;
}

void CString::Remove(wchar_t ch)
{
    wchar_t text[2] = {ch, 0};
    Remove(text);
}

void CString::Remove(const wchar_t* text)
{
    std::wstring copy(text ? text : L"");
    while (RemoveFirst(copy.c_str(), L"")) {
    }
}

void CString::Remove(const char* text) { Remove(WidenAll(text).c_str()); }

void CString::Replace(wchar_t from, wchar_t to)
{
    if (from == 0)
        return;
    for (wchar_t* p = m_buffer; *p; ++p)
        if (*p == from)
            *p = to;
}

void CString::Replace(const wchar_t* from, const wchar_t* to)
{
    std::wstring needle(from ? from : L"");
    std::wstring replacement(to ? to : L"");
    if (needle.empty())
        return;
    if (replacement.find(needle) == std::wstring::npos) {
        // Each replacement restarts the search from the beginning, so text made
        // by a replacement can match again ("aaaa", "aa" -> "a" gives "a").
        while (RemoveFirst(needle.c_str(), replacement.c_str())) {
        }
        return;
    }
    // A replacement that contains the searched text would match itself for
    // ever under the restart rule: replace left to right, each occurrence once.
    std::wstring source(m_buffer), result;
    std::size_t pos = 0;
    for (std::size_t hit; (hit = source.find(needle, pos)) != std::wstring::npos; pos = hit + needle.size()) {
        result.append(source, pos, hit - pos);
        result += replacement;
    }
    result.append(source, pos, std::wstring::npos);
    Assign(result.c_str(), result.size());
}

void CString::Trim()
{
    auto blank = [](wchar_t c) { return c == 10 || c == 13 || c == 32; };
    std::size_t len = Length();
    std::size_t begin = 0;
    while (begin < len && blank(m_buffer[begin]))
        ++begin;
    std::size_t end = len;
    while (end > begin && blank(m_buffer[end - 1]))
        --end;
    if (begin == 0 && end == len)
        return;
    std::wstring kept(m_buffer + begin, end - begin);
    Assign(kept.c_str(), kept.size());
}

void CString::ToWideChar(wchar_t* buffer, int size) const
{
    if (!buffer || size < 1)
        return;
    unsigned int n = Length();
    if (n > static_cast<unsigned int>(size - 1))
        n = static_cast<unsigned int>(size - 1);
    std::wmemcpy(buffer, m_buffer, n);
    buffer[n] = 0;
}

void CString::ToChar(char* buffer, int size) const
{
    if (!buffer || size < 1)
        return;
    unsigned int n = Length();
    if (n > static_cast<unsigned int>(size - 1))
        n = static_cast<unsigned int>(size - 1);
    for (unsigned int i = 0; i < n; ++i)
        buffer[i] = static_cast<char>(m_buffer[i] & 0xFF);
    buffer[n] = 0;
}

IObjectEnumerator* CString::EnumerateTokens(wchar_t) const { return nullptr; }

} // namespace morvane
