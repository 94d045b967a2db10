#pragma once

#include "ui/WindowImplBase.h"

#include <QRect>

namespace kestrin {

// The DPI on-screen display: one line near the bottom-right corner of the screen of the main
// window (of the pointer while that is hidden), topmost, never taking the keyboard focus. Its
// creator marks it to free itself when closed.
class CDPIMsg final : public WindowImplBase {
public:
    // Before creation: the text to show. While open: replaces the shown text at once.
    void SetText(const QString& text);
    QString GetText() const { return text_; }

    // Where the display goes for a work area: from the area's width and height alone, from
    // the top-left corner of the area's screen; `width` is what its text asks for, 200 at least.
    static QRect PlaceFor(const QRect& workArea, QPoint screenOrigin = QPoint(0, 0), int width = 0);

protected:
    QString GetWindowClassName() const override { return QStringLiteral("DPIWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("DPImsg.xml"); }
    void OnLayoutLoaded() override;
    bool TakesFocus() const override { return false; }

private:
    void Place();

    QString text_;
    CControlUI* label_ = nullptr;
};

} // namespace kestrin
