#include "store/DBAccess.h"

#include "common/Prompt.h"
#include "store/SchemaSql.h"
#include "store/StoreVersion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

QString errorText(sqlite3* db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : u"out of memory"_s;
}

// What the user must do when the store cannot be written: the program folder
// holds the store and its journal, so both must be writable.
QString notWritableText(const QString& dbPath)
{
    const QFileInfo file(dbPath);
    return u"程序文件夹“%1”或其中的数据库文件 %2 不可写入。请确认该文件夹和文件可以写入，然后重新启动程序。"_s.arg(
        QDir::toNativeSeparators(file.absolutePath()), file.fileName());
}

// The store's text of the last failure; a store that cannot be written (a
// read-only file or a folder that refuses the journal) is explained in full.
QString failureText(sqlite3* db, const QString& dbPath)
{
    const int code = db ? sqlite3_extended_errcode(db) : SQLITE_NOMEM;
    if ((code & 0xFF) == SQLITE_READONLY || (code & 0xFF) == SQLITE_CANTOPEN)
        return notWritableText(dbPath);
    return errorText(db);
}

// Binds the values in order: null, whole numbers, numbers with decimals, texts.
int bindAll(sqlite3_stmt* stmt, const QVariantList& params)
{
    for (int i = 0; i < params.size(); ++i) {
        const QVariant& v = params.at(i);
        const int index = i + 1;
        int rc = SQLITE_OK;
        if (v.isNull()) {
            rc = sqlite3_bind_null(stmt, index);
        } else {
            switch (v.typeId()) {
            case QMetaType::Bool:
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
                rc = sqlite3_bind_int64(stmt, index, v.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                rc = sqlite3_bind_double(stmt, index, v.toDouble());
                break;
            default: {
                const QByteArray utf8 = v.toString().toUtf8();
                rc = sqlite3_bind_text(stmt, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
                break;
            }
            }
        }
        if (rc != SQLITE_OK)
            return rc;
    }
    return SQLITE_OK;
}

QVariant columnValue(sqlite3_stmt* stmt, int column)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(sqlite3_column_int64(stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt, column));
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
        return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(stmt, column)));
    }
    }
}

// A journal beside the store that the first read did not roll back (one a
// killed process left zero-filled, as the journal of a finished transaction
// is) stays on disk until a write transaction takes it over. The journal is
// never deleted by hand: only SQLite knows whether it must be rolled back, and
// the first read has done that already. An empty transaction does not touch
// the journal, so the transaction rewrites the schema version with its own
// value: the journal is opened, and the commit deletes it. Nothing is done
// when there is no journal; a failure leaves the store as it was.
void takeOverLeftJournal(sqlite3* db, int version)
{
    const char* path = sqlite3_db_filename(db, "main");
    if (!path || !QFileInfo::exists(QFile::decodeName(path) + u"-journal"_s))
        return;
    const QByteArray sql = "BEGIN IMMEDIATE; PRAGMA user_version=" + QByteArray::number(version) + "; COMMIT;";
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK && sqlite3_get_autocommit(db) == 0)
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
}

} // namespace

bool RecordView::isNull(int column) const
{
    return column < 0 || column >= m_columns || sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

std::optional<qint64> RecordView::integer(int column) const
{
    if (column < 0 || column >= m_columns || sqlite3_column_type(m_stmt, column) != SQLITE_INTEGER)
        return std::nullopt;
    return sqlite3_column_int64(m_stmt, column);
}

std::optional<double> RecordView::real(int column) const
{
    if (column < 0 || column >= m_columns || sqlite3_column_type(m_stmt, column) != SQLITE_FLOAT)
        return std::nullopt;
    return sqlite3_column_double(m_stmt, column);
}

QVariant RecordView::value(int column) const
{
    return column >= 0 && column < m_columns ? columnValue(m_stmt, column) : QVariant();
}

QString RecordView::text(int column) const
{
    if (column < 0 || column >= m_columns)
        return {};
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return QString::number(sqlite3_column_int64(m_stmt, column));
    case SQLITE_FLOAT:
        return numberToText(sqlite3_column_double(m_stmt, column));
    default: {
        const auto* utf8 = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
        return QString::fromUtf8(utf8, sqlite3_column_bytes(m_stmt, column));
    }
    }
}

QByteArray RecordView::utf8(int column) const
{
    if (column < 0 || column >= m_columns || sqlite3_column_type(m_stmt, column) != SQLITE_TEXT)
        return text(column).toUtf8();
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    return QByteArray::fromRawData(bytes, sqlite3_column_bytes(m_stmt, column));
}

DBAccess::DBAccess(QString dbPath, Prompt& prompt)
    : m_dbPath(std::move(dbPath))
    , m_prompt(prompt)
{
}

DBAccess::~DBAccess()
{
    Disconnect();
}

