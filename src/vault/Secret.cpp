#include "Secret.h"

#include <sodium.h>

namespace drv::vault {

void wipe(void* data, std::size_t size)
{
    if (data && size) sodium_memzero(data, size);
}

void wipe(QByteArray& bytes)
{
    if (!bytes.isEmpty()) sodium_memzero(bytes.data(), size_t(bytes.size()));
    bytes.clear();
}

bool ready()
{
    static const bool ok = sodium_init() >= 0;
    return ok;
}

Secret::Secret(std::size_t size) : size_(size)
{
    if (ready()) data_ = static_cast<unsigned char*>(sodium_malloc(size));
}

Secret::~Secret()
{
    if (data_) sodium_free(data_);
}

bool Secret::operator==(const Secret& other) const
{
    return size_ == other.size_ && data_ && other.data_ &&
           sodium_memcmp(data_, other.data_, size_) == 0;
}

} // namespace drv::vault
