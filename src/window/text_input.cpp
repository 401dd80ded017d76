// TextInput: the text typed into the window since the previous read.
#include "core/velk.h"

void VelkObject::TakeTypedBytes(WPARAM bytes) {
    // The window is an ANSI one: a double-byte character comes either packed
    // in one message (lead byte high) or as two messages, lead byte first.
    char pair[2];
    int length = 0;
    if (bytes > 0xFF) {
        pair[0] = static_cast<char>((bytes >> 8) & 0xFF);
        pair[1] = static_cast<char>(bytes & 0xFF);
        length = 2;
        Input.AnsiLead = 0;
    } else if (Input.AnsiLead) {
        pair[0] = static_cast<char>(Input.AnsiLead);
        pair[1] = static_cast<char>(bytes);
        length = 2;
        Input.AnsiLead = 0;
    } else if (IsDBCSLeadByte(static_cast<BYTE>(bytes))) {
        Input.AnsiLead = static_cast<BYTE>(bytes);
        return;
    } else {
        pair[0] = static_cast<char>(bytes);
        length = 1;
    }
    wchar_t units[2];
    int count = MultiByteToWideChar(CP_ACP, 0, pair, length, units, 2);
    if (count > 0) velk::AppendText(Input.Text, units, static_cast<size_t>(count));
}

HRESULT VelkObject::get_TextInput(BSTR* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = SysAllocStringLen(Input.Text.Units, static_cast<UINT>(Input.Text.Length));
    if (!*pVal) return E_OUTOFMEMORY;
    Input.Text.Length = 0;
    return S_OK;
}
