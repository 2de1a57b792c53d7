#pragma once

// Payment instruction files as users bring them: the upload file the batch
// payment tab writes (CSV in GBK) and the XML instruction file.

#include "common/GbkCodec.h"
#include "common/Money.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace paymentfiles {

using namespace Qt::StringLiterals;

inline QByteArray gbk(const QString& text)
{
    return GbkCodec::encode(text).value_or(QByteArray());
}

// An upload file: the header with the count and total of the given
// instruction lines, then the lines, CR LF after each.
inline QByteArray csv(const QStringList& lines)
{
    Money total;
    for (const QString& line : lines)
        total += Money::parse(line.section(u',', 7, 7).remove(u'#')).value_or(Money());
    QString text = u"%1,%2\r\n"_s.arg(lines.size()).arg(total.toPlainText());
    for (const QString& line : lines)
        text += line + u"\r\n"_s;
    return gbk(text);
}

inline const QString kGoodLine = u"1,#6228480012345678,某某贸易有限公司,0,#6222000011112222,张三,,#50.00,货款"_s;

// An XML instruction file with one record per attribute list.
inline QByteArray xml(const QStringList& records)
{
    QString text = u"<?xml version='1.0' encoding='gb2312'?>\r\n<root><RecordList>"_s;
    for (const QString& r : records)
        text += u"<record "_s + r + u"/>"_s;
    return gbk(text + u"</RecordList></root>\r\n"_s);
}

inline QString record(const QString& overrides = {})
{
    QString base = u"currencyType=\"01\" payAccNo=\"6228480012345678\" payAccNme=\"某某贸易有限公司\" "
                   u"isOtherBank=\"1\" recAccNo=\"955880001\" recAccNme=\"李四\" recAccArea=\"020\" "
                   u"recOpenBankNo=\"313100000013\" money=\"1,234.5\" comment=\"货款\""_s;
    // An override replaces the attribute of the same name, or is added.
    for (const QString& o : overrides.split(u' ', Qt::SkipEmptyParts)) {
        const QString name = o.section(u'=', 0, 0);
        const qsizetype from = base.startsWith(name + u'=') ? 0 : base.indexOf(u' ' + name + u'=') + 1;
        if (from == 0 && !base.startsWith(name + u'=')) {
            base += u' ' + o;
            continue;
        }
        const qsizetype end = base.indexOf(u'"', base.indexOf(u'"', from) + 1);
        base.replace(from, end - from + 1, o);
    }
    return base;
}

} // namespace paymentfiles
