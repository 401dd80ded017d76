// ToAnsi: automation strings to text in the process's ANSI code page.
#pragma once
#include <windows.h>

#include <memory>

namespace velk {

// The converted text lives as long as this holder, that is, until the member
// that converted it returns. A null string gives a null text.
class AnsiText {
public:
    explicit AnsiText(BSTR text);
    const char* get() const { return buffer_.get(); }
    operator const char*() const { return buffer_.get(); }

private:
    std::unique_ptr<char[]> buffer_;
};

inline AnsiText ToAnsi(BSTR text) { return AnsiText(text); }

}  // namespace velk
