#pragma once

#include "ui/ResourceManager.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kestrin::test {

// A throw-away skin folder holding the files a test writes, made the resource path.
class SkinFolder {
public:
    SkinFolder()
    {
        EXPECT_TRUE(dir_.isValid());
        CResourceManager::GetInstance()->SetResourcePath(dir_.path());
    }
    ~SkinFolder() { CResourceManager::GetInstance()->SetResourcePath(previous_); }

    void Write(const QString& name, const QByteArray& content) const
    {
        QDir(dir_.path()).mkpath(QFileInfo(dir_.filePath(name)).path());
        QFile file(dir_.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QString Path() const { return dir_.path() + QLatin1Char('/'); }

private:
    QString previous_ = CResourceManager::GetInstance()->GetResourcePath();
    QTemporaryDir dir_;
};

// The skin the build installs beside the program.
inline void UseInstalledSkin()
{
    CResourceManager* resources = CResourceManager::GetInstance();
    resources->SetResourcePath(QStringLiteral(KESTRIN_PROGRAM_DIR "/res/"));
    ASSERT_TRUE(resources->LoadLanguage(QStringLiteral("lan.xml")));
    ASSERT_TRUE(resources->LoadStyleSheet(QStringLiteral("kestrin.qss")));
}

} // namespace kestrin::test
