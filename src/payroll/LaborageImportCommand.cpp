#include "payroll/LaborageImportCommand.h"

#include "app/MainWindowServices.h"
#include "app/frmMsg.h"
#include "common/ImportText.h"
#include "common/Prompt.h"
#include "common/Workbook.h"
#include "domain/AppContext.h"
#include "domain/payroll/LaborageImport.h"

#include <QFile>

using namespace Qt::StringLiterals;
using ImportText::kNothingImported;

namespace LaborageImport {

void importPayrollFile(AppContext& ctx, MainWindowServices& main, bool listShowsInstruction)
{
    const QStringList kinds = { FileFilter::csv(), FileFilter::xls() };
    const QString path = main.selectOpenFile({ FileKind::UploadFile,
        QStringList { FileFilter::supported(kinds) } + kinds + QStringList { FileFilter::all() } });
    const Format format = formatOf(path);
    if (format == Format::None) {
        main.resetLaborageIn();
        return;
    }
    if (format == Format::Unsupported) {
        ctx.prompt.message(u"抱歉，系统目前不支持该格式文件，请选择csv或xls格式文件进行操作"_s);
        return;
    }

    // The whole file is read before anything is asked or changed.
    frmMsg msg(main.dialogParent());
    const auto step = [&msg](int done, int total) { msg.step(done, total); };
    ReadResult read;
    if (format == Format::Csv) {
        QFile file(path);
        const bool opened = file.open(QIODevice::ReadOnly);
        const QByteArray bytes = opened ? file.readAll() : QByteArray();
        if (!opened || file.error() != QFileDevice::NoError) {
            ctx.prompt.message(kReadFailed + u'\n' + kNothingImported);
            return;
        }
        read = readCsv(bytes);
    } else {
        msg.begin();
        const Result<WorkbookReader> sheet = WorkbookReader::read(path);
        if (!sheet) {
            msg.end();
            ctx.prompt.message(kReadFailed + u'\n' + kNothingImported);
            return;
        }
        read = readWorkbook(sheet.value(), step);
        msg.end();
    }
    if (read.records.empty() && !read.stopped()) {
        ctx.prompt.message(ImportText::kNoInstructions);
        return;
    }

    if (listShowsInstruction
        && !ctx.prompt.askOkCancel(u"文件导入时原有数据将被全部清空，请先用“生成上传文件”功能保存，请确认是否要继续?"_s,
            DefaultButton::Cancel))
        return;

    if (!backupBefore(ctx, u"import-payroll"_s))
        return;
    if (format == Format::Csv) {
        const Result<qint64> imported = importRecords(ctx.db(), read, format, listShowsInstruction);
        importDone(ctx, path);
        main.resetLaborageIn();
        if (imported)
            ctx.prompt.message(u"导入代发工资文件完毕"_s);
        else
            ctx.prompt.message(imported.message() + u'\n' + kNothingImported);
        return;
    }

    msg.begin();
    const Result<qint64> imported = importRecords(ctx.db(), read, format, listShowsInstruction, step);
    importDone(ctx, path);
    msg.end();
    if (!imported) {
        ctx.prompt.message(imported.message() + u'\n' + kNothingImported);
        ctx.prompt.message(u"文件导入失败"_s);
        return;
    }
    ctx.prompt.message(u"共导入"_s + QString::number(imported.value()) + u"条记录"_s);
    main.resetLaborageIn();
    ctx.prompt.message(u"导入数据成功"_s);
}

} // namespace LaborageImport
