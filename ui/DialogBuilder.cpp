#include "ui/DialogBuilder.h"

#include "base/Trace.h"
#include "ui/BatteryRing.h"
#include "ui/ColorPalette.h"
#include "ui/LayoutTexts.h"
#include "ui/PaintManager.h"
#include "ui/ResourceManager.h"

#include <QDir>
#include <QFile>
#include <QUiLoader>

namespace kestrin {
namespace {

class SkinLoader final : public QUiLoader {
public:
    SkinLoader() { setWorkingDirectory(QDir(CResourceManager::GetInstance()->GetResourcePath())); }

    QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override
    {
        QWidget* widget = nullptr;
        if (className == QLatin1String("kestrin::ColorPaletteWidget"))
            widget = new ColorPaletteWidget(parent);
        else if (className == QLatin1String("kestrin::BatteryRing"))
            widget = new BatteryRing(parent);
        else
            return QUiLoader::createWidget(className, parent, name);
        widget->setObjectName(name);
        return widget;
    }
};

} // namespace

QWidget* CDialogBuilder::BuildWidget(const QString& name, QWidget* parent)
{
    QFile file(CResourceManager::GetInstance()->ResourceFile(name));
    if (!file.open(QIODevice::ReadOnly)) {
        Trace("layout %s: %s\n", file.fileName().toUtf8().constData(),
            file.errorString().toUtf8().constData());
        return nullptr;
    }
    SkinLoader loader;
    // Strings are text ids, resolved here so that a later language reaches them too.
    loader.setTranslationEnabled(false);
    QWidget* widget = loader.load(&file, parent);
    if (widget)
        ShowLayoutTexts(widget);
    else
        Trace("layout %s: %s\n", file.fileName().toUtf8().constData(),
            loader.errorString().toUtf8().constData());
    return widget;
}

CControlUI* CDialogBuilder::Create(const QString& name, CPaintManagerUI* manager, QWidget* parent)
{
    QWidget* widget = BuildWidget(name, parent);
    if (!widget || !manager)
        return nullptr;
    return manager->AdoptSubtree(widget);
}

} // namespace kestrin
