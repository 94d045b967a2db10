#pragma once

#include "ui/WindowImplBase.h"

#include <QString>

namespace kestrin {

// What the About window tells, gathered by its owner.
struct AboutFacts {
    QString version;
    QString qtVersion;
    QString mouse; // the links up and the ids on them, or the language's "not connected"
    QString dataFolder;
};

// The facts as label and value lines, plain text: what "Copy" puts on the clipboard for a
// bug report.
QString AboutText(const AboutFacts& facts);

// The About window: the program's version, Qt's, the mouse and the data folder, which can be
// selected or copied whole. Modal over its owner.
class CAboutWnd final : public WindowImplBase {
public:
    explicit CAboutWnd(AboutFacts facts) : facts_(std::move(facts)) { }
    static void Show(CWindowWnd* owner, const AboutFacts& facts);

protected:
    QString GetWindowClassName() const override { return QStringLiteral("AboutWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("about.xml"); }
    void OnLayoutLoaded() override;
    void Notify(TNotifyUI& msg) override;

private:
    AboutFacts facts_;
};

} // namespace kestrin