Result<> DBAccess::Connect()
{
    if (m_db)
        return {};
    if (m_openFailed)
        return Failure { m_lastError };

    QString failure;
    sqlite3* db = nullptr;
    int version = -1;
    const QByteArray path = m_dbPath.toUtf8();
    // Never create the file: a missing store is an error, not an empty store.
    int rc = sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        failure = errorText(db) + u" ("_s + m_dbPath + u")"_s;
    } else {
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_timeout(db, 2000);
        // Reading the header proves the file is a store at all; the application id
        // proves it is ours (a store of an earlier version has none, but our
        // tables); the user version says whether this program can read it.
        const Result<StoreVersion::Mark> mark = StoreVersion::read(db);
        if (!mark) {
            failure = errorText(db) + u" ("_s + m_dbPath + u")"_s;
        } else {
            version = mark->version;
            // Only an unmarked store must prove by its tables that it is ours;
            // a marked one is read as its version says.
            const bool ourTables = mark->applicationId != 0 || StoreVersion::hasOurTables(db);
            if (const QString refused = StoreVersion::refusal(*mark, ourTables, kSchemaVersion); !refused.isEmpty())
                failure = refused + u" ("_s + m_dbPath + u")"_s;
        }
        if (failure.isEmpty()) {
            // Committed data survives a killed process and a power cut, and lives
            // in userdb.mdb alone: the rollback journal exists only while a
            // transaction runs, so a copy of the file is always a whole backup.
            // Statement journals stay in memory: an update inside a long import
            // would otherwise write a temporary file for every statement.
            char* err = nullptr;
            if (sqlite3_db_readonly(db, "main") == 1) {
                failure = notWritableText(m_dbPath);
            } else if (sqlite3_exec(db,
                           "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; PRAGMA foreign_keys=OFF;"
                           " PRAGMA temp_store=MEMORY;",
                           nullptr, nullptr, &err)
                != SQLITE_OK) {
                failure = QString::fromUtf8(err ? err : "PRAGMA failed");
                sqlite3_free(err);
            }
        }
        if (failure.isEmpty())
            takeOverLeftJournal(db, version);
    }
    if (failure.isEmpty()) {
        m_db = db;
        // An older store is upgraded in place, after its backup, before any
        // other statement reads it.
        if (version < kSchemaVersion) {
            Result<> upgraded = m_onUpgrade ? m_onUpgrade(version) : Result<>();
            if (upgraded)
                upgraded = StoreVersion::upgrade(db, version, kSchemaVersion);
            if (!upgraded) {
                failure = upgraded.message() + u" ("_s + m_dbPath + u")"_s;
                clearStatements();
                m_db = nullptr;
            }
        }
        if (failure.isEmpty() && m_onOpen) {
            if (const Result<> ready = m_onOpen(); !ready) {
                failure = ready.message();
                clearStatements();
                m_db = nullptr;
            }
        }
        if (failure.isEmpty())
            return {};
    }
    sqlite3_close_v2(db);
    m_openFailed = true;
    m_lastError = failure;
    m_prompt.critical(u"Database error"_s, failure);
    if (m_onFatal)
        m_onFatal();
    return Failure { failure };
}

void DBAccess::Disconnect()
{
    if (!m_db)
        return;
    clearStatements();
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

void DBAccess::dropIdleStatements()
{
    // A statement still stepping (an outer query whose record handler runs this
    // one) stays; only idle ones are finalized.
    for (auto it = m_statements.begin(); it != m_statements.end();) {
        if (sqlite3_stmt_busy(it.value())) {
            ++it;
        } else {
            sqlite3_finalize(it.value());
            it = m_statements.erase(it);
        }
    }
}

void DBAccess::clearStatements()
{
    for (sqlite3_stmt* stmt : std::as_const(m_statements))
        sqlite3_finalize(stmt);
    m_statements.clear();
}

qint64 DBAccess::totalChanges() const
{
    return m_db ? sqlite3_total_changes64(m_db) : 0;
}

bool DBAccess::inTransaction() const
{
    return m_db && sqlite3_get_autocommit(m_db) == 0;
}

bool DBAccess::lastFailureRefusedRow() const
{
    return m_db && (sqlite3_extended_errcode(m_db) & 0xFF) == SQLITE_CONSTRAINT;
}

void DBAccess::fail(const QString& text, Report report)
{
    m_lastError = text;
    if (report == Report::SqlErrorBox)
        m_prompt.critical(u"SQL error"_s, text);
}

sqlite3_stmt* DBAccess::statementFor(const QByteArray& text, Report report, bool* kept)
{
    // Statements are prepared once and kept: an import runs the same insert
    // thousands of times. A statement already running (a query inside another
    // query's record handler) gets a fresh one of its own.
    sqlite3_stmt* stmt = m_statements.value(text);
    *kept = stmt && !sqlite3_stmt_busy(stmt);
    if (*kept)
        return stmt;
    stmt = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(m_db, text.constData(), static_cast<int>(text.size()), &stmt, &tail) != SQLITE_OK) {
        fail(errorText(m_db), report);
        return nullptr;
    }
    if (!stmt) { // only whitespace or comments
        fail(u"empty statement"_s, report);
        return nullptr;
    }
    // One text, one statement: a second one would never run, or run half.
    sqlite3_stmt* extra = nullptr;
    const char* end = text.constData() + text.size();
    const int rest = sqlite3_prepare_v2(m_db, tail, static_cast<int>(end - tail), &extra, nullptr);
    sqlite3_finalize(extra);
    if (rest != SQLITE_OK || extra) {
        sqlite3_finalize(stmt);
        fail(u"more than one statement in one text"_s, report);
        return nullptr;
    }
    if (!m_statements.contains(text)) {
        if (m_statements.size() >= kStatementCacheSize)
            dropIdleStatements();
        m_statements.insert(text, stmt);
        *kept = true;
    }
    return stmt;
}

