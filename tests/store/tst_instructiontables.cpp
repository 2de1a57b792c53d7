#include "TestEnv.h"
#include "TestRegistry.h"

#include "domain/tables/LaborageTable.h"
#include "domain/tables/PaymentTable.h"
#include "store/DBAccess.h"

#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {
// Both instruction tables with rows of the same serial number "7".
void sameNumbersInBothTables(TestEnv& env)
{
    env.exec(u"insert into payment (serial_no,rec_acc_no,pay_amt) values ('7','p7',1),('8','p8',2)"_s);
    env.exec(u"insert into laborage (serial_no,acc_no,pay_amount,acc_type) values (7,'l7',3,'0'),(8,'l8',4,'1')"_s);
}

QString contents(TestEnv& env)
{
    return env
        .scalar(
            u"select ifnull((select group_concat(serial_no||':'||rec_acc_no) from (select * from payment order by "
            u"serial_no)),'')||'|'||ifnull((select group_concat(serial_no||':'||acc_no) from (select * from laborage "
            u"order by serial_no)),'')"_s)
        .toString();
}

PaymentRow paymentRow(const QString& serialNo, const QString& recAccNo)
{
    return { serialNo, u"955880001"_s, u"某某公司"_s, u"0"_s, recAccNo, u"张三"_s, {}, {}, {}, u"10.5"_s, {} };
}

LaborageRow laborageRow(qint64 serialNo, const QString& accNo)
{
    LaborageRow row;
    row.serialNo = serialNo;
    row.accNo = accNo;
    row.payAmount = u"10.5"_s;
    return row;
}
} // namespace

