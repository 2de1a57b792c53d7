#include "common/Sha256.h"

#include <QFile>

#include <openssl/evp.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

struct ContextFree {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
using Context = std::unique_ptr<EVP_MD_CTX, ContextFree>;

Context begin()
{
    Context ctx(EVP_MD_CTX_new());
    if (ctx && EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1)
        ctx.reset();
    return ctx;
}

QString finish(EVP_MD_CTX* ctx)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(ctx, digest, &size) != 1)
        return {};
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest), size).toHex());
}

} // namespace

namespace Sha256 {

QString hex(QByteArrayView bytes)
{
    const Context ctx = begin();
    if (!ctx || EVP_DigestUpdate(ctx.get(), bytes.data(), static_cast<size_t>(bytes.size())) != 1)
        return {};
    return finish(ctx.get());
}

Result<QString> fileHex(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure { file.errorString() };
    const Context ctx = begin();
    if (!ctx)
        return Failure { u"SHA-256 不可用"_s };
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 read = file.read(buffer.data(), buffer.size());
        if (read < 0)
            return Failure { file.errorString() };
        if (read == 0)
            break;
        if (EVP_DigestUpdate(ctx.get(), buffer.constData(), static_cast<size_t>(read)) != 1)
            return Failure { u"SHA-256 计算失败"_s };
    }
    QString digest = finish(ctx.get());
    if (digest.isEmpty())
        return Failure { u"SHA-256 计算失败"_s };
    return digest;
}

} // namespace Sha256
