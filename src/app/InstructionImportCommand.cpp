#include "app/InstructionImportCommand.h"

#include "app/MainWindowServices.h"
#include "app/TabPage.h"
#include "app/frmMsg.h"
#include "common/ImportText.h"
#include "common/Prompt.h"
#include "common/SheetRows.h"
#include "domain/AppContext.h"
#include "domain/Backups.h"
#include "domain/ImportRunner.h"
#include "domain/payment/PaymentImport.h"
#include "domain/payroll/LaborageImport.h"

#include <QFile>

#include <optional>

using namespace Qt::StringLiterals;
using ImportText::kNothingImported;
using Chosen = InstructionImport::Chosen;

namespace {
// The whole file, or nothing when it cannot be opened or read to its end.
std::optional<QByteArray> readWholeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

// The message of an import that stopped: its reason, then that the store was
// left as it was.
QString stopped(const QString& message)
{
    return message + u'\n' + kNothingImported;
}
} // namespace

void runInstructionImport(
    const InstructionImport& steps, AppContext& ctx, MainWindowServices& main, bool listShowsInstruction)
{
    const QString path = main.selectOpenFile({ FileKind::UploadFile,
        QStringList { FileFilter::supported(steps.kinds) } + steps.kinds + QStringList { FileFilter::all() } });
    switch (steps.kindOf(path)) {
    case Chosen::None:
        steps.refresh();
        return;
    case Chosen::Unsupported:
        ctx.prompt.message(steps.unsupported);
        return;
    case Chosen::Readable:
        break;
    }
    if (!steps.read(path))
        return;
    if (listShowsInstruction
        && !ctx.prompt.askOkCancel(u"文件导入时原有数据将被全部清空，请先用“生成上传文件”功能保存，请确认是否要继续?"_s,
            DefaultButton::Cancel))
        return;
    if (!backupBefore(ctx, steps.backupOperation))
        return;
    if (listShowsInstruction)
        steps.clearList();
    steps.run(listShowsInstruction);
    importDone(ctx, path);
}

void importBatchPaymentFile(AppContext& ctx, MainWindowServices& main, bool listShowsInstruction)
{
    using namespace PaymentImport;
    Family family = Family::None;
    ReadResult read;
    InstructionImport steps;
    steps.kinds = { FileFilter::csv(), FileFilter::xml(), FileFilter::plz() };
    steps.backupOperation = u"import-batch"_s;
    steps.unsupported = u"抱歉，系统目前不支持该格式文件，请选择csv、plz或xml格式文件进行操作"_s;
    steps.refresh = [&main] { main.resetPaymentB2B(); };
    steps.clearList = [&main] { main.page(MainWindowServices::TabPaymentB2B)->clearGrid(); };
    steps.kindOf = [&family](const QString& path) {
        family = familyOf(path);
        return family == Family::None       ? Chosen::None
            : family == Family::Unsupported ? Chosen::Unsupported
                                            : Chosen::Readable;
    };
    steps.read = [&](const QString& path) {
        const std::optional<QByteArray> bytes = readWholeFile(path);
        if (!bytes) {
            ctx.prompt.message(stopped(kReadFailed));
            main.resetPaymentB2B();
            return false;
        }
        if (family == Family::Xml) {
            // A file that is not a usable document, or whose records are not
            // where the layout puts them, is refused naming the file and the reason.
            Result<ReadResult> xml = readXmlForImport(*bytes, path);
            if (!xml) {
                ctx.prompt.message(xml.message());
                return false;
            }
            read = std::move(xml).value();
            return true;
        }
        read = readCsv(*bytes);
        if (read.records.empty() && !read.stopped()) {
            ctx.prompt.message(ImportText::kNoInstructions);
            return false;
        }
        return true;
    };
    steps.run = [&](bool replace) {
        const Result<qint64> result = importRecords(ctx.db(), ctx.serialNumbers, read, replace);
        // The records are in the store now: they go before the list is rebuilt,
        // so that a big file is not held beside the list built from it.
        read = {};
        if (result) {
            main.resetPaymentB2B();
            ctx.prompt.message(u"导入批量付款文件完毕"_s);
        } else {
            ctx.prompt.message(stopped(result.message()));
            if (replace || ImportRunner::storeRefused(result))
                main.resetPaymentB2B();
        }
    };
    runInstructionImport(steps, ctx, main, listShowsInstruction);
}

void importPayrollFile(AppContext& ctx, MainWindowServices& main, bool listShowsInstruction)
{
    using namespace LaborageImport;
    Format format = Format::None;
    ReadResult read;
    frmMsg msg(main.dialogParent());
    const auto step = [&msg](int done, int total) { msg.step(done, total); };
    InstructionImport steps;
    steps.kinds = { FileFilter::csv(), FileFilter::xls(), FileFilter::xlsx() };
    steps.backupOperation = u"import-payroll"_s;
    steps.unsupported = u"抱歉，系统目前不支持该格式文件，请选择csv或xls格式文件进行操作"_s;
    steps.refresh = [&main] { main.resetLaborageIn(); };
    steps.clearList = [&main] { main.page(MainWindowServices::TabLaborage)->clearGrid(); };
    steps.kindOf = [&format](const QString& path) {
        format = formatOf(path);
        return format == Format::None       ? Chosen::None
            : format == Format::Unsupported ? Chosen::Unsupported
                                            : Chosen::Readable;
    };
    steps.read = [&](const QString& path) {
        if (format == Format::Csv) {
            const std::optional<QByteArray> bytes = readWholeFile(path);
            if (!bytes) {
                ctx.prompt.message(stopped(kReadFailed));
                return false;
            }
            read = readCsv(*bytes);
        } else {
            msg.begin();
            // .xls or .xlsx by content; a refusal of the reader names its reason.
            const Result<std::unique_ptr<SheetRows>> sheet = openSheet(path);
            Result<ReadResult> rows = sheet ? readWorkbook(**sheet) : Result<ReadResult>(Failure { sheet.message() });
            msg.end();
            if (!rows) {
                ctx.prompt.message(stopped(kReadFailed + u'\n' + rows.message()));
                return false;
            }
            read = std::move(rows).value();
        }
        if (read.records.empty() && !read.stopped()) {
            ctx.prompt.message(ImportText::kNoInstructions);
            return false;
        }
        return true;
    };
    steps.run = [&](bool replace) {
        if (format == Format::Csv) {
            const Result<qint64> imported = importRecords(ctx.db(), read, format, replace);
            read = {};
            main.resetLaborageIn();
            ctx.prompt.message(imported ? u"导入代发工资文件完毕"_s : stopped(imported.message()));
            return;
        }
        msg.begin();
        const Result<qint64> imported = importRecords(ctx.db(), read, format, replace, step);
        read = {};
        msg.end();
        if (!imported) {
            ctx.prompt.message(stopped(imported.message()));
            ctx.prompt.message(u"文件导入失败"_s);
            if (replace)
                main.resetLaborageIn();
            return;
        }
        ctx.prompt.message(u"共导入"_s + QString::number(imported.value()) + u"条记录"_s);
        main.resetLaborageIn();
        ctx.prompt.message(u"导入数据成功"_s);
    };
    runInstructionImport(steps, ctx, main, listShowsInstruction);
}
