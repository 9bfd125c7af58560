#pragma once
// What the input-method switch needs of the desktop's input method.

namespace drv {

// The conversion value is a combination of native 1, katakana 2, full shape 8 and
// roman 16; the sentence mode is carried through untouched.
struct ImeStatus {
    int conversion = 0;
    int sentence = 0;
    bool operator==(const ImeStatus&) const = default;
};

class ImeBackend {
public:
    virtual ~ImeBackend() = default;
    // False when there is no input method to talk to; the switch then does nothing.
    virtual bool hasContext() = 0;
    // Opens (Japanese input) or closes (direct input) the input method.
    virtual void setOpen(bool open) = 0;
    virtual ImeStatus status() = 0;
    virtual void setStatus(const ImeStatus& status) = 0;
};

} // namespace drv
