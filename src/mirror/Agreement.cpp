#include "Agreement.h"

namespace drv::mirror {

Step decide(const QByteArray& diary, const QByteArray& file, const QByteArray& agreed)
{
    if (diary.isEmpty() && file.isEmpty()) return agreed.isEmpty() ? Step::Nothing : Step::Forget;
    if (diary == file) return agreed == diary ? Step::Nothing : Step::Agree;
    if (file.isEmpty()) {
        // An edit never loses to a delete.
        if (!agreed.isEmpty() && diary == agreed) return Step::AskRemoveRow;
        return Step::WriteFile;
    }
    if (diary.isEmpty()) {
        if (!agreed.isEmpty() && file == agreed) return Step::AskRemoveFile;
        return Step::ReadFile;
    }
    if (agreed.isEmpty()) return Step::Choose;
    if (diary == agreed) return Step::ReadFile;
    if (file == agreed) return Step::WriteFile;
    return Step::Choose;
}

} // namespace drv::mirror
