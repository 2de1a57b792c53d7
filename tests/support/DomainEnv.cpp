#include "DomainEnv.h"

#include <QTest>

DomainEnv::DomainEnv()
{
    if (const Result<> created = DBAccess::createStore(path(QStringLiteral("userdb.mdb"))); !created)
        qFatal("cannot create the test store: %s", qPrintable(created.message()));
    // The folders of the file dialogs are remembered in this test's own folder.
    prompt.fileFolders().useSettingsFile(path(QStringLiteral("user-settings.conf")));
    m_ctx = std::make_unique<AppContext>(prompt, m_dir.path());
}

DomainEnv::~DomainEnv() = default;

QString DomainEnv::path(const QString& fileName) const
{
    return m_dir.filePath(fileName);
}

void DomainEnv::exec(const QString& sql, const QVariantList& params)
{
    if (const Result<> done = db().Update(sql, params); !done)
        QTest::qFail(
            qPrintable(QStringLiteral("set-up statement failed: ") + sql + QStringLiteral(": ") + done.message()),
            __FILE__, __LINE__);
}

QVariant DomainEnv::scalar(const QString& sql, const QVariantList& params)
{
    auto rs = db().Query(sql, params);
    if (!rs || rs->isEmpty())
        return {};
    return rs->value(0, 0);
}
