#include "TestEnv.h"
#include "TestRegistry.h"

#include "store/DBAccess.h"

#include <QFile>

using namespace Qt::StringLiterals;

class TestDBAccess : public QObject {
    Q_OBJECT
private slots:
    void emptyStatementRunsNothing()
    {
        TestEnv env;
        // A failure before it must not be reported again as the empty statement's.
        QVERIFY(!env.db().Insert(u"insert into no_such_table (a) values (1)"_s));
        QCOMPARE(env.db().Query(QString()).message(), u"empty statement"_s);
        QCOMPARE(env.db().Update(u"  "_s).message(), u"empty statement"_s);
        QVERIFY(!env.db().Delete(QString()));
        QVERIFY(!env.db().Insert(QString()));
        QVERIFY(env.prompt.calls().isEmpty());
    }

    // The guard rolls back whatever it did not commit, however the scope ends.
    void transactionRollsBackUnlessCommitted()
    {
        TestEnv env;
        auto count = [&] { return env.db().Query(u"select count(*) from user_remark"_s).value().value(0, 0).toInt(); };
        const int before = count();
        {
            Transaction tx(env.db());
            QVERIFY(tx.begun());
            QVERIFY(env.db().Insert(u"insert into user_remark (remark) values (?)"_s, { u"甲"_s }));
        }
        QCOMPARE(count(), before);
        QVERIFY(!env.db().inTransaction());
        {
            Transaction tx(env.db());
            QVERIFY(env.db().Insert(u"insert into user_remark (remark) values (?)"_s, { u"乙"_s }));
            QVERIFY(tx.commit());
            QVERIFY(!tx.commit()); // once only
        }
        QCOMPARE(count(), before + 1);
        // A second guard while one is open cannot begin and leaves the first alone.
        Transaction outer(env.db());
        QVERIFY(outer.begun());
        {
            Transaction inner(env.db());
            QVERIFY(!inner.begun());
            QVERIFY(!inner.commit());
        }
        QVERIFY(env.db().inTransaction());
    }

    void updateMatchingNothingSucceeds()
    {
        TestEnv env;
        QVERIFY(env.db().Update(u"update pay_acc set acc_name=? where acc_no=?"_s, { u"x"_s, u"nothing"_s }));
        QVERIFY(env.db().Delete(u"delete from payment where serial_no=?"_s, { u"1"_s }));
        QVERIFY(env.prompt.calls().isEmpty());
    }

    void rejectedInsertIsSilent()
    {
        TestEnv env;
        const Result<> inserted = env.db().Insert(u"insert into no_such_table (a) values (?)"_s, { u"1"_s });
        QVERIFY(!inserted.ok());
        QVERIFY(env.prompt.calls().isEmpty());
        QVERIFY(inserted.message().contains(u"no_such_table"_s));
    }

    void failingDeleteShowsTheStoresText()
    {
        TestEnv env;
        QVERIFY(!env.db().Delete(u"delete from no_such_table"_s));
        QCOMPARE(env.prompt.calls().size(), 1);
        const auto call = env.prompt.calls().first();
        QCOMPARE(call.kind, RecordingPrompt::Kind::Critical);
        QCOMPARE(call.title, u"SQL error"_s);
        QCOMPARE(call.text, u"no such table: no_such_table"_s);
    }

    void failingQueryAndUpdateShowSqlError()
    {
        TestEnv env;
        QVERIFY(!env.db().Query(u"select nothing from nowhere"_s).ok());
        QVERIFY(!env.db().Update(u"update nowhere set a=1"_s));
        QCOMPARE(env.prompt.calls().size(), 2);
        for (const auto& call : env.prompt.calls())
            QCOMPARE(call.title, u"SQL error"_s);
    }

    void maxSerialOfEmptyPayrollGivesOne()
    {
        TestEnv env;
        auto rs = env.db().Query(u"select max(serial_no) as serialNo from laborage"_s);
        QVERIFY(rs.ok());
        QCOMPARE(rs->recordCount(), 1);
        QCOMPARE(fieldToNumberText(rs->field(u"serialNo"_s)).toInt() + 1, 1);
        QCOMPARE(fieldToText(rs->field(u"serialNo"_s)), QString());
    }

