#pragma once
// The body editor shared by the main window and the correction window: a plain-text
// editing widget with a small interface. Text goes in as it is and comes out cleaned;
// edit actions are chosen by their menu names; layout follows the host's resizes once
// the host has laid the editor out the first time.

#include <QString>
#include <QWidget>

class QInputMethodEvent;
class QPlainTextEdit;

namespace drv {

class FindDialog;

class uTxA : public QWidget {
    Q_OBJECT

public:
    explicit uTxA(QWidget* parent = nullptr);
    ~uTxA() override;

    // Automatic layout on resize on (cOn) or off (cOff); both forget the loaded text.
    void cOn();
    void cOff();

    // Reading gives the whole text cleaned (cleanedText); writing replaces the whole
    // text, clears the undo history and remembers the text for "取消".
    QString Text() const;
    void setText(const QString& sTx);

    // The selected text as it stands, line breaks as line feeds; empty without a selection.
    QString SelText() const;
    // The body and the selection as the document holds them, paragraph separators and all,
    // for counting characters: a single copy, where Text() also trims and converts line
    // ends, and a count passes over white space anyway.
    QString rawText() const;
    QString rawSelection() const;

    // Performs the edit action of that exact name: "取消", "元に戻す", "やり直し",
    // "切り取り", "ｺﾋﾟｰ", "貼り付け", "全てｺﾋﾟｰ", "全て選択", "検索". Other names do nothing.
    void txAct(const QString& sJb);

    QString FontName() const;
    void setFontName(const QString& sNm);
    // Points; reading rounds the widget's size to a whole number, halves to even.
    int FontSize() const;
    void setFontSize(int nSz);
    bool FontBold() const;
    void setFontBold(bool bBd);

    // A text that is shown and can be selected and copied, but not changed.
    void setReadOnly(bool on);

    // Shows tabs, spaces and line ends.
    void setControlChars(bool bShw);

    // Places the editing widget inside the margins and ends the wait for the first layout.
    void StSize();

Q_SIGNALS:
    // The text changed, by typing, an edit action or a load; text still being composed
    // in the input method is no change until it is committed.
    void eChng();
    // The right mouse button in the text, after the main window's Undo and Redo entries
    // were updated; hosts answer with their Edit menu.
    void ePop();
    // The editing widget received the keyboard focus.
    void gotFocus();
    // The selection changed, or went away.
    void selectionChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool passInputMethodEvent(QInputMethodEvent* event);
    void rightButton();
    void copyAll();
    void openFind();
    void setShaping(bool on);
    void checkTyped(int from, int added);

    QPlainTextEdit* mTxt;
    QString sOrg;       // the text last loaded; "取消" brings it back
    bool bAuto = false; // lay out on every resize
    bool bWait = false; // ignore resizes until the host's first StSize
    FindDialog* find_ = nullptr;
    bool loading_ = false;   // a load chooses the shaping itself
    bool composing_ = false; // the input method changes only what it is composing
    bool crlf_ = false;      // the loaded text broke its lines with CR LF; it is read so again
};

} // namespace drv
