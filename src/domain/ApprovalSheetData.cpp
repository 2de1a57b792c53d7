#include "domain/ApprovalSheetData.h"

#include "common/AmountConvert.h"

using namespace Qt::StringLiterals;

QString ApprovalSheetData::totalInWords() const
{
    const qint64 fen = total.fen();
    if (fen == 0)
        return u"零元整"_s;
    const QString words = amountToWords(total.toPlainText());
    return fen % 100 == 0 ? words + u"整"_s : words;
}
