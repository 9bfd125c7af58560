#include "PlaceWarning.h"

#include "Platform.h"

#include <QCryptographicHash>
#include <QFileInfo>

namespace drv::place {

namespace {

const QString kApp = QStringLiteral("OrbenaTools");
const QString kSection = QStringLiteral("PlaceWarned");

// A folder's name in the store: its path holds "/", which the store reads as groups.
QString keyOf(const QString& folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return QString::fromLatin1(
        QCryptographicHash::hash((canonical.isEmpty() ? folder : canonical).toUtf8(),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(16));
}

} // namespace

QString placeWarning(const FolderPlace& place)
{
    QString head;
    switch (place.kind) {
    case FolderPlace::Local:
        return {};
    case FolderPlace::SyncedFolder:
        head = QStringLiteral("日記のフォルダは、同期ツールが同期するフォルダ %1 の中にあります"
                              "（%2 があります）。\n\n"
                              "同期ツールは、書き込み中の日記ファイルを写したり、動いているプログラ"
                              "ムの下で日記ファイルを置き換えたり、だれも気づかない「競合コピー」を"
                              "作ったりします。そのたびに書いた日記が失われます。")
                   .arg(place.where, place.what);
        break;
    case FolderPlace::RemoteFileSystem:
        head = QStringLiteral("日記のフォルダ %1 は、ネットワークまたは FUSE のファイルシステム"
                              "（%2）の上にあります。\n\n"
                              "そこではファイルのロックと書き込みの順序が保証されず、二つのコン"
                              "ピューターから開くと日記ファイルが壊れ、書いた日記が失われます。")
                   .arg(place.where, place.what);
        break;
    }
    return head + QStringLiteral("\n\n日記のフォルダは同期しないローカルのディスクに置き、ほかの"
                                 "コンピューターとは「ﾂｰﾙ(&T)」の「写しのフォルダー…」（一日一つの"
                                 "テキストファイル）を同期してください。\n"
                                 "このメッセージはこのフォルダについては二度と表示されません。");
}

bool warnOfPlace(const QString& folder, const FsTypeOf& fsType)
{
    const QString key = keyOf(folder);
    UserStore& store = *services().userStore;
    if (!store.read(kApp, kSection, key).isEmpty()) return false;
    const QString text = placeWarning(judgeFolder(folder, fsType));
    if (text.isEmpty()) return false;
    services().dialogs->message(text);
    store.write(kApp, kSection, key, folder);
    return true;
}

} // namespace drv::place
