#pragma once

#include "ui/WindowImplBase.h"

#include <QStringList>

#include <optional>

namespace kestrin {

class CButtonUI;

// The program's message box: a title and a message, both language text ids, and two buttons.
// ShowModal returns 1 for "btn_ok" and 0 for "btn_cancel".
class CMsgWnd final : public WindowImplBase {
public:
    void SetTitleId(const QString& id) { titleId_ = id; }
    void SetMessageId(const QString& id) { messageId_ = id; }
    // Put in place of the message's %1, %2... in turn.
    void SetMessageArgs(QStringList args) { messageArgs_ = std::move(args); }

    // Which button has the keyboard, so that Enter and Space answer with it: OK for a notice
    // or a harmless question, Cancel where OK deletes or overwrites something.
    enum class Kind { Notice, Destructive };
    void SetKind(Kind kind) { kind_ = kind; }

    // The whole calling pattern: a warning titled "warning_title_text" with `messageId` (and
    // `args` in it), owned by `parent`, centred, run modally. Returns 1 (OK) or 0 (cancel).
    static int Ask(CWindowWnd* parent, const QString& messageId, Kind kind = Kind::Notice,
        QStringList args = {});

    // Test hook: the next Ask returns `answer` at once without showing a box.
    static void SetNextAnswerForTesting(std::optional<int> answer);

protected:
    QString GetWindowClassName() const override { return QStringLiteral("MsgWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("msg.xml"); }
    void OnLayoutLoaded() override;
    void Notify(TNotifyUI& msg) override;

private:
    QString titleId_;
    QString messageId_;
    QStringList messageArgs_;
    Kind kind_ = Kind::Notice;
};

} // namespace kestrin
