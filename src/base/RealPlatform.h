#pragma once
// The real machine for everything that needs no window.

#include "Platform.h"

namespace drv {

class AppProgramInfo final : public ProgramInfo {
public:
    QString folder() const override;
    QString executableName() const override;
};

class StandardFolders final : public SpecialFolders {
public:
    QString path(int number) const override;
};

// QSettings in INI form, user scope, one file per application name.
class IniUserStore final : public UserStore {
public:
    QString read(const QString& app, const QString& section, const QString& name) override;
    void write(const QString& app, const QString& section, const QString& name,
               const QString& value) override;
};

class SystemClock final : public Clock {
public:
    QDate today() const override { return QDate::currentDate(); }
};

} // namespace drv
