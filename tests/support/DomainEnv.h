#pragma once

#include "RecordingPrompt.h"
#include "domain/AppContext.h"

#include <QTemporaryDir>
#include <QTest>
#include <QVariant>
#include <QVariantList>

#include <memory>

// A temporary program directory with a fresh userdb.mdb (from the schema) and an
// AppContext with the recording prompt: what a test of the domain library needs,
// without any window (Qt Core only).
class DomainEnv {
public:
    DomainEnv();
    virtual ~DomainEnv();
    DomainEnv(const DomainEnv&) = delete;
    DomainEnv& operator=(const DomainEnv&) = delete;

    QString dir() const { return m_dir.path(); }
    QString path(const QString& fileName) const;
    RecordingPrompt prompt;
    AppContext& ctx() { return *m_ctx; }
    DBAccess& db() { return m_ctx->db(); }

    // Runs a statement directly for a test's set-up; fails the test when it fails.
    void exec(const QString& sql, const QVariantList& params = {});
    // The single value of a query ("select count(*) from payment").
    QVariant scalar(const QString& sql, const QVariantList& params = {});

protected:
    void closeContext() { m_ctx.reset(); }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<AppContext> m_ctx;
};
