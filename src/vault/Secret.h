#pragma once
// Bytes of key material in memory that libsodium guards: locked out of swap, fenced by
// guard pages, wiped when freed.

#include <QtGlobal>

#include <cstddef>

namespace drv::vault {

// Whether libsodium is ready; the first call initialises it.
bool ready();

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
