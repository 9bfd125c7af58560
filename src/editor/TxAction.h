#pragma once
// The editor's edit actions, named by the stems of their menu captions.

#include <QString>

#include <optional>

namespace drv {

enum class TxAction { Restore, Undo, Redo, Cut, Copy, Paste, CopyAll, SelectAll, Find };

// The action of a name, compared exactly (case, width and kana); none for any other text,
// such as a menu caption that still carries its "(&F)".
std::optional<TxAction> txActionFor(const QString& name);

} // namespace drv