bool DBAccess::execute(
    const QString& sql, const QVariantList& params, Report report, RecordSet* out, const RecordHandler* onRecord)
{
    if (sql.trimmed().isEmpty()) { // a caller's slip, never the user's: no box
        fail(u"empty statement"_s, Report::Silent);
        return false;
    }
    if (!Connect())
        return false;

    const QByteArray text = sql.toUtf8();
    bool cached = false;
    sqlite3_stmt* stmt = statementFor(text, report, &cached);
    if (!stmt)
        return false;
    // Hands the statement back: reset and unbound when kept, finalized otherwise.
    auto release = [&] {
        if (cached) {
            sqlite3_reset(stmt);
            sqlite3_clear_bindings(stmt);
        } else {
            sqlite3_finalize(stmt);
        }
    };
    const int expected = sqlite3_bind_parameter_count(stmt);
    if (expected != params.size()) {
        release();
        fail(u"statement expects %1 values, %2 given"_s.arg(expected).arg(params.size()), report);
        return false;
    }
    if (bindAll(stmt, params) != SQLITE_OK) {
        fail(errorText(m_db), report);
        release();
        return false;
    }

    const int columns = sqlite3_column_count(stmt);
    if (out) {
        QStringList names;
        for (int c = 0; c < columns; ++c)
            names << QString::fromUtf8(sqlite3_column_name(stmt, c));
        *out = RecordSet(names);
    }
    const RecordView view(stmt, columns);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        if (out)
            for (int c = 0; c < columns; ++c)
                out->appendValue(columnValue(stmt, c));
        if (onRecord)
            (*onRecord)(view);
    }
    if (rc != SQLITE_DONE) {
        const QString message = failureText(m_db, m_dbPath);
        release();
        fail(message, report);
        return false;
    }
    release();
    return true;
}

Result<> DBAccess::answer(bool ok) const
{
    if (ok)
        return {};
    return Failure { m_lastError };
}

void RowValues::text(int index, QStringView value)
{
    // A null view has no characters to point at: the store would take a null
    // pointer for SQL NULL, where Insert stores an empty text.
    static const char16_t empty = 0;
    const void* chars = value.isNull() ? static_cast<const void*>(&empty) : value.utf16();
    const int rc = sqlite3_bind_text16(
        m_stmt, index, chars, static_cast<int>(value.size() * qsizetype(sizeof(char16_t))), SQLITE_STATIC);
    if (m_rc == SQLITE_OK)
        m_rc = rc;
}

void RowValues::text(int index, const std::optional<QString>& value)
{
    if (value)
        text(index, QStringView(*value));
    else
        null(index);
}

void RowValues::utf8(int index, QByteArrayView value)
{
    static const char empty = 0;
    const char* chars = value.isNull() ? &empty : value.data();
    const int rc = sqlite3_bind_text(m_stmt, index, chars, static_cast<int>(value.size()), SQLITE_STATIC);
    if (m_rc == SQLITE_OK)
        m_rc = rc;
}

void RowValues::integer(int index, qint64 value)
{
    const int rc = sqlite3_bind_int64(m_stmt, index, value);
    if (m_rc == SQLITE_OK)
        m_rc = rc;
}

void RowValues::null(int index)
{
    const int rc = sqlite3_bind_null(m_stmt, index);
    if (m_rc == SQLITE_OK)
        m_rc = rc;
}

