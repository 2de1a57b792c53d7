#pragma once

#include "common/Result.h"
#include "store/RecordSet.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVariantList>

#include <functional>
#include <optional>

class Prompt;
struct sqlite3;
struct sqlite3_stmt;

// One record of a running query (DBAccess::QueryEach), read in place. Valid only
// inside the record handler.
class RecordView {
public:
    int size() const { return m_columns; }
    bool isNull(int column) const;
    // A number field as it is stored, without a QVariant: none for a field
    // that is not stored as a whole number, or as a number with decimals.
    std::optional<qint64> integer(int column) const;
    std::optional<double> real(int column) const;
    // The field as a RecordSet holds it: null, qlonglong, double or QString.
    QVariant value(int column) const;
    // The field as fieldToText gives it: empty when null, numbers in plain decimal form.
    QString text(int column) const;
    // The same text as UTF-8. A text field is handed over without a copy (valid
    // until the handler returns).
    QByteArray utf8(int column) const;

private:
    friend class DBAccess;
    RecordView(sqlite3_stmt* stmt, int columns)
        : m_stmt(stmt)
        , m_columns(columns)
    {
    }
    sqlite3_stmt* m_stmt;
    int m_columns;
};

// The values of one run of a statement prepared for many (DBAccess::InsertEach),
// bound by position from 1. A text is handed to the store straight from its
// UTF-16: no QVariant and no UTF-8 copy per value. A null QString is bound as
// an empty text, as Insert binds it; absent values are bound with null().
class RowValues {
public:
    void text(int index, QStringView value);
    void text(int index, const QString& value) { text(index, QStringView(value)); }
    void text(int index, const std::optional<QString>& value);
    // A text already in UTF-8, bound without a copy (the bytes must live until
    // the row is written).
    void utf8(int index, QByteArrayView value);
    void integer(int index, qint64 value);
    void null(int index);

private:
    friend class DBAccess;
    explicit RowValues(sqlite3_stmt* stmt)
        : m_stmt(stmt)
    {
    }
    sqlite3_stmt* m_stmt;
    int m_rc = 0; // the first refusal of a bind
};

// The one access path to the store file userdb.mdb. Statements are texts with
// "?" placeholders; values are always bound as parameters, never pasted into
// the text, so an apostrophe or an SQL fragment in a value is stored as typed.
//
// Error behaviour: Query, Update and Delete show the store's error text in a
// critical box titled "SQL error"; Insert fails silently (its callers show their
// own text). A text holding more than one statement is refused whole. A store
// that cannot be written (read-only file or program folder) is explained in
// Chinese, naming the folder. A store that cannot be opened, or is read-only,
// shows "Database error" and calls the fatal handler, which ends the program.
class DBAccess {
public:
    // The schema version this program reads and writes (PRAGMA user_version).
    static constexpr int kSchemaVersion = 4;
    // Marks a file as ours (PRAGMA application_id).
    static constexpr int kApplicationId = 0x51454C56; // "QELV"

    DBAccess(QString dbPath, Prompt& prompt);
    ~DBAccess();
    DBAccess(const DBAccess&) = delete;
    DBAccess& operator=(const DBAccess&) = delete;

    // Called once when the store cannot be opened, after the "Database error" box.
    void setFatalHandler(std::function<void()> handler) { m_onFatal = std::move(handler); }
    // Called once right after the store has been opened, before any other
    // statement runs. When it fails, the store is closed again and ends the
    // program as one that cannot be opened ("Database error" with its text).
    void setOpenHandler(std::function<Result<>()> handler) { m_onOpen = std::move(handler); }
    // Called when the store just opened is of an older version (its version is
    // given), before it is upgraded in place: the place for a backup. When it
    // fails, nothing is upgraded and the store cannot be opened.
    void setUpgradeHandler(std::function<Result<>(int fromVersion)> handler) { m_onUpgrade = std::move(handler); }

