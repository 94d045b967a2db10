#include "app/AboutWnd.h"

#include "base/Messages.h"
#include "ui/ResourceManager.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

namespace kestrin {
namespace {

QString Text(const char* id) { return CResourceManager::GetInstance()->GetText(QLatin1String(id)); }

std::vector<std::pair<QString, QString>> Lines(const AboutFacts& facts)
{
    return {{Text("about_version_text"), facts.version}, {Text("about_qt_text"), facts.qtVersion},
        {Text("about_mouse_text"), facts.mouse}, {Text("about_data_text"), facts.dataFolder}};
}

} // namespace

QString AboutText(const AboutFacts& facts)
{
    QString text = Text("mouse_name_text") + QLatin1Char('\n');
    for (const auto& [label, value] : Lines(facts))
        text += label + QStringLiteral(": ") + value + QLatin1Char('\n');
    return text;
}

void CAboutWnd::Show(CWindowWnd* owner, const AboutFacts& facts)
{
    CAboutWnd window(facts);
    window.Create(owner, QString(), WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW, 0, 0, 800, 800);
    window.CenterWindow();
    window.ShowModal();
}

void CAboutWnd::OnLayoutLoaded()
{
    SetWindowText(Text("about_title_text"));
    if (CControlUI* control = paintManager_.FindControl(QStringLiteral("about_details"))) {
        if (auto* label = qobject_cast<QLabel*>(control->GetWidget())) {
            // A table keeps the values aligned; every value is plain text, never markup.
            QString html = QStringLiteral("<table cellspacing=\"4\">");
            for (const auto& [name, value] : Lines(facts_))
                html += QStringLiteral("<tr><td style=\"color:#7D879A\">%1</td><td>%2</td></tr>")
                            .arg(name.toHtmlEscaped(), value.toHtmlEscaped());
            label->setText(html + QStringLiteral("</table>"));
        }
    }
    if (CControlUI* ok = paintManager_.FindControl(QStringLiteral("btn_ok"))) {
        if (auto* button = qobject_cast<QPushButton*>(ok->GetWidget())) {
            button->setAutoDefault(true);
            button->setFocus();
        }
    }
}

void CAboutWnd::Notify(TNotifyUI& msg)
{
    if (msg.sType != DUI_MSGTYPE_CLICK || !msg.pSender)
        return;
    const QString name = msg.pSender->GetName();
    if (name == QLatin1String("btn_ok"))
        Close(1);
    else if (name == QLatin1String("about_copy_btn"))
        QGuiApplication::clipboard()->setText(AboutText(facts_));
}

} // namespace kestrin
