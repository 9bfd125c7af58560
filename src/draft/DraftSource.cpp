#include "DraftSource.h"

#include "DraftKeeper.h"

namespace drv {

namespace {

QList<DraftSource*>& registry()
{
    static QList<DraftSource*> sources;
    return sources;
}

} // namespace

DraftSource::DraftSource(QString window, bool bodyOnly, std::function<Screen()> screen)
    : window_(std::move(window)), bodyOnly_(bodyOnly), screen_(std::move(screen))
{
    registry().append(this);
}

DraftSource::~DraftSource()
{
    registry().removeAll(this);
    // A window that goes away with a change has given it up; its draft goes with it.
    if (dirty_)
        if (DraftKeeper* keeper = DraftKeeper::active()) keeper->settled();
}

const QList<DraftSource*>& DraftSource::all()
{
    return registry();
}

void DraftSource::shown(const QString& title, const QString& body)
{
    baseTitle_ = title;
    basedOn_ = entryFingerprint(title, body);
    settle();
}

void DraftSource::bodyStored(const QString& body)
{
    basedOn_ = entryFingerprint(baseTitle_, body);
    settle();
}

void DraftSource::changed()
{
    dirty_ = true;
    if (DraftKeeper* keeper = DraftKeeper::active()) keeper->changed();
}

void DraftSource::dropped()
{
    settle();
}

void DraftSource::settle()
{
    if (!dirty_) return;
    dirty_ = false;
    if (DraftKeeper* keeper = DraftKeeper::active()) keeper->settled();
}

Draft DraftSource::draft() const
{
    const Screen s = screen_();
    return Draft{window_, s.key, bodyOnly_ ? baseTitle_ : s.title, s.body, basedOn_};
}

} // namespace drv
