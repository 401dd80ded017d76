// Automation strings owned by a test.
#pragma once
#include <windows.h>

#include <string>

namespace velk_test {

// Frees itself; a null text stays a null string.
class Bstr {
public:
    explicit Bstr(const wchar_t* text) : text_(text ? SysAllocString(text) : nullptr) {}
    explicit Bstr(const std::wstring& text) : text_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { SysFreeString(text_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    operator BSTR() const { return text_; }

private:
    BSTR text_;
};

inline std::wstring Wide(BSTR text) { return text ? std::wstring(text, SysStringLen(text)) : std::wstring(); }

}  // namespace velk_test
