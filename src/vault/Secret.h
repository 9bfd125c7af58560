#pragma once
// Bytes of key material in memory that libsodium guards: locked out of swap, fenced by
// guard pages, wiped when freed.

#include <QByteArray>
#include <QtGlobal>

#include <cstddef>

namespace drv::vault {

// Whether libsodium is ready; the first call initialises it.
bool ready();

// Overwrites plain text that held the diary's words before its memory is given back.
void wipe(void* data, std::size_t size);
void wipe(QByteArray& bytes);

class Secret final {
public:
    explicit Secret(std::size_t size);
    ~Secret();
    Q_DISABLE_COPY_MOVE(Secret)

    bool valid() const { return data_ != nullptr; }
    unsigned char* data() { return data_; }
    const unsigned char* data() const { return data_; }
    std::size_t size() const { return size_; }
    // Constant-time comparison.
    bool operator==(const Secret& other) const;

private:
    unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace drv::vault