Result<qint64> DBAccess::InsertEach(
    const QString& sql, qint64 count, const RowBinder& bindRow, const std::function<void(qint64)>& afterRow)
{
    if (!Connect())
        return Failure { m_lastError };
    bool kept = false;
    sqlite3_stmt* stmt = statementFor(sql.toUtf8(), Report::Silent, &kept);
    if (!stmt)
        return Failure { m_lastError };
    const auto release = [&] {
        if (kept) {
            sqlite3_reset(stmt);
            sqlite3_clear_bindings(stmt);
        } else {
            sqlite3_finalize(stmt);
        }
    };
    for (qint64 i = 0; i < count; ++i) {
        // Every value of the run is bound anew: one left from the run before
        // would be stored again.
        sqlite3_clear_bindings(stmt);
        RowValues values(stmt);
        bindRow(values, i);
        // Texts are bound without a copy (SQLITE_STATIC): they must outlive the
        // step, which they do, being the caller's for the whole call.
        const int rc = values.m_rc != SQLITE_OK ? values.m_rc : sqlite3_step(stmt);
        if (rc != SQLITE_DONE) {
            const QString message = values.m_rc != SQLITE_OK ? errorText(m_db) : failureText(m_db, m_dbPath);
            release();
            fail(message, Report::Silent);
            return Failure { message, static_cast<qsizetype>(i) };
        }
        sqlite3_reset(stmt);
        if (afterRow)
            afterRow(i);
    }
    release();
    return count;
}

Result<RecordSet> DBAccess::Query(const QString& sql, const QVariantList& params)
{
    RecordSet rs;
    if (!execute(sql, params, Report::SqlErrorBox, &rs))
        return Failure { m_lastError };
    return rs;
}

Result<> DBAccess::QueryEach(const QString& sql, const QVariantList& params, const RecordHandler& onRecord)
{
    return answer(execute(sql, params, Report::SqlErrorBox, nullptr, &onRecord));
}

Result<> DBAccess::Update(const QString& sql, const QVariantList& params)
{
    return answer(execute(sql, params, Report::SqlErrorBox, nullptr));
}

Result<> DBAccess::Delete(const QString& sql, const QVariantList& params)
{
    return answer(execute(sql, params, Report::SqlErrorBox, nullptr));
}

Result<> DBAccess::Insert(const QString& sql, const QVariantList& params)
{
    return answer(execute(sql, params, Report::Silent, nullptr));
}

Result<> DBAccess::BeginTrans()
{
    if (!Connect())
        return Failure { m_lastError };
    if (sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        m_lastError = failureText(m_db, m_dbPath);
        return Failure { m_lastError };
    }
    return {};
}

Result<> DBAccess::Commit()
{
    if (!m_db)
        return Failure { m_lastError };
    if (!inTransaction())
        return {};
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        m_lastError = failureText(m_db, m_dbPath);
        Rollback();
        return Failure { m_lastError };
    }
    return {};
}

void DBAccess::Rollback()
{
    if (m_db && inTransaction())
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

QString DBAccess::listParameter(const QStringList& values)
{
    QString out;
    qsizetype size = 2;
    for (const QString& v : values)
        size += v.size() + 3;
    out.reserve(size);
    out += u'[';
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            out += u',';
        out += u'"';
        for (const QChar c : values.at(i)) {
            if (c == u'"' || c == u'\\') {
                out += u'\\';
                out += c;
            } else if (c.unicode() < 0x20) {
                out += u"\\u%1"_s.arg(c.unicode(), 4, 16, QChar(u'0'));
            } else {
                out += c;
            }
        }
        out += u'"';
    }
    out += u']';
    return out;
}

Result<> DBAccess::createStore(const QString& path)
{
    if (QFileInfo::exists(path))
        return Failure { u"file exists: "_s + path };
    // Build the store under a temporary name and rename it into place, so a
    // half-made store never carries the real name.
    const QString temp = path + u".new"_s;
    QFile::remove(temp);
    sqlite3* db = nullptr;
    bool ok = sqlite3_open_v2(temp.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        == SQLITE_OK;
    char* err = nullptr;
    if (ok) {
        const QByteArray script = QByteArray("BEGIN;\n") + kSchemaSql + "\nCOMMIT;";
        ok = sqlite3_exec(db, script.constData(), nullptr, nullptr, &err) == SQLITE_OK;
    }
    QString error;
    if (!ok)
        error = err ? QString::fromUtf8(err) : errorText(db);
    sqlite3_free(err);
    sqlite3_close(db);
    if (ok && !QFile::rename(temp, path)) {
        ok = false;
        error = u"cannot rename into place: "_s + path;
    }
    if (!ok) {
        QFile::remove(temp);
        return Failure { error };
    }
    return {};
}

Transaction::Transaction(DBAccess& db)
    : m_db(db)
    , m_begun(db.BeginTrans())
    , m_open(m_begun.ok())
{
}

Transaction::~Transaction()
{
    if (m_open)
        m_db.Rollback();
}

Result<> Transaction::commit()
{
    if (!m_open)
        return m_begun.ok() ? Result<>(Failure { u"transaction already ended"_s }) : m_begun;
    m_open = false;
    return m_db.Commit();
}
