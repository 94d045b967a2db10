#include "ui/Control.h"

#include "ui/LayoutTexts.h"
#include "ui/PaintManager.h"
#include "ui/ResourceManager.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextEdit>

namespace kestrin {

std::optional<ImageSpec> ParseImageSpec(const QString& description)
{
    const QString trimmed = description.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    if (!trimmed.contains(QLatin1Char('=')))
        return ImageSpec{trimmed, std::nullopt};

    static const QRegularExpression pair(QStringLiteral(R"((\w+)\s*=\s*'([^']*)')"));
    ImageSpec image;
    for (const auto& match : pair.globalMatch(trimmed)) {
        const QString key = match.captured(1);
        const QString value = match.captured(2);
        if (key == QLatin1String("res") || key == QLatin1String("file")) {
            image.file = value;
        } else if (key == QLatin1String("dest")) {
            const QStringList parts = value.split(QLatin1Char(','));
            if (parts.size() != 4)
                return std::nullopt;
            int edges[4];
            for (int i = 0; i < 4; ++i) {
                bool ok = false;
                edges[i] = parts[i].trimmed().toInt(&ok);
                if (!ok)
                    return std::nullopt;
            }
            // dest is left, top, right, bottom
            if (edges[2] < edges[0] || edges[3] < edges[1])
                return std::nullopt;
            image.dest = QRect(QPoint(edges[0], edges[1]), QPoint(edges[2] - 1, edges[3] - 1));
        }
    }
    if (image.file.isEmpty())
        return std::nullopt;
    return image;
}

CControlUI::CControlUI(QWidget* widget, CPaintManagerUI* manager)
    : widget_(widget), manager_(manager), layoutStyle_(widget ? widget->styleSheet() : QString())
{
    // The layout already shows such a control's language text; the code sets its ids.
    if (widget_ && widget_->property("resourcetext").toBool())
        resourceText_ = true;
}

CControlUI::~CControlUI() = default;

QString CControlUI::GetName() const { return widget_ ? widget_->objectName() : QString(); }

QString CControlUI::ShownText() const
{
    if (!widget_)
        return QString();
    if (auto* label = qobject_cast<QLabel*>(widget_))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget_))
        return button->text();
    if (auto* edit = qobject_cast<QLineEdit*>(widget_))
        return edit->text();
    if (auto* edit = qobject_cast<QPlainTextEdit*>(widget_))
        return edit->toPlainText();
    if (auto* edit = qobject_cast<QTextEdit*>(widget_))
        return edit->toPlainText();
    if (auto* group = qobject_cast<QGroupBox*>(widget_))
        return group->title();
    return widget_->property("text").toString();
}

void CControlUI::ShowText(const QString& text)
{
    if (!widget_)
        return;
    if (auto* label = qobject_cast<QLabel*>(widget_))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(widget_))
        button->setText(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(widget_))
        edit->setText(text);
    else if (auto* edit = qobject_cast<QPlainTextEdit*>(widget_))
        edit->setPlainText(text);
    else if (auto* edit = qobject_cast<QTextEdit*>(widget_))
        edit->setPlainText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(widget_))
        group->setTitle(text);
    else
        widget_->setProperty("text", text);
}

QString CControlUI::GetText() const { return ShownText(); }

void CControlUI::SetText(const QString& text)
{
    textId_ = text;
    if (resourceText_) {
        RememberTextId(widget_, text);
        ShowText(CResourceManager::GetInstance()->GetText(text));
    } else {
        ForgetTextId(widget_);
        ShowText(text);
    }
}

void CControlUI::SetResourceText(bool on)
{
    if (resourceText_ == on)
        return;
    resourceText_ = on;
    if (on) {
        textId_ = ShownText();
        SetText(textId_);
    } else {
        SetText(textId_);
    }
}

void CControlUI::SetToolTip(const QString& text)
{
    if (widget_)
        widget_->setToolTip(resourceText_ ? CResourceManager::GetInstance()->GetText(text) : text);
}

bool CControlUI::IsVisible() const { return widget_ && !widget_->isHidden(); }

void CControlUI::SetVisible(bool visible)
{
    // A part whose content waits is built before it is first seen; one that keeps its place
    // without it, once it comes into view.
    if (visible && manager_ && widget_ && !manager_->KeepsPlaceUntilSeen(widget_))
        manager_->BuildPart(widget_);
    if (widget_)
        widget_->setVisible(visible);
}

bool CControlUI::IsEnabled() const { return widget_ && widget_->isEnabled(); }

void CControlUI::SetEnabled(bool enabled)
{
    if (widget_)
        widget_->setEnabled(enabled);
}

void CControlUI::ApplyOwnStyle()
{
    if (!widget_)
        return;
    QString style = layoutStyle_;
    if (bkColor_ != 0) {
        widget_->setAttribute(Qt::WA_StyledBackground, true);
        style += QStringLiteral("\n#%1 { background-color: rgba(%2, %3, %4, %5); }")
                     .arg(widget_->objectName())
                     .arg((bkColor_ >> 16) & 0xFF)
                     .arg((bkColor_ >> 8) & 0xFF)
                     .arg(bkColor_ & 0xFF)
                     .arg((bkColor_ >> 24) & 0xFF);
    }
    widget_->setStyleSheet(style);
}

void CControlUI::SetBkColor(uint32_t argb)
{
    bkColor_ = argb;
    ApplyOwnStyle();
}

void CControlUI::SetBkImage(const QString& description)
{
    bkImage_ = description;
    if (!widget_)
        return;
    const auto image = ParseImageSpec(description);
    QPixmap pixmap;
    if (image)
        pixmap.load(CResourceManager::GetInstance()->ResourceFile(image->file));
    if (pixmap.isNull()) {
        if (bkImageLabel_)
            bkImageLabel_->hide();
        return;
    }
    if (!bkImageLabel_) {
        bkImageLabel_ = new QLabel(widget_);
        bkImageLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
        bkImageLabel_->setScaledContents(true);
        bkImageLabel_->setStyleSheet(QStringLiteral("background: transparent; border: none;"));
    }
    bkImageLabel_->setGeometry(image->dest.value_or(widget_->rect()));
    bkImageLabel_->setPixmap(pixmap);
    bkImageLabel_->lower();
    bkImageLabel_->show();
}

int CControlUI::GetFixedHeight() const
{
    if (!widget_)
        return 0;
    return widget_->minimumHeight() == widget_->maximumHeight() ? widget_->maximumHeight() : 0;
}

void CControlUI::SetFixedHeight(int height)
{
    if (widget_)
        widget_->setFixedHeight(height);
}

void CControlUI::SendNotify(const QString& type, uintptr_t wParam, intptr_t lParam)
{
    if (manager_)
        manager_->SendNotify(this, type, wParam, lParam);
}

CButtonUI::CButtonUI(QWidget* widget, CPaintManagerUI* manager) : CControlUI(widget, manager)
{
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        QObject::connect(
            button, &QAbstractButton::clicked, button, [this] { SendNotify(DUI_MSGTYPE_CLICK); });
}

CControlUI* CContainerUI::FindSubControl(const QString& name) const
{
    if (!widget_ || !manager_)
        return nullptr;
    return manager_->ControlFor(widget_->findChild<QWidget*>(name));
}

void CContainerUI::Add(CControlUI* control)
{
    if (!widget_ || !control || !control->GetWidget())
        return;
    if (!widget_->layout())
        new QVBoxLayout(widget_);
    widget_->layout()->addWidget(control->GetWidget());
}

} // namespace kestrin
