#include "store/StoreVersion.h"

#include "store/DBAccess.h"
#include "store/SchemaSql.h"

#include <QString>

#include <sqlite3.h>

#include <array>

using namespace Qt::StringLiterals;

namespace {

// The steps from version 0 to 2; later steps are sections of the schema (see
// stepText). Each step runs inside the upgrade's transaction; the version and
// the mark are written after the last. A step that rewrites the text of a
// table's definition (sqlite_master, under writable_schema) changes nothing
// stored: the upgrade then raises the schema cookie, so that every connection
// reads the definitions again.
//
// 0 -> 1: the stores of earlier versions have the tables of version 1 but no
// mark; indexes that a store made by hand may lack are added.
constexpr std::array kFirstSteps = {
    "CREATE INDEX IF NOT EXISTS pay_acc_acc_no ON pay_acc (acc_no);"
    "CREATE INDEX IF NOT EXISTS payee_acc_acc_no_type ON payee_acc (acc_no, acc_type);"
    "CREATE INDEX IF NOT EXISTS payee_acc_acc_type ON payee_acc (acc_type, acc_no);"
    "CREATE INDEX IF NOT EXISTS person_payee_acc_acc_no ON person_payee_acc (acc_no);"
    "CREATE INDEX IF NOT EXISTS person_payee_acc_employee_no ON person_payee_acc (employee_no);"
    "CREATE INDEX IF NOT EXISTS person_payee_acc_cert ON person_payee_acc (cert_type, cert_code);"
    "CREATE INDEX IF NOT EXISTS person_payee_acc_group ON person_payee_acc (group_no, person_no);"
    "CREATE INDEX IF NOT EXISTS person_payee_acc_person_no ON person_payee_acc (person_no);"
    "CREATE INDEX IF NOT EXISTS user_remark_remark ON user_remark (remark);"
    "CREATE INDEX IF NOT EXISTS payment_serial_no ON payment (serial_no);"
    "CREATE INDEX IF NOT EXISTS payment_rec_acc ON payment (rec_acc_type, rec_acc_no);"
    "CREATE INDEX IF NOT EXISTS laborage_serial_no ON laborage (serial_no);"
    "CREATE INDEX IF NOT EXISTS laborage_acc_no ON laborage (acc_no);"
    "CREATE INDEX IF NOT EXISTS laborage_acc_type ON laborage (acc_type);",

    // 1 -> 2: the checks that a number column holds a number are written as
    // comparisons instead of "typeof(x) IN (...)", which the store evaluated by
    // building a list for every row written (half the time of an import). Both
    // forms accept the same values, so no row is touched; a table whose check
    // has another form is left as it is.
    "PRAGMA writable_schema=ON;"
    "UPDATE sqlite_master SET sql=replace(sql,"
    "'typeof(person_no) IN (''integer'', ''real'', ''null'')',"
    "'typeof(person_no) = ''integer'' OR typeof(person_no) = ''real'' OR typeof(person_no) = ''null''')"
    " WHERE type='table' AND name='person_payee_acc';"
    "UPDATE sqlite_master SET sql=replace(sql,"
    "'typeof(pay_amt) IN (''integer'', ''real'', ''null'')',"
    "'typeof(pay_amt) = ''integer'' OR typeof(pay_amt) = ''real'' OR typeof(pay_amt) = ''null''')"
    " WHERE type='table' AND name='payment';"
    "UPDATE sqlite_master SET sql=replace(replace(sql,"
    "'typeof(serial_no) IN (''integer'', ''real'', ''null'')',"
    "'typeof(serial_no) = ''integer'' OR typeof(serial_no) = ''real'' OR typeof(serial_no) = ''null'''),"
    "'typeof(pay_amount) IN (''integer'', ''real'', ''null'')',"
    "'typeof(pay_amount) = ''integer'' OR typeof(pay_amount) = ''real'' OR typeof(pay_amount) = ''null''')"
    " WHERE type='table' AND name='laborage';"
    "PRAGMA writable_schema=OFF;",
};

// The step from version n - 1 to n, for n >= 2: the section of the schema
// that begins with the line "-- Version n:" and ends where the next version's
// section begins. A new store and an upgraded one are made by the same text,
// so they cannot differ.
QByteArray schemaSection(int version)
{
    const QByteArray schema(kSchemaSql);
    const QByteArray marker = "\n-- Version " + QByteArray::number(version) + ":";
    const qsizetype begin = schema.indexOf(marker);
    if (begin < 0)
        return {};
    const qsizetype end = schema.indexOf("\n-- Version ", begin + marker.size());
    return schema.mid(begin + 1, end < 0 ? -1 : end - begin);
}

// The statements of the step from `version` to `version + 1`; empty when
// this program knows no such step.
QByteArray stepText(int version)
{
    if (version >= 0 && version < static_cast<int>(kFirstSteps.size()))
        return kFirstSteps[static_cast<size_t>(version)];
    return schemaSection(version + 1);
}

int pragmaInt(sqlite3* db, const char* sql, bool* ok)
{
    sqlite3_stmt* stmt = nullptr;
    int value = 0;
    *ok = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW;
    if (*ok)
        value = sqlite3_column_int(stmt, 0);
    sqlite3_finalize(stmt);
    return value;
}

} // namespace

