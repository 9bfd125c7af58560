#include "TxAction.h"

#include <array>
#include <utility>

namespace drv {

std::optional<TxAction> txActionFor(const QString& name)
{
    static const std::array<std::pair<const char16_t*, TxAction>, 9> names{{
        {u"取消", TxAction::Restore},
        {u"元に戻す", TxAction::Undo},
        {u"やり直し", TxAction::Redo},
        {u"切り取り", TxAction::Cut},
        {u"ｺﾋﾟｰ", TxAction::Copy},
        {u"貼り付け", TxAction::Paste},
        {u"全てｺﾋﾟｰ", TxAction::CopyAll},
        {u"全て選択", TxAction::SelectAll},
        {u"検索", TxAction::Find},
    }};
    for (const auto& [text, action] : names) {
        if (name == QStringView(text)) return action;
    }
    return std::nullopt;
}

} // namespace drv
