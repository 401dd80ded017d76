// ToAnsi (see ansi.h).
#include "core/ansi.h"

namespace velk {

AnsiText::AnsiText(BSTR text) {
    if (!text) return;
    UINT units = SysStringLen(text);
    // Two bytes per unit hold any double-byte result; the terminator comes along.
    size_t bytes = 2 * (static_cast<size_t>(units) + 1);
    buffer_.reset(new char[bytes]());
    WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(units + 1), buffer_.get(), static_cast<int>(bytes),
                        nullptr, nullptr);
    buffer_[bytes - 1] = '\0';
}

}  // namespace velk
