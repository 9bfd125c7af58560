#include "CommandLine.h"

#include <QCommandLineParser>

namespace drv::cli {

namespace {

struct OptionRow {
    QStringList names;
    const char* value; // nullptr: a switch
    const char* help;
};

const QList<OptionRow>& optionRows()
{
    // A line feed in a help text goes on below, under the first line.
    static const QList<OptionRow> rows = {
        {{"h", "help"}, nullptr, "この使い方を表示します"},
        {{"v", "version"}, nullptr, "版を表示します"},
        {{"export"}, "FILE", "日記をファイルに書き出します"},
        {{"format"},
         "FORMAT",
         "形式: text, text-cp932 (Shift-JIS), markdown, json\n(省略すると FILE の拡張子から)"},
        {{"from"}, "DATE", "この日から (2026-12-07 の形。--to と組で)"},
        {{"to"}, "DATE", "この日までの日記だけを書き出します"},
        {{"lossy"}, nullptr, "Shift-JIS で書けない文字を「〓」にして書き出します"},
        {{"import"}, "FILE", "ファイルや、ほかの日記プログラムの日記を読み込みます"},
        {{"on-conflict"},
         "HOW",
         "日記のある日には: keep (今のまま。省略時)、\nreplace (置き換え)、append (後ろに追記)"},
        {{"yes"},
         nullptr,
         "読み込めない日があっても、残りを読み込みます\n(--mirror-sync では、消された日をもう一方"
         "からも消します)"},
        {{"search"}, "WORD", "本文に WORD を含む日記を新しい順に 50 件まで\n(* は任意の文字列)"},
        {{"mirror-sync"},
         "DIR",
         "写しのフォルダーを DIR にして (画面の設定と同じ)、\n日記と一度そろえます"},
    };
    return rows;
}

// Qt's options of a windowed program: the window's start takes them as before.
const QStringList kQtValued = {"platform",
                               "platformpluginpath",
                               "platformtheme",
                               "plugin",
                               "qwindowgeometry",
                               "qwindowicon",
                               "qwindowtitle",
                               "style",
                               "stylesheet",
                               "display",
                               "geometry",
                               "session",
                               "name",
                               "title"};
const QStringList kQtSwitches = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

// Which action each of the other options belongs to.
struct Belongs {
    const char* option;
    QList<Action> actions;
};
const QList<Belongs> kBelongs = {
    {"format", {Action::Export, Action::Import}},
    {"from", {Action::Export}},
    {"to", {Action::Export}},
    {"lossy", {Action::Export}},
    {"on-conflict", {Action::Import, Action::MirrorSync}},
    {"yes", {Action::Import, Action::MirrorSync}},
};

Request usage(const QString& error)
{
    Request r;
    r.action = Action::Usage;
    r.error = error;
    return r;
}

bool formatOf(const QString& name, Request& r)
{
    if (name == u"text")
        r.format = keep::Format::Text;
    else if (name == u"text-cp932") {
        r.format = keep::Format::Text;
        r.encoding = keep::Encoding::Cp932;
    } else if (name == u"markdown")
        r.format = keep::Format::Markdown;
    else if (name == u"json")
        r.format = keep::Format::Json;
    else
        return false;
    return true;
}

bool resolutionOf(const QString& name, keep::Resolution& to)
{
    if (name == u"keep")
        to = keep::Resolution::Keep;
    else if (name == u"replace")
        to = keep::Resolution::Replace;
    else if (name == u"append")
        to = keep::Resolution::Append;
    else
        return false;
    return true;
}

QDate dateOf(const QString& text)
{
    return text.size() == 10 ? QDate::fromString(text, Qt::ISODate) : QDate();
}

// The options of the chosen action, checked; r.action is already set.
Request withOptions(const QCommandLineParser& p, Request r)
{
    for (const Belongs& b : kBelongs)
        if (p.isSet(QString::fromLatin1(b.option)) && !b.actions.contains(r.action))
            return usage(QStringLiteral("--%1 はここでは使えません").arg(QLatin1String(b.option)));
    if (r.action != Action::Search && r.file.isEmpty())
        return usage(QStringLiteral("ファイル名がありません"));
    if (p.isSet(QStringLiteral("format"))) {
        const QString name = p.value(QStringLiteral("format"));
        if (!formatOf(name, r))
            return usage(QStringLiteral("形式 \"%1\" はありません (text, text-cp932, markdown, "
                                        "json のどれかです)")
                             .arg(name));
    } else {
        r.format = keep::formatOfFile(r.file);
    }
    if (p.isSet(QStringLiteral("from")) != p.isSet(QStringLiteral("to")))
        return usage(QStringLiteral("--from と --to は組にして使います"));
    if (p.isSet(QStringLiteral("from"))) {
        r.from = dateOf(p.value(QStringLiteral("from")));
        r.to = dateOf(p.value(QStringLiteral("to")));
        if (!r.from.isValid() || !r.to.isValid())
            return usage(QStringLiteral("日付は 2026-12-07 の形で書きます"));
        if (r.from > r.to) return usage(QStringLiteral("--from の日が --to の日より後です"));
    }
    r.lossy = p.isSet(QStringLiteral("lossy"));
    r.yes = p.isSet(QStringLiteral("yes"));
    if (p.isSet(QStringLiteral("on-conflict"))) {
        const QString how = p.value(QStringLiteral("on-conflict"));
        if (!resolutionOf(how, r.onConflict))
            return usage(QStringLiteral("--on-conflict \"%1\" はありません (keep, replace, "
                                        "append のどれかです)")
                             .arg(how));
    }
    return r;
}

} // namespace

QStringList arguments(int argc, char* argv[])
{
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list << QString::fromLocal8Bit(argv[i]);
    return list;
}

Request parse(const QStringList& arguments)
{
    QCommandLineParser p;
    // "-platform" is one option, as Qt's own parsing reads it, not eight letters.
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const OptionRow& row : optionRows()) {
        QCommandLineOption o(row.names, QString::fromUtf8(row.help));
        if (row.value) o.setValueName(QString::fromLatin1(row.value));
        p.addOption(o);
    }
    for (const QString& name : kQtValued) {
        QCommandLineOption o(name, {}, QStringLiteral("value"));
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        p.addOption(o);
    }
    for (const QString& name : kQtSwitches) {
        QCommandLineOption o(name);
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        p.addOption(o);
    }
    if (!p.parse(arguments)) {
        const QStringList unknown = p.unknownOptionNames();
        return usage(unknown.isEmpty()
                         ? p.errorText()
                         : QStringLiteral("知らないオプションです: %1%2")
                               .arg(unknown.first().size() == 1 ? u"-" : u"--", unknown.first()));
    }
    Request r;
    if (p.isSet(QStringLiteral("help"))) {
        r.action = Action::Help;
        return r;
    }
    if (p.isSet(QStringLiteral("version"))) {
        r.action = Action::Version;
        return r;
    }
    int actions = 0;
    for (const auto& [name, action] :
         {std::pair{"export", Action::Export}, std::pair{"import", Action::Import},
          std::pair{"search", Action::Search}, std::pair{"mirror-sync", Action::MirrorSync}}) {
        if (!p.isSet(QString::fromLatin1(name))) continue;
        ++actions;
        r.action = action;
        (action == Action::Search ? r.word : r.file) = p.value(QString::fromLatin1(name));
    }
    if (actions > 1)
        return usage(
            QStringLiteral("--export, --import, --search, --mirror-sync は一度に一つです"));
    if (actions == 0) {
        // The window ignores file names, as a desktop's "Open with" may pass them.
        for (const Belongs& b : kBelongs)
            if (p.isSet(QString::fromLatin1(b.option)))
                return usage(QStringLiteral("--%1 は --export か --import と使います")
                                 .arg(QLatin1String(b.option)));
        return r;
    }
    if (!p.positionalArguments().isEmpty())
        return usage(QStringLiteral("余分な引数があります: %1")
                         .arg(p.positionalArguments().join(QStringLiteral(" "))));
    if (r.action == Action::Search && r.word.isEmpty())
        return usage(QStringLiteral("探す語がありません"));
    return withOptions(p, r);
}

QString helpText()
{
    QString text = QStringLiteral(
        "使い方: drvesk [オプション]\n\n"
        "オプションを付けずに起動すると、日記の画面を開きます。\n"
        "次のオプションでは画面を開かずに、UserData.ini の示す日記を端末から扱います。\n\n");
    for (const OptionRow& row : optionRows()) {
        QString left;
        for (const QString& name : row.names)
            left += (left.isEmpty() ? QString() : QStringLiteral(", ")) +
                    (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        if (row.value) left += u' ' + QString::fromLatin1(row.value);
        const QString help = QString::fromUtf8(row.help);
        text +=
            QStringLiteral("  %1  %2\n")
                .arg(left, -20)
                .arg(QString(help).replace(u'\n', QStringLiteral("\n%1").arg(QString(24, u' '))));
    }
    text += QStringLiteral("\n終了状態: 0 成功、1 失敗 (理由は標準エラー出力に一行で)、"
                           "2 コマンドラインの誤り\n");
    return text;
}

QString versionText()
{
    return QStringLiteral("drvesk %1\n").arg(QStringLiteral(DRVESK_VERSION));
}

} // namespace drv::cli
