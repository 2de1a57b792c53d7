#include "payment/PaymentImportCommand.h"

#include "app/MainWindowServices.h"
#include "common/ImportText.h"
#include "common/Prompt.h"
#include "domain/AppContext.h"
#include "domain/ImportRunner.h"
#include "domain/payment/PaymentImport.h"

#include <QFile>

using namespace Qt::StringLiterals;
using ImportText::kNothingImported;

namespace PaymentImport {

void importBatchPaymentFile(AppContext& ctx, MainWindowServices& main, bool listShowsInstruction)
{
    const QStringList kinds = { FileFilter::csv(), FileFilter::xml(), FileFilter::plz() };
    const QString path = main.selectOpenFile({ FileKind::UploadFile,
        QStringList { FileFilter::supported(kinds) } + kinds + QStringList { FileFilter::all() } });
    const Family family = familyOf(path);
    if (family == Family::None) {
        main.resetPaymentB2B();
        return;
    }
    if (family == Family::Unsupported) {
        ctx.prompt.message(u"抱歉，系统目前不支持该格式文件，请选择csv、plz或xml格式文件进行操作"_s);
        return;
    }

    // The whole file is read before anything is asked or changed.
    QFile file(path);
    const bool opened = file.open(QIODevice::ReadOnly);
    const QByteArray bytes = opened ? file.readAll() : QByteArray();
    const bool readFailed = !opened || file.error() != QFileDevice::NoError;
    file.close();
    if (readFailed) {
        ctx.prompt.message(kReadFailed + u'\n' + kNothingImported);
        main.resetPaymentB2B();
        return;
    }

    ReadResult read;
    if (family == Family::Xml) {
        // A file that is not a usable document, or whose records are not where
        // the layout puts them, is refused naming the file and the reason.
        Result<ReadResult> xml = readXmlForImport(bytes, path);
        if (!xml) {
            ctx.prompt.message(xml.message());
            return;
        }
        read = std::move(xml).value();
    } else {
        read = readCsv(bytes);
        if (read.records.empty() && !read.stopped()) {
            ctx.prompt.message(ImportText::kNoInstructions);
            return;
        }
    }

    if (listShowsInstruction
        && !ctx.prompt.askOkCancel(u"文件导入时原有数据将被全部清空，请先用“生成上传文件”功能保存，请确认是否要继续?"_s,
            DefaultButton::Cancel))
        return;

    if (!backupBefore(ctx, u"import-batch"_s))
        return;
    const Result<qint64> result = importRecords(ctx.db(), ctx.serialNumbers, read, listShowsInstruction);
    importDone(ctx, path);
    if (result) {
        main.resetPaymentB2B();
        ctx.prompt.message(u"导入批量付款文件完毕"_s);
    } else {
        ctx.prompt.message(result.message() + u'\n' + kNothingImported);
        if (ImportRunner::storeRefused(result))
            main.resetPaymentB2B();
    }
}

} // namespace PaymentImport
