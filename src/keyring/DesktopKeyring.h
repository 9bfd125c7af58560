#pragma once
// The desktop's keyring through QtKeychain (libsecret): items of the service "drvesk",
// one per account. Each call waits for its answer in a local event loop; a locked
// keyring may show the desktop's own prompt meanwhile. Nothing is ever kept in a plain
// file when there is no keyring: the call fails instead.

#include "Platform.h"

namespace drv {

class DesktopKeyring final : public Keyring {
public:
    DesktopKeyring() = default;
    Q_DISABLE_COPY_MOVE(DesktopKeyring)

    bool read(const QString& account, QByteArray& secret, QString& reason) override;
    bool write(const QString& account, const QByteArray& secret, QString& reason) override;
    bool remove(const QString& account, QString& reason) override;
};

} // namespace drv