    void payerWithoutCurrencyJoinsTheDefault()
    {
        TestEnv env;
        QVERIFY(env.db().Insert(
            u"insert into pay_acc (acc_no,acc_name) values (?,?)"_s, { u"6222000011112222"_s, u"甲公司"_s }));
        auto rs = env.db().Query(
            u"select acc.acc_no as 付款账号,acc.acc_name as 户名,curr.currency_name as 币种"
            u" from pay_acc acc,acc_currency curr where acc.currency=curr.currency_id order by acc.acc_no"_s);
        QVERIFY(rs.ok());
        QCOMPARE(rs->recordCount(), 1);
        QCOMPARE(fieldToText(rs->field(u"付款账号"_s)), u"6222000011112222"_s);
        QVERIFY(!fieldToText(rs->field(u"币种"_s)).isEmpty());
    }

    void valuesAreStoredAsTyped_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("apostrophe") << u"O'Brien"_s;
        QTest::newRow("statement fragment") << u"x'); delete from payment; --"_s;
        QTest::newRow("chinese and blanks") << u"  北京某某有限公司 "_s;
    }
    void valuesAreStoredAsTyped()
    {
        QFETCH(QString, name);
        TestEnv env;
        env.exec(u"insert into payment (serial_no,pay_amt) values ('1','5')"_s);
        QVERIFY(env.db().Insert(u"insert into pay_acc (acc_no,acc_name) values (?,?)"_s, { u"1"_s, name }));
        QCOMPARE(env.scalar(u"select acc_name from pay_acc where acc_no=?"_s, { u"1"_s }).toString(), name);
        QCOMPARE(env.scalar(u"select count(*) from pay_acc where acc_name=?"_s, { name }).toInt(), 1);
        QCOMPARE(env.scalar(u"select count(*) from payment"_s).toInt(), 1);
    }

    // A bulk insert binds each row anew and stores every value as the one-row
    // insert does: texts as typed (a null text as an empty one), an absent
    // value as null, numbers converted by the column. The first row the store
    // refuses stops it, naming its index; the rows before it stay in the
    // caller's transaction.
    void bulkInsertStoresWhatInsertStores()
    {
        TestEnv env;
        struct Row {
            QString serial;
            QString amount;
            std::optional<QString> remark;
        };
        const std::vector<Row> rows { { u"1"_s, u"1234.50"_s, u"O'Brien'); --"_s }, { u"2"_s, QString(), QString() },
            { u"3"_s, u"0.01"_s, std::nullopt }, { u"4"_s, u"abc"_s, u"不存"_s }, { u"5"_s, u"9"_s, u"不存"_s } };
        Transaction tx(env.db());
        QVERIFY(tx.begun());
        const QString insert = u"insert into payment (serial_no,pay_amt,remark) values (?,?,?)"_s;
        const Result<qint64> inserted = env.db().InsertEach(insert, qint64(rows.size()), [&](RowValues& v, qint64 i) {
            const Row& r = rows[size_t(i)];
            v.text(1, r.serial);
            if (!r.amount.isNull())
                v.text(2, r.amount); // the second row leaves the amount unbound: null
            v.text(3, r.remark);
        });
        QVERIFY(!inserted);
        QCOMPARE(inserted.failure().at, 3);
        QVERIFY(env.db().lastFailureRefusedRow());
        QVERIFY(tx.commit());
        QVERIFY(env.prompt.calls().isEmpty());
        QCOMPARE(env.scalar(u"select group_concat(serial_no||':'||ifnull(pay_amt,'null')||':'||"
                            u"ifnull(typeof(remark)||'='||remark,'null'),' ') from payment"_s)
                     .toString(),
            u"1:1234.5:text=O'Brien'); -- 2:null:text= 3:0.01:null"_s);
        // The statement is kept and runs again after the refusal.
        QVERIFY(env.db().InsertEach(insert, 1, [](RowValues& v, qint64) {
            v.text(1, u"6"_s);
            v.integer(2, 7);
            v.null(3);
        }));
        QCOMPARE(env.scalar(u"select pay_amt from payment where serial_no='6'"_s).toInt(), 7);
    }

    void numberColumnsRefuseText()
    {
        TestEnv env;
        QVERIFY(!env.db().Insert(u"insert into payment (serial_no,pay_amt) values (?,?)"_s, { u"1"_s, u"abc"_s }));
        QVERIFY(!env.db().Insert(u"insert into laborage (serial_no,pay_amount) values (?,?)"_s, { u"x"_s, u"1"_s }));
        QVERIFY(
            !env.db().Insert(u"insert into person_payee_acc (person_no,acc_no) values (?,?)"_s, { u"abc"_s, u"1"_s }));
        // Quoted decimal texts are numbers.
        QVERIFY(env.db().Insert(u"insert into payment (serial_no,pay_amt) values (?,?)"_s, { u"2"_s, u"1234.50"_s }));
        QCOMPARE(fieldToText(env.scalar(u"select pay_amt from payment"_s)), u"1234.5"_s);
        QVERIFY(
            env.db().Insert(u"insert into laborage (serial_no,pay_amount) values (?,?)"_s, { u"7"_s, u"100.00"_s }));
        QCOMPARE(fieldToText(env.scalar(u"select pay_amount from laborage"_s)), u"100"_s);
    }

    void lookupRowsAreDelivered()
    {
        TestEnv env;
        auto certs = env.db().Query(u"select cert_type,cert_desc from cert_type order by cert_type"_s);
        QVERIFY(certs.ok());
        QVERIFY(certs->recordCount() >= 2);
        for (int i = 0; i < certs->recordCount(); ++i)
            QCOMPARE(fieldToText(certs->value(i, 0)), QString::number(i + 1));
        QCOMPARE(fieldToText(certs->value(0, 1)), u"居民身份证"_s);
        QVERIFY(
            fieldToText(env.scalar(u"select tran_desc from tran_acc_type where tran_type='0'"_s)).contains(u"行内"_s));
        QVERIFY(
            !fieldToText(env.scalar(u"select tran_desc from tran_acc_type where tran_type='1'"_s)).contains(u"行内"_s));
        QCOMPARE(env.scalar(u"PRAGMA user_version"_s).toInt(), DBAccess::kSchemaVersion);
    }

    void transactionsCommitAndRollBack()
    {
        TestEnv env;
        env.db().BeginTrans();
        QVERIFY(env.db().inTransaction());
        QVERIFY(env.db().Insert(u"insert into user_remark (remark) values (?)"_s, { u"a"_s }));
        env.db().Rollback();
        QCOMPARE(env.scalar(u"select count(*) from user_remark"_s).toInt(), 0);
        env.db().BeginTrans();
        QVERIFY(env.db().Insert(u"insert into user_remark (remark) values (?)"_s, { u"b"_s }));
        env.db().Commit();
        QVERIFY(!env.db().inTransaction());
        env.db().Disconnect();
        QCOMPARE(env.scalar(u"select remark from user_remark"_s).toString(), u"b"_s);
    }

    void longInListThroughOneParameter()
    {
        TestEnv env;
        env.db().BeginTrans();
        QStringList keys;
        for (int i = 0; i < 100000; ++i) {
            keys << QString::number(i);
            QVERIFY(env.db().Insert(u"insert into payment (serial_no,pay_amt) values (?,1)"_s, { keys.last() }));
        }
        env.db().Commit();
        const QString json = u"[\""_s + keys.mid(0, 99999).join(u"\",\""_s) + u"\"]"_s;
        QVERIFY(
            env.db().Delete(u"delete from payment where serial_no in (select value from json_each(?))"_s, { json }));
        QCOMPARE(env.scalar(u"select count(*) from payment"_s).toInt(), 1);
    }

    void sameStatementInsideItsOwnRecordHandler()
    {
        TestEnv env;
        for (const char* r : { "a", "b", "c" })
            QVERIFY(env.db().Insert(u"insert into user_remark (remark) values (?)"_s, { QString::fromLatin1(r) }));
        const QString sql = u"select remark from user_remark where remark >= ? order by remark"_s;
        QStringList pairs;
        QVERIFY(env.db().QueryEach(sql, { u"a"_s }, [&](const RecordView& outer) {
            auto inner = env.db().Query(sql, { outer.value(0) });
            QVERIFY(inner.ok());
            pairs << outer.text(0) + QString::number(inner->recordCount());
        }));
        QCOMPARE(pairs, (QStringList { u"a3"_s, u"b2"_s, u"c1"_s }));
        // A statement that failed once runs again cleanly.
        QVERIFY(!env.db().Insert(u"insert into payment (serial_no,pay_amt) values (?,?)"_s, { u"1"_s, u"x"_s }));
        QVERIFY(env.db().Insert(u"insert into payment (serial_no,pay_amt) values (?,?)"_s, { u"1"_s, u"2"_s }));
        QVERIFY(!env.db().Insert(u"insert into payment (serial_no,pay_amt) values (?,?)"_s, { u"1"_s }));
    }

    // More distinct statements than the cache keeps, run inside a running query:
    // the outer statement must survive the cache making room.
    void manyStatementsInsideARunningQuery()
    {
        TestEnv env;
        for (const char* r : { "a", "b" })
            QVERIFY(env.db().Insert(u"insert into user_remark (remark) values (?)"_s, { QString::fromLatin1(r) }));
        int inner = 0;
        QStringList outer;
        QVERIFY(env.db().QueryEach(u"select remark from user_remark order by remark"_s, {}, [&](const RecordView& r) {
            outer << r.text(0);
            for (int i = 0; i < 100; ++i) {
                auto rs = env.db().Query(u"select %1 as n"_s.arg(i));
                if (rs && fieldToText(rs->value(0, 0)) == QString::number(i))
                    ++inner;
            }
        }));
        QCOMPARE(outer, (QStringList { u"a"_s, u"b"_s }));
        QCOMPARE(inner, 200);
    }

    void transactionTheStoreRefusesIsReported()
    {
        TestEnv env;
        QVERIFY(env.db().BeginTrans());
        RecordingPrompt other;
        DBAccess second(env.db().dbPath(), other);
        const Result<> begun = second.BeginTrans(); // the first connection holds the write lock
        QVERIFY(!begun.ok());
        QVERIFY(!begun.message().isEmpty());
        QVERIFY(!second.inTransaction());
        QVERIFY(other.calls().isEmpty());
        QVERIFY(env.db().Commit());
        QVERIFY(second.BeginTrans());
        QVERIFY(second.Commit());
    }

    void listParameterCarriesAnyText()
    {
        TestEnv env;
        const QStringList keys
            = { u"plain"_s, u"a\"quote"_s, u"back\\slash"_s, u"tab\tand\nline"_s, u"O'Brien"_s, u"北京"_s, QString() };
        for (const QString& k : keys)
            QVERIFY(env.db().Insert(u"insert into user_remark (remark) values (?)"_s, { k }));
        QVERIFY(env.db().Insert(u"insert into user_remark (remark) values ('stays')"_s));
        QVERIFY(env.db().Delete(u"delete from user_remark where remark in (select value from json_each(?))"_s,
            { DBAccess::listParameter(keys) }));
        QCOMPARE(env.scalar(u"select group_concat(remark) from user_remark"_s).toString(), u"stays"_s);
        QVERIFY(env.prompt.calls().isEmpty());
    }

    void storeThatCannotBeOpened_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("present");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("not a database") << QByteArray("this is a text file, not a store\n").repeated(200) << true;
    }
    void storeThatCannotBeOpened()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, present);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"userdb.mdb"_s);
        if (present) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        RecordingPrompt prompt;
        DBAccess db(path, prompt);
        int fatal = 0;
        db.setFatalHandler([&] { ++fatal; });
        QVERIFY(!db.Query(u"select * from payment"_s).ok());
        QCOMPARE(fatal, 1);
        QVERIFY(db.openFailed());
        QCOMPARE(prompt.calls().size(), 1);
        QCOMPARE(prompt.calls().first().title, u"Database error"_s);
        QVERIFY(!prompt.calls().first().text.isEmpty());
        QVERIFY(!QFile::exists(path) || present); // a missing store is never created
    }

    void foreignSqliteFileIsNotOurs()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"userdb.mdb"_s);
        {
            RecordingPrompt p;
            QVERIFY(DBAccess::createStore(path).ok());
            DBAccess db(path, p);
            QVERIFY(db.Update(u"PRAGMA application_id = 7"_s));
        }
        RecordingPrompt prompt;
        DBAccess db(path, prompt);
        QVERIFY(!db.Connect());
        QCOMPARE(prompt.calls().first().title, u"Database error"_s);
    }

    void createStoreNeverReplacesAFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"userdb.mdb"_s);
        QVERIFY(DBAccess::createStore(path).ok());
        {
            RecordingPrompt p;
            DBAccess db(path, p);
            QVERIFY(db.Insert(u"insert into user_remark (remark) values ('keep')"_s));
        }
        QVERIFY(!DBAccess::createStore(path).ok());
        RecordingPrompt p;
        DBAccess db(path, p);
        auto rs = db.Query(u"select remark from user_remark"_s);
        QVERIFY(rs.ok());
        QCOMPARE(rs->recordCount(), 1);
    }
};

QELVORA_TEST(TestDBAccess)
#include "tst_dbaccess.moc"
