#pragma once
// The tools menu's encryption commands: switching the diary between plain and encrypted,
// and changing its password. Every question goes through the dialog service.

#include "KeepCommands.h"

namespace drv::keep {

// Encrypts a plain diary (the password twice, then the recovery key shown once), or
// writes an encrypted one back in plain text after its password.
void switchEncryption(const MainHooks& main);
// The password now, then the new one twice; only the key slots are written.
void changeDiaryPassword(const MainHooks& main);
// Turns unlocking from the desktop's keyring on (after the password again) or off.
void switchKeyring(const MainHooks& main);
// Before an export of an encrypted diary: the password again, and the warning that the
// file will be plain text. True for a plain diary.
bool confirmPlainExport();

} // namespace drv::keep
