#pragma once

#include "ui/Notify.h"

#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <optional>

class QLabel;

namespace kestrin {

class CPaintManagerUI;

// A background image as the skin writes it: "res='skins/mouse.png' dest='2,2,28,28'", or a bare
// file name. The file is relative to the skin folder; without dest the image fills the control.
struct ImageSpec {
    QString file;
    std::optional<QRect> dest;
};
std::optional<ImageSpec> ParseImageSpec(const QString& description);

// A control of a built layout, found by its name: a thin handle on the Qt widget that keeps
// the program's control vocabulary. The widget belongs to the layout; the handle to its manager.
class CControlUI {
public:
    CControlUI(QWidget* widget, CPaintManagerUI* manager);
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;
    virtual ~CControlUI();

    QWidget* GetWidget() const { return widget_; }
    CPaintManagerUI* GetManager() const { return manager_; }
    QString GetName() const;

    // In resource-text mode the control holds a text id and shows its language text; GetText
    // then returns the language text.
    virtual QString GetText() const;
    virtual void SetText(const QString& text);
    bool IsResourceText() const { return resourceText_; }
    void SetResourceText(bool on);
    void SetToolTip(const QString& text);

    bool IsVisible() const;
    void SetVisible(bool visible);
    bool IsEnabled() const;
    void SetEnabled(bool enabled);

    // 0xAARRGGBB; 0 removes the colour.
    uint32_t GetBkColor() const { return bkColor_; }
    void SetBkColor(uint32_t argb);
    QString GetBkImage() const { return bkImage_; }
    void SetBkImage(const QString& description);

    QString GetUserData() const { return userData_; }
    void SetUserData(const QString& data) { userData_ = data; }
    uintptr_t GetTag() const { return tag_; }
    void SetTag(uintptr_t tag) { tag_ = tag; }

    int GetFixedHeight() const;
    void SetFixedHeight(int height);

protected:
    void SendNotify(const QString& type, uintptr_t wParam = 0, intptr_t lParam = 0);
    void ShowText(const QString& text);
    QString ShownText() const;
    void ApplyOwnStyle();

    QPointer<QWidget> widget_;
    CPaintManagerUI* manager_;

private:
    QString textId_;
    bool resourceText_ = false;
    uint32_t bkColor_ = 0;
    QString bkImage_;
    QPointer<QLabel> bkImageLabel_;
    QString layoutStyle_;
    QString userData_;
    uintptr_t tag_ = 0;
};

class CLabelUI : public CControlUI {
public:
    using CControlUI::CControlUI;
};

class CButtonUI : public CControlUI {
public:
    CButtonUI(QWidget* widget, CPaintManagerUI* manager);
};

// Any control that holds others.
class CContainerUI : public CControlUI {
public:
    using CControlUI::CControlUI;
    // The first control of that name inside this one.
    CControlUI* FindSubControl(const QString& name) const;
    template <class T> T* FindSubControl(const QString& name) const
    {
        return dynamic_cast<T*>(FindSubControl(name));
    }
    // Adds a control built elsewhere (a row template) at the end of this container's layout.
    void Add(CControlUI* control);
};

} // namespace kestrin