class TestInstructionTables : public QObject {
    Q_OBJECT
private slots:
    // Deleting instructions of one table by number never touches the other
    // table's row of the same number.
    void removingStaysInItsTable_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("expected");
        QTest::newRow("payment by number") << u"payment 7"_s << u"8:p8|7:l7,8:l8"_s;
        QTest::newRow("payment range") << u"payment keys"_s << u"|7:l7,8:l8"_s;
        QTest::newRow("payment all") << u"payment all"_s << u"|7:l7,8:l8"_s;
        QTest::newRow("payroll by number") << u"laborage 7"_s << u"7:p7,8:p8|8:l8"_s;
        QTest::newRow("payroll range") << u"laborage keys"_s << u"7:p7,8:p8|"_s;
        QTest::newRow("payroll in-bank") << u"laborage in-bank"_s << u"7:p7,8:p8|8:l8"_s;
        QTest::newRow("payroll all") << u"laborage all"_s << u"7:p7,8:p8|"_s;
    }
    void removingStaysInItsTable()
    {
        QFETCH(QString, operation);
        QFETCH(QString, expected);
        TestEnv env;
        sameNumbersInBothTables(env);
        PaymentTable payment(env.db());
        LaborageTable laborage(env.db());
        const QStringList keys { u"7"_s, u"8"_s };
        Result<> done;
        if (operation == u"payment 7"_s)
            done = payment.remove(u"7"_s);
        else if (operation == u"payment keys"_s)
            done = payment.removeKeys(keys);
        else if (operation == u"payment all"_s)
            done = payment.removeAll();
        else if (operation == u"laborage 7"_s)
            done = laborage.remove(7);
        else if (operation == u"laborage keys"_s)
            done = laborage.removeKeys(keys);
        else if (operation == u"laborage in-bank"_s)
            done = laborage.removeInBank();
        else
            done = laborage.removeAll();
        QVERIFY(done);
        QCOMPARE(contents(env), expected);
    }

    // A bulk insert writes all rows or, when the store refuses one, none of
    // them, and names the refused row; inside the caller's transaction the
    // rows before it wait for the caller's decision.
    void bulkInsertIsAllOrNothing_data()
    {
        QTest::addColumn<bool>("payroll");
        QTest::addColumn<int>("refusedRow"); // -1: none
        QTest::addColumn<bool>("callerTransaction");
        for (const bool payroll : { false, true }) {
            const char* table = payroll ? "payroll" : "payment";
            QTest::addRow("%s all written", table) << payroll << -1 << false;
            QTest::addRow("%s first refused", table) << payroll << 0 << false;
            QTest::addRow("%s last refused", table) << payroll << 2 << false;
            QTest::addRow("%s middle refused in caller's transaction", table) << payroll << 1 << true;
        }
    }
    void bulkInsertIsAllOrNothing()
    {
        QFETCH(bool, payroll);
        QFETCH(int, refusedRow);
        QFETCH(bool, callerTransaction);
        TestEnv env;
        sameNumbersInBothTables(env);
        const QString before = contents(env);
        const QString table = payroll ? u"laborage"_s : u"payment"_s;
        const QString account = payroll ? u"acc_no"_s : u"rec_acc_no"_s;
        if (refusedRow >= 0)
            env.exec(
                u"create trigger refuse before insert on %1 when new.%2='n%3' begin select raise(abort,'refused'); end"_s
                    .arg(table, account)
                    .arg(refusedRow));
        std::optional<Transaction> tx;
        if (callerTransaction)
            tx.emplace(env.db());
        const Result<qint64> inserted = payroll
            ? LaborageTable(env.db()).insertMany(
                { laborageRow(20, u"n0"_s), laborageRow(21, u"n1"_s), laborageRow(22, u"n2"_s) })
            : PaymentTable(env.db()).insertMany(
                { paymentRow(u"20"_s, u"n0"_s), paymentRow(u"21"_s, u"n1"_s), paymentRow(u"22"_s, u"n2"_s) });
        if (refusedRow < 0) {
            QCOMPARE(inserted.value(), qint64(3));
            QCOMPARE(env.scalar(u"select count(*) from %1 where %2 like 'n%'"_s.arg(table, account)).toInt(), 3);
            return;
        }
        QVERIFY(!inserted);
        QCOMPARE(inserted.at(), qsizetype(refusedRow));
        QCOMPARE(env.db().inTransaction(), callerTransaction);
        QCOMPARE(env.scalar(u"select count(*) from %1 where %2 like 'n%'"_s.arg(table, account)).toInt(),
            callerTransaction ? refusedRow : 0);
        tx.reset();
        QCOMPARE(contents(env), before);
    }

    // Payroll numbers continue after the largest stored one, read as a whole
    // number; a largest number that cannot be read, or leaves no room after
    // it, is a failure and never "start from 1".
    void nextPayrollNumber_data()
    {
        QTest::addColumn<QString>("stored"); // serial_no values, comma-separated
        QTest::addColumn<qint64>("next"); // 0: a failure
        QTest::newRow("empty table") << QString() << qint64(1);
        QTest::newRow("numbers compared as numbers") << u"9,10,39999,2"_s << qint64(40000);
        QTest::newRow("beyond a double's exact digits") << u"9007199254740993"_s << qint64(0);
        QTest::newRow("largest whole number") << u"999999999999998"_s << qint64(999999999999999);
        QTest::newRow("no room after it") << u"999999999999999"_s << qint64(0);
        QTest::newRow("decimal from an older program") << u"3,7.5"_s << qint64(8);
        QTest::newRow("only rows without a number") << u"null"_s << qint64(1);
        QTest::newRow("huge decimal") << u"1e300"_s << qint64(0);
    }
    void nextPayrollNumber()
    {
        QFETCH(QString, stored);
        QFETCH(qint64, next);
        TestEnv env;
        for (const QString& value : stored.split(u',', Qt::SkipEmptyParts))
            env.exec(u"insert into laborage (serial_no,acc_no,acc_type) values (%1,'a','0')"_s.arg(value));
        const Result<qint64> number = LaborageTable(env.db()).nextSerialNo();
        if (next == 0)
            QVERIFY(!number);
        else
            QCOMPARE(number.value(), next);
    }

    void unreadablePayrollNumberIsAFailure()
    {
        TestEnv env;
        env.exec(u"alter table laborage rename to laborage_rows"_s);
        env.exec(u"create view laborage as select json('{') as serial_no,acc_no from laborage_rows"_s);
        env.exec(u"insert into laborage_rows (serial_no,acc_no) values (3,'a')"_s);
        QVERIFY(!LaborageTable(env.db()).nextSerialNo());
        QCOMPARE(env.prompt.calls().size(), 1);
        QCOMPARE(env.prompt.calls().at(0).kind, RecordingPrompt::Kind::Critical);
    }
};

QELVORA_TEST(TestInstructionTables)
#include "tst_instructiontables.moc"