    // Every operation answers with a Result whose failure is the store's own
    // text of the error (after the box, where the operation shows one).
    Result<RecordSet> Query(const QString& sql, const QVariantList& params = {});
    // Runs a query and hands each record to `onRecord` as it is fetched (its
    // fields in the order of the select list) without keeping it: a list of
    // 100,000 rows is read without a second copy in memory and without a QVariant
    // per field. Errors as Query.
    using RecordHandler = std::function<void(const RecordView& record)>;
    Result<> QueryEach(const QString& sql, const QVariantList& params, const RecordHandler& onRecord);
    Result<> Update(const QString& sql, const QVariantList& params = {});
    Result<> Delete(const QString& sql, const QVariantList& params = {});
    Result<> Insert(const QString& sql, const QVariantList& params = {});
    // Runs one insert `count` times, prepared once: `bindRow(values, i)` binds
    // the values of run i. Stops at the first run the store refuses; the
    // failure's at() is its index. Silent, as Insert. `afterRow(i)` follows
    // each run that succeeded (progress). Runs in the caller's transaction.
    using RowBinder = std::function<void(RowValues& values, qint64 index)>;
    Result<qint64> InsertEach(const QString& sql, qint64 count, const RowBinder& bindRow,
        const std::function<void(qint64 index)>& afterRow = {});

    // Opens the store if not yet open; fails (after the "Database error" box) when it cannot be.
    Result<> Connect();
    // Transactions. BeginTrans and Commit show nothing; they fail with the
    // store's text when the store refuses, and the caller reports it. A commit
    // that fails rolls the transaction back, so nothing is left open.
    Result<> BeginTrans();
    Result<> Commit();
    void Rollback();
    void Disconnect();

    bool isConnected() const { return m_db != nullptr; }
    bool inTransaction() const;
    // True once opening the store failed: the program must end.
    bool openFailed() const { return m_openFailed; }
    const QString& dbPath() const { return m_dbPath; }
    // True when the last failure was a row refused by a constraint or trigger:
    // the store itself is fine and the transaction goes on. False for failures
    // of the store (a full disk, a read-only folder, ...).
    bool lastFailureRefusedRow() const;

    // The values as one parameter for "in (select value from json_each(?))": a
    // JSON array of texts. Any number of values goes into one statement.
    static QString listParameter(const QStringList& values);

    // Creates a new store file from the schema; refuses to replace an existing file.
    static Result<> createStore(const QString& path);

    // The open connection, for the store layer's backups; null before Connect.
    sqlite3* handle() const { return m_db; }
    // Drops the prepared statements (before the content is replaced).
    void dropStatements() { clearStatements(); }
    // Rows inserted, changed or deleted through this connection so far: a
    // change since an earlier count shows that the store was written.
    qint64 totalChanges() const;

private:
    enum class Report { SqlErrorBox, Silent };
    bool execute(const QString& sql, const QVariantList& params, Report report, RecordSet* out,
        const RecordHandler* onRecord = nullptr);
    void fail(const QString& text, Report report);
    // The prepared statement of `text`: the kept one when it is idle, else a new
    // one, kept when there is room (`kept`). Null after fail() when it cannot be prepared.
    sqlite3_stmt* statementFor(const QByteArray& text, Report report, bool* kept);
    Result<> answer(bool ok) const;
    void clearStatements();
    void dropIdleStatements();

    static constexpr qsizetype kStatementCacheSize = 64;

    QString m_dbPath;
    Prompt& m_prompt;
    sqlite3* m_db = nullptr;
    QHash<QByteArray, sqlite3_stmt*> m_statements; // prepared statements by text
    bool m_openFailed = false;
    QString m_lastError;
    std::function<void()> m_onFatal;
    std::function<Result<>()> m_onOpen;
    std::function<Result<>(int)> m_onUpgrade;
};

// A write transaction for the lifetime of a scope: begun on construction,
// rolled back on destruction unless commit() succeeded. Callers never roll back
// by hand; an early return or a failed step leaves the store as it was.
//
//     Transaction tx(db);
//     if (!tx.begun()) return tx.failure();
//     ... statements ...
//     return tx.commit();
class Transaction {
public:
    explicit Transaction(DBAccess& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // False when the store refused to begin (locked, unreadable); failure() says why.
    bool begun() const { return m_begun.ok(); }
    Result<> failure() const { return m_begun; }
    // Commits; a failed commit has already rolled everything back.
    Result<> commit();

private:
    DBAccess& m_db;
    Result<> m_begun;
    bool m_open = false;
};