namespace StoreVersion {

Result<Mark> read(sqlite3* db)
{
    bool ok = false;
    Mark mark;
    mark.applicationId = pragmaInt(db, "PRAGMA application_id", &ok);
    if (ok)
        mark.version = pragmaInt(db, "PRAGMA user_version", &ok);
    if (!ok)
        return Failure { QString::fromUtf8(sqlite3_errmsg(db)) };
    return mark;
}

bool hasOurTables(sqlite3* db)
{
    bool ok = false;
    const int found = pragmaInt(db,
        "select count(*) from sqlite_master where type='table' and name in"
        " ('pay_acc','payee_acc','person_payee_acc','user_remark','payment','laborage')",
        &ok);
    return ok && found == 6;
}

QString refusal(const Mark& mark, bool ourTables, int currentVersion)
{
    if (mark.applicationId == 0 && mark.version == 0)
        return ourTables ? QString() : u"文件不是本程序的数据库"_s;
    if (mark.applicationId != DBAccess::kApplicationId)
        return u"文件不是本程序的数据库"_s;
    if (mark.version > currentVersion)
        return u"数据库版本 %1 高于本程序支持的版本 %2"_s.arg(mark.version).arg(currentVersion);
    if (mark.version < 1)
        return u"数据库版本无效"_s;
    if (!ourTables)
        return u"文件中缺少本程序的数据表"_s;
    return {};
}

Result<> upgrade(sqlite3* db, int fromVersion, int currentVersion)
{
    if (fromVersion >= currentVersion)
        return {};
    if (fromVersion < 0)
        return Failure { u"无法升级数据库版本 %1"_s.arg(fromVersion) };
    QByteArray script = "BEGIN IMMEDIATE;";
    for (int v = fromVersion; v < currentVersion; ++v) {
        const QByteArray step = stepText(v);
        if (step.isEmpty())
            return Failure { u"无法升级数据库版本 %1"_s.arg(fromVersion) };
        script += step;
    }
    char* err = nullptr;
    bool ok = sqlite3_exec(db, script.constData(), nullptr, nullptr, &err) == SQLITE_OK;
    if (ok && script.contains("writable_schema")) {
        // The definitions were rewritten in place: a new schema cookie makes
        // every connection, this one included, read them again.
        const int cookie = pragmaInt(db, "PRAGMA schema_version", &ok);
        const QByteArray raise = "PRAGMA schema_version=" + QByteArray::number(cookie + 1);
        ok = ok && sqlite3_exec(db, raise.constData(), nullptr, nullptr, &err) == SQLITE_OK;
    }
    script = "PRAGMA application_id=" + QByteArray::number(DBAccess::kApplicationId) + ";";
    script += "PRAGMA user_version=" + QByteArray::number(currentVersion) + ";";
    script += "COMMIT;";
    if (!ok || sqlite3_exec(db, script.constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const QString text = QString::fromUtf8(err ? err : sqlite3_errmsg(db));
        sqlite3_free(err);
        if (sqlite3_get_autocommit(db) == 0)
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        return Failure { u"数据库从版本 %1 升级到版本 %2 失败：%3"_s.arg(fromVersion).arg(currentVersion).arg(text) };
    }
    return {};
}

} // namespace StoreVersion
