// KeyHit and KeyReleased: presses and releases counted as the window's messages
// arrive (see the window procedure). A host that replaces the window procedure
// through wProcedure takes the messages away from the library: nothing is
// counted while its procedure is set.
#include "core/log.h"
#include "core/texts.h"
#include "core/velk.h"

void VelkObject::CheckInputValue(LONG value, LONG low, LONG high, const char* subject, const char* range) {
    if (value < low || value > high) velk::FatalError(this, velk::texts::kInputValueError, subject, value, range);
}

HRESULT VelkObject::KeyHit(LONG KeyCode, LONG* Count) {
    CheckInputValue(KeyCode, velk::kFirstKeyCode, velk::kLastKeyCode, velk::texts::kKeyHitSubject,
                    velk::texts::kKeyCodeRange);
    LONG taken = velk::TakeKeyCount(Input.Keys.Downs[KeyCode]);
    if (Count) *Count = taken;
    return S_OK;
}

HRESULT VelkObject::KeyReleased(LONG KeyCode, LONG* Count) {
    CheckInputValue(KeyCode, velk::kFirstKeyCode, velk::kLastKeyCode, velk::texts::kKeyReleasedSubject,
                    velk::texts::kKeyCodeRange);
    LONG taken = velk::TakeKeyCount(Input.Keys.Ups[KeyCode]);
    if (Count) *Count = taken;
    return S_OK;
}
