#include "TestEnv.h"
#include "TestRegistry.h"

#include "domain/tables/PayAccTable.h"
#include "domain/tables/PayeeTable.h"
#include "domain/tables/RemarkTable.h"
#include "domain/tables/RosterTable.h"
#include "store/DBAccess.h"

using namespace Qt::StringLiterals;

namespace {
RosterTable::Entry entry(const QString& group, const QString& accNo, const QString& kind, const QString& employee = {})
{
    RosterTable::Entry e;
    e.group = group;
    e.accNo = accNo;
    e.accName = u"张三"_s;
    e.employeeNo = employee;
    e.accType = kind;
    return e;
}
}

class TestMasterDataTables : public QObject {
    Q_OBJECT
private slots:
    // A payee number is a key within its kind only: changing or deleting the
    // payee of one kind leaves the other kind's payee of the same number alone.
    void payeeChangeKeepsTheOtherKind_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("other");
        QTest::newRow("in-bank") << u"0"_s << u"1"_s;
        QTest::newRow("other-bank") << u"1"_s << u"0"_s;
    }
    void payeeChangeKeepsTheOtherKind()
    {
        QFETCH(QString, kind);
        QFETCH(QString, other);
        TestEnv env;
        PayeeTable payees(env.db());
        const QString number = u"6222020200001234"_s;
        QCOMPARE(payees.add({ number, u"甲公司"_s, u"0"_s, u"0101"_s, u"x"_s, u"y"_s }), TableWrite::AddOutcome::Added);
        QCOMPARE(payees.add({ number, u"乙公司"_s, u"1"_s, u"z"_s, u"021"_s, u"102290000011"_s }),
            TableWrite::AddOutcome::Added);
        QCOMPARE(payees.add({ number, u"重复"_s, kind, {}, {}, {} }), TableWrite::AddOutcome::Exists);

        QVERIFY(payees.change({ number, u"新名"_s, kind, u"0202"_s, u"010"_s, u"103100000026"_s }));
        const auto changed = payees.listed(kind);
        const auto kept = payees.listed(other);
        QVERIFY(changed && kept);
        QCOMPARE(changed->size(), size_t(1));
        QCOMPARE(kept->size(), size_t(1));
        QCOMPARE(changed->at(0).accName, u"新名"_s);
        QCOMPARE(kept->at(0).accName, kind == u"0"_s ? u"乙公司"_s : u"甲公司"_s);
        // Each kind keeps only its own numbers.
        const PayeeTable::Row& inBank = kind == u"0"_s ? changed->at(0) : kept->at(0);
        QCOMPARE(inBank.areaNo, QString());
        QCOMPARE(inBank.netNo, QString());

        QVERIFY(payees.remove(kind, { number }));
        QCOMPARE(payees.count(kind).value(), qint64(0));
        QCOMPARE(payees.count(other).value(), qint64(1));
        QVERIFY(env.prompt.calls().isEmpty());
    }

    // Renaming a payer account or a remark touches that row only: not another
    // table's row of the same text, not another row.
    void renameTouchesOneRow()
    {
        TestEnv env;
        const QString number = u"6222020200001234"_s;
        env.exec(u"insert into payee_acc (acc_no,acc_name,acc_type) values (?,?,'0')"_s, { number, u"收款人"_s });
        PayAccTable accounts(env.db());
        QCOMPARE(accounts.add(number, u"旧名"_s), TableWrite::AddOutcome::Added);
        QCOMPARE(accounts.add(u"6222020200005678"_s, u"另一个"_s), TableWrite::AddOutcome::Added);
        QCOMPARE(accounts.add(number, u"再来"_s), TableWrite::AddOutcome::Exists);
        QVERIFY(accounts.rename(number, u"新名"_s));
        QCOMPARE(accounts.nameOf(number).value(), std::optional<QString>(u"新名"_s));
        QCOMPARE(accounts.nameOf(u"6222020200005678"_s).value(), std::optional<QString>(u"另一个"_s));
        QCOMPARE(accounts.nameOf(u"0000"_s).value(), std::optional<QString>());
        QCOMPARE(env.scalar(u"select acc_name from payee_acc where acc_no=?"_s, { number }).toString(), u"收款人"_s);

        RemarkTable remarks(env.db());
        for (const QString& r : { u"工资"_s, u"货款"_s })
            QCOMPARE(remarks.add(r), TableWrite::AddOutcome::Added);
        // Onto another remark's text: refused, both stay.
        QCOMPARE(remarks.rename(u"工资"_s, u"货款"_s), RemarkTable::RenameOutcome::Exists);
        QCOMPARE(remarks.all().value(), (QStringList { u"工资"_s, u"货款"_s }));
        // Onto its own text: allowed, still one row.
        QCOMPARE(remarks.rename(u"工资"_s, u"工资"_s), RemarkTable::RenameOutcome::Renamed);
        QCOMPARE(remarks.rename(u"工资"_s, u"奖金"_s), RemarkTable::RenameOutcome::Renamed);
        QCOMPARE(remarks.all().value(), (QStringList { u"奖金"_s, u"货款"_s }));
        QVERIFY(env.prompt.calls().isEmpty());
    }

    // The imports of payer accounts and remarks keep the rows before one the
    // store refuses, replace rows of the same key rather than adding a second,
    // and keep nothing when the store itself fails.
    void bulkReplaceStopsAtARefusedRow()
    {
        TestEnv env;
        env.exec(u"create trigger refuse_account before insert on pay_acc when new.acc_no='0000000000000000'"
                 u" begin select raise(abort,'refused'); end"_s);
        PayAccTable accounts(env.db());
        QCOMPARE(accounts.add(u"1111222233334444"_s, u"旧名"_s), TableWrite::AddOutcome::Added);
        const TableWrite::BulkOutcome outcome
            = accounts.replaceAll({ { u"1111222233334444"_s, u"新名"_s, {} }, { u"5555666677778888"_s, u"乙"_s, {} },
                { u"0000000000000000"_s, u"拒绝"_s, {} }, { u"9999000011112222"_s, u"丙"_s, {} } });
        QCOMPARE(outcome.stop, TableWrite::BulkOutcome::Stop::Refused);
        QCOMPARE(outcome.row, qsizetype(2));
        QCOMPARE(outcome.written, qsizetype(2));
        QCOMPARE(accounts.count().value(), qint64(2));
        QCOMPARE(accounts.nameOf(u"1111222233334444"_s).value(), std::optional<QString>(u"新名"_s));
        QCOMPARE(accounts.nameOf(u"9999000011112222"_s).value(), std::optional<QString>());
        QVERIFY(!env.db().inTransaction());

        RemarkTable remarks(env.db());
        const TableWrite::BulkOutcome all = remarks.replaceAll({ u"甲"_s, u"乙"_s, u"甲"_s });
        QCOMPARE(all.stop, TableWrite::BulkOutcome::Stop::None);
        QCOMPARE(all.written, qsizetype(3));
        QCOMPARE(remarks.all().value(), (QStringList { u"乙"_s, u"甲"_s }));

        // The store refuses to begin while another transaction is open.
        QVERIFY(env.db().BeginTrans());
        const TableWrite::BulkOutcome busy = remarks.replaceAll({ u"丙"_s });
        QCOMPARE(busy.stop, TableWrite::BulkOutcome::Stop::StoreFailed);
        QVERIFY(!busy.storeError.isEmpty());
        env.db().Rollback();
        QCOMPARE(remarks.count().value(), qint64(2));
    }

    // The running number continues after the largest one as an integer; a
    // largest number that is not whole is a failure, never a new start at 1.
    void nextPersonNo_data()
    {
        QTest::addColumn<QVariantList>("stored");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<qlonglong>("next");
        QTest::newRow("empty roster") << QVariantList {} << true << 1LL;
        QTest::newRow("integers") << QVariantList { 3, 41, 7 } << true << 42LL;
        QTest::newRow("beyond double precision")
            << QVariantList { QVariant(9007199254740993LL) } << true << 9007199254740994LL;
        QTest::newRow("whole real") << QVariantList { 12.0 } << true << 13LL;
        QTest::newRow("decimal from an older program") << QVariantList { 1, 2.5 } << true << 3LL;
        QTest::newRow("huge decimal") << QVariantList { 1e300 } << false << 0LL;
    }
    void nextPersonNo()
    {
        QFETCH(QVariantList, stored);
        QFETCH(bool, readable);
        QFETCH(qlonglong, next);
        TestEnv env;
        int n = 0;
        for (const QVariant& personNo : stored)
            env.exec(u"insert into person_payee_acc (person_no,group_no,acc_no,acc_type) values (?,'a',?,'0')"_s,
                { personNo, u"62220202000000"_s + QString::number(++n) });
        RosterTable roster(env.db());
        const Result<qlonglong> got = roster.nextPersonNo();
        QCOMPARE(got.ok(), readable);
        if (readable)
            QCOMPARE(got.value(), next);

        // An entry added on the roster tab takes that number, or is not added.
        const RosterTable::AddOutcome added = roster.add(entry(u"a"_s, u"6222999900001111"_s, u"0"_s, u"E1"_s), {});
        QCOMPARE(added, readable ? RosterTable::AddOutcome::Added : RosterTable::AddOutcome::Failed);
        QCOMPARE(env.scalar(u"select count(*) from person_payee_acc where acc_no='6222999900001111'"_s).toInt(),
            readable ? 1 : 0);
        if (readable)
            QCOMPARE(
                env.scalar(u"select person_no from person_payee_acc where acc_no='6222999900001111'"_s).toLongLong(),
                next);
        QVERIFY(env.prompt.calls().isEmpty());
        QVERIFY(!env.db().inTransaction());
    }

    // A roster import writes every entry or none: an entry refused after
    // others were written (and after one replaced another account's entry,
    // taking its payroll instructions) leaves roster and instructions as they were.
    void rosterImportIsAllOrNothing_data()
    {
        QTest::addColumn<int>("refused");
        QTest::addColumn<int>("kind");
        QTest::newRow("store refuses the entry") << 2 << int(RosterTable::ImportStop::Kind::InsertFailed);
        QTest::newRow("group of two kinds") << 2 << int(RosterTable::ImportStop::Kind::GroupKind);
    }
    void rosterImportIsAllOrNothing()
    {
        QFETCH(int, refused);
        QFETCH(int, kind);
        TestEnv env;
        env.exec(u"insert into person_payee_acc (person_no,group_no,acc_no,acc_name,employee_no,acc_type)"
                 u" values (1,'一组','6222000011112222','李四','E7','0')"_s);
        env.exec(
            u"insert into laborage (serial_no,acc_no,pay_amount,acc_type) values (1,'6222000011112222',100,'0')"_s);
        std::vector<RosterTable::Entry> entries = {
            entry(u"一组"_s, u"6222000033334444"_s, u"0"_s, u"E7"_s), // takes E7 from the stored entry
            entry(u"二组"_s, u"6222000055556666"_s, u"0"_s),
            entry(u"二组"_s, u"6222000077778888"_s, u"0"_s),
        };
        if (kind == int(RosterTable::ImportStop::Kind::InsertFailed))
            env.exec(u"create trigger refuse_entry before insert on person_payee_acc"
                     u" when new.acc_no='6222000077778888' begin select raise(abort,'refused'); end"_s);
        else
            entries[size_t(refused)].accType = u"1"_s;

        RosterTable roster(env.db());
        const RosterTable::ImportStop stop = roster.importEntries(entries);
        QCOMPARE(int(stop.kind), kind);
        QCOMPARE(stop.row, qsizetype(refused));
        QCOMPARE(roster.count().value(), qint64(1));
        QCOMPARE(env.scalar(u"select acc_no from person_payee_acc"_s).toString(), u"6222000011112222"_s);
        QCOMPARE(env.scalar(u"select count(*) from laborage"_s).toInt(), 1);
        QVERIFY(!env.db().inTransaction());

        // The same file without the refused entry is written whole.
        entries.erase(entries.begin() + refused);
        QCOMPARE(int(roster.importEntries(entries).kind), int(RosterTable::ImportStop::Kind::None));
        const auto listed = roster.listed();
        QVERIFY(listed);
        QStringList accounts;
        for (const RosterTable::Entry& e : listed.value())
            accounts << e.accNo;
        QCOMPARE(accounts, (QStringList { u"6222000033334444"_s, u"6222000055556666"_s }));
        QCOMPARE(env.scalar(u"select count(*) from laborage"_s).toInt(), 0);
    }

    // Deleting roster entries takes their payroll instructions, and only theirs.
    void rosterRemovalTakesInstructions()
    {
        TestEnv env;
        for (const QString& acc : { u"A1"_s, u"A2"_s }) {
            env.exec(
                u"insert into person_payee_acc (person_no,group_no,acc_no,acc_type) values (1,'g',?,'0')"_s, { acc });
            env.exec(u"insert into laborage (serial_no,acc_no,pay_amount,acc_type) values (1,?,100,'0')"_s, { acc });
        }
        QVERIFY(RosterTable(env.db()).removeWithInstructions({ u"A1"_s }));
        QCOMPARE(env.scalar(u"select group_concat(acc_no) from person_payee_acc"_s).toString(), u"A2"_s);
        QCOMPARE(env.scalar(u"select group_concat(acc_no) from laborage"_s).toString(), u"A2"_s);
    }
};

QELVORA_TEST(TestMasterDataTables)
#include "tst_masterdatatables.moc"
