#include "Prompt.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

QString fileFilterFor(const QString& extension)
{
    const QString e = extension.trimmed();
    return e.toUpper() + u" (*."_s + e.toUpper() + u")|*."_s + e.toLower();
}

QString selectSaveFile(Prompt& prompt, const QString& extension)
{
    const QString path = prompt.chooseSaveFile(fileFilterFor(extension));
    if (path.isEmpty())
        return {};
    // A failure while testing for the file counts as "does not exist".
    if (QFileInfo::exists(path)) {
        if (!prompt.askOkCancel(u"该文件名已经存在，是否覆盖原有文件?"_s))
            return {};
    }
    return path;
}

QString selectOpenFile(Prompt& prompt, const QString& extension)
{
    return prompt.chooseOpenFile(fileFilterFor(extension));
}
