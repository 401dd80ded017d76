// MCI pass-through: one command line composed from three parts, sent with the
// window as the receiver of notifications; an error MCI reports is fatal.
#include <windows.h>
#include <mmsystem.h>  // for: mciSendStringA, mciGetErrorStringA

#include "core/ansi.h"
#include "core/log.h"
#include "core/text_format.h"
#include "core/texts.h"
#include "core/velk.h"

namespace {

constexpr size_t kCommandBytes = 1024;

// A null string is composed as an empty part rather than as a formatter's
// placeholder text, which MCI would take for a word of the command.
const char* PartOrEmpty(const velk::AnsiText& text) { return text ? text.get() : ""; }

}  // namespace

HRESULT VelkObject::mci(BSTR CMDStr, BSTR FilePath, BSTR Optional) {
    velk::AnsiText optional = velk::ToAnsi(Optional);
    velk::AnsiText path = velk::ToAnsi(FilePath);
    velk::AnsiText command = velk::ToAnsi(CMDStr);
    char line[kCommandBytes];
    velk::FormatBoundedV(line, sizeof line, velk::texts::kMciCommandFormat, PartOrEmpty(command), PartOrEmpty(path),
                         PartOrEmpty(optional));
    velk::LogWrite(this, velk::texts::kStep, line);
    MCIERROR error = mciSendStringA(line, nullptr, 0, Window);
    if (error != 0) {
        if (!mciGetErrorStringA(error, line, sizeof line)) line[0] = '\0';
        velk::FatalError(this, velk::texts::kStep, line);
    }
    velk::LogWrite(this, velk::texts::kStep, velk::texts::kMciDone);
    return S_OK;
}
