#pragma once
// The main window's Edit menu as the body editor sees it. Whichever window an editor
// sits in, a right click updates the main window's Undo and Redo entries, so the host
// is one for the whole program: the main window installs itself while it exists.

namespace drv {

class EditMenuHost {
public:
    virtual ~EditMenuHost() = default;
    // Enables or disables the first two Edit-menu entries ("元に戻す", "やり直し").
    virtual void setUndoRedoEnabled(bool undo, bool redo) = 0;
};

// The installed host, or nullptr; installing nullptr removes it.
EditMenuHost* editMenuHost();
void setEditMenuHost(EditMenuHost* host);

} // namespace drv
