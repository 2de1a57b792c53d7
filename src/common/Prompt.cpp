#include "common/Prompt.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace FileFilter {
QString csv()
{
    return u"CSV 文件 (*.csv)"_s;
}

QString xls()
{
    return u"Excel 97-2003 工作簿 (*.xls)"_s;
}

QString xlsx()
{
    return u"Excel 工作簿 (*.xlsx)"_s;
}

QString xml()
{
    return u"XML 文件 (*.xml)"_s;
}

QString plz()
{
    return u"PLZ 指令文件 (*.plz)"_s;
}

QString pdf()
{
    return u"PDF 文件 (*.pdf)"_s;
}

QString ico()
{
    return u"图标文件 (*.ico)"_s;
}

QString all()
{
    return u"所有文件 (*)"_s;
}

QString supported(const QStringList& filters)
{
    QStringList patterns;
    for (const QString& filter : filters) {
        for (const QString& extension : extensions(filter))
            patterns << u"*."_s + extension;
    }
    return u"所有支持的文件 ("_s + patterns.join(u' ') + u")"_s;
}

QStringList extensions(const QString& filter)
{
    // The patterns stand in the last brackets: "CSV 文件 (*.csv)".
    const qsizetype open = filter.lastIndexOf(u'(');
    const qsizetype close = filter.lastIndexOf(u')');
    if (open < 0 || close < open)
        return {};
    QStringList found;
    static const QRegularExpression blanks(u"\\s+"_s);
    for (const QString& pattern : filter.mid(open + 1, close - open - 1).split(blanks, Qt::SkipEmptyParts)) {
        if (pattern.startsWith(u"*."_s) && pattern.size() > 2)
            found << pattern.mid(2).toLower();
    }
    return found;
}
} // namespace FileFilter

QString withChosenExtension(const QString& path, const QString& chosenFilter, const QStringList& filters)
{
    if (path.isEmpty())
        return path;
    const QString fileName = QFileInfo(path).fileName();
    for (const QString& filter : filters) {
        for (const QString& extension : FileFilter::extensions(filter)) {
            if (fileName.endsWith(u'.' + extension, Qt::CaseInsensitive) && fileName.size() > extension.size() + 1)
                return path;
        }
    }
    QStringList chosen = FileFilter::extensions(chosenFilter);
    if (chosen.isEmpty() || !filters.contains(chosenFilter))
        chosen = FileFilter::extensions(filters.value(0));
    if (chosen.isEmpty())
        return path;
    return path + (path.endsWith(u'.') ? QString() : u"."_s) + chosen.first();
}

QString selectSaveFile(Prompt& prompt, const FileTypes& types)
{
    const FileChoice choice = prompt.chooseSaveFile({ types.filters, prompt.fileFolders().folderFor(types.kind) });
    if (choice.path.isEmpty())
        return {};
    prompt.fileFolders().remember(types.kind, choice.path);
    // The file is written under the name with its extension, so the question
    // is asked for that name.
    const QString path = withChosenExtension(choice.path, choice.filter, types.filters);
    // A failure while testing for the file counts as "does not exist".
    if (QFileInfo::exists(path)) {
        if (!prompt.askOkCancel(u"该文件名已经存在，是否覆盖原有文件?"_s))
            return {};
    }
    return path;
}

QString selectOpenFile(Prompt& prompt, const FileTypes& types)
{
    const FileChoice choice = prompt.chooseOpenFile({ types.filters, prompt.fileFolders().folderFor(types.kind) });
    if (!choice.path.isEmpty())
        prompt.fileFolders().remember(types.kind, choice.path);
    return choice.path;
}

QString writtenMessage(const QString& done, const QString& path)
{
    return done + u"\n文件："_s + QDir::toNativeSeparators(path);
}
