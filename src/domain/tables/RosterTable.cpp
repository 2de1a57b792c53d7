#include "domain/tables/RosterTable.h"

#include "store/DBAccess.h"

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {
// The columns of an entry, in the order kInsert writes them.
constexpr int kColumns = 10;
const QString kColumnNames[kColumns] = { u"person_no"_s, u"group_no"_s, u"acc_no"_s, u"acc_name"_s, u"employee_no"_s,
    u"acc_type"_s, u"net_no"_s, u"mul_net_no"_s, u"cert_type"_s, u"cert_code"_s };
const QString kColumnList = u"person_no,group_no,acc_no,acc_name,employee_no,acc_type,net_no,mul_net_no,cert_type,"
                            u"cert_code"_s;
const QString kInsert = u"insert into person_payee_acc ("_s + kColumnList + u") values (?,?,?,?,?,?,?,?,?,?)"_s;

// An empty text as null: "x = ?" then matches nothing, without a scan over
// every entry whose value is empty.
QVariant orNull(const QString& text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

QString groupOf(const RosterTable::Entry& e)
{
    return e.group.isEmpty() ? RosterTable::kUngrouped : e.group;
}

// The values of kInsert after the running number.
QVariantList insertValues(qlonglong personNo, const RosterTable::Entry& e)
{
    return { personNo, groupOf(e), e.accNo, e.accName, e.employeeNo, e.accType, e.netNo, e.mulNetNo, e.certType,
        e.certCode };
}
}

Result<qint64> RosterTable::count()
{
    const auto rs = m_db.Query(u"select count(acc_no) from person_payee_acc"_s);
    if (!rs)
        return rs.failure();
    return rs->isEmpty() ? 0 : rs->value(0, 0).toLongLong();
}

Result<std::vector<RosterTable::Entry>> RosterTable::listed()
{
    std::vector<Entry> entries;
    const Result<> read = m_db.QueryEach(
        u"select group_no,acc_no,acc_name,employee_no,acc_type,net_no,mul_net_no,cert_desc,cert_code,p.cert_type"
        u" from person_payee_acc p left join cert_type c on p.cert_type = c.cert_type order by group_no,person_no"_s,
        {}, [&entries](const RecordView& r) {
            Entry e;
            e.group = r.text(0);
            e.accNo = r.text(1);
            e.accName = r.text(2);
            e.employeeNo = r.text(3);
            e.accType = r.text(4);
            e.netNo = r.text(5);
            e.mulNetNo = r.text(6);
            e.certDesc = r.text(7);
            e.certCode = r.text(8);
            e.certType = r.text(9);
            entries.push_back(std::move(e));
        });
    if (!read)
        return read.failure();
    return entries;
}

Result<std::optional<RosterTable::Entry>> RosterTable::stored(const QString& accNo)
{
    std::optional<Entry> found;
    const Result<> read = m_db.QueryEach(
        u"select acc_type,net_no,mul_net_no,cert_type,cert_code from person_payee_acc where acc_no =? limit 1"_s,
        { accNo }, [&](const RecordView& r) {
            Entry e;
            e.accNo = accNo;
            e.accType = r.text(0).trimmed();
            e.netNo = r.text(1).trimmed();
            e.mulNetNo = r.text(2).trimmed();
            e.certType = r.text(3).trimmed();
            e.certCode = r.text(4).trimmed();
            found = std::move(e);
        });
    if (!read)
        return read.failure();
    return found;
}

Result<QStringList> RosterTable::groups()
{
    QStringList groups;
    const Result<> read = m_db.QueryEach(u"select distinct group_no from person_payee_acc order by group_no"_s, {},
        [&groups](const RecordView& r) { groups << r.text(0); });
    if (!read)
        return read.failure();
    return groups;
}

Result<bool> RosterTable::groupExists(const QString& group)
{
    const auto rs = m_db.Query(u"select group_no from person_payee_acc where group_no = ? limit 1"_s, { group });
    if (!rs)
        return rs.failure();
    return !rs->isEmpty();
}

Result<std::optional<QString>> RosterTable::groupKind(const QString& group)
{
    const auto rs
        = m_db.Query(u"select acc_type from person_payee_acc where group_no=? order by person_no limit 1"_s, { group });
    if (!rs)
        return rs.failure();
    if (rs->isEmpty())
        return std::optional<QString>();
    return std::optional<QString>(fieldToText(rs->value(0, 0)).trimmed());
}

Result<QStringList> RosterTable::documentTypes()
{
    QStringList types;
    const Result<> read = m_db.QueryEach(u"select cert_desc from cert_type order by cert_type"_s, {},
        [&types](const RecordView& r) { types << r.text(0); });
    if (!read)
        return read.failure();
    return types;
}

Result<QHash<QString, RosterTable::Entry>> RosterTable::documents()
{
    QHash<QString, Entry> byAccount;
    const Result<> read = m_db.QueryEach(u"select acc_no,acc_type,cert_desc,cert_code from person_payee_acc p"
                                         u" left join cert_type c on p.cert_type = c.cert_type"_s,
        {}, [&byAccount](const RecordView& r) {
            Entry e;
            e.accNo = r.text(0).trimmed();
            e.accType = r.text(1);
            e.certDesc = r.text(2).trimmed();
            e.certCode = r.text(3).trimmed();
            byAccount.insert(e.accNo, e);
        });
    if (!read)
        return read.failure();
    return byAccount;
}

Result<bool> RosterTable::othersHold(
    const QString& accNo, const QString& employeeNo, const QString& certType, const QString& certCode)
{
    const auto rs = certCode.isEmpty()
        ? m_db.Query(
            u"select acc_no from person_payee_acc where (acc_no <> ?)and (employee_no =?)"_s, { accNo, employeeNo })
        : m_db.Query(
            u"select acc_no from person_payee_acc where (acc_no<>?) and ((cert_type=? and cert_code=?) or (employee_no =?))"_s,
            { accNo, certType, certCode, employeeNo });
    if (!rs)
        return rs.failure();
    return !rs->isEmpty();
}

Result<qlonglong> RosterTable::nextPersonNo()
{
    const auto rs = m_db.Query(u"select max(person_no) from person_payee_acc"_s);
    if (!rs)
        return rs.failure();
    return TableWrite::nextRunningNumber(rs->isEmpty() ? QVariant() : rs->value(0, 0), u"人员序号"_s);
}

RosterTable::AddOutcome RosterTable::add(const Entry& entry, const std::function<bool()>& admit)
{
    const QString existsSql = entry.certCode.isEmpty()
        ? u"select acc_no from person_payee_acc where (acc_no=?)or (employee_no =? )"_s
        : u"select acc_no from person_payee_acc where (acc_no=?) or (cert_type=? and cert_code=?) or (employee_no =? )"_s;
    const QVariantList key = entry.certCode.isEmpty()
        ? QVariantList { entry.accNo, entry.employeeNo }
        : QVariantList { entry.accNo, entry.certType, entry.certCode, entry.employeeNo };
    bool refused = false;
    bool unnumbered = false;
    const TableWrite::AddOutcome added
        = TableWrite::addIfAbsent(m_db, existsSql, key, kInsert, insertValues(0, entry), [&](QVariantList& values) {
              if (admit && !admit()) {
                  refused = true;
                  return false;
              }
              const Result<qlonglong> next = nextPersonNo();
              if (!next) {
                  // A failed query has shown its error; an unreadable number has not.
                  unnumbered = next.at() == 0;
                  return false;
              }
              values[0] = next.value();
              return true;
          });
    switch (added) {
    case TableWrite::AddOutcome::Added:
        return AddOutcome::Added;
    case TableWrite::AddOutcome::Exists:
        return AddOutcome::Exists;
    case TableWrite::AddOutcome::Failed:
        return AddOutcome::Failed;
    case TableWrite::AddOutcome::CheckFailed:
        break;
    }
    if (refused)
        return AddOutcome::Refused;
    return unnumbered ? AddOutcome::Failed : AddOutcome::CheckFailed;
}

Result<> RosterTable::change(const Entry& entry)
{
    return m_db.Update(
        u"update person_payee_acc set group_no = ?, acc_name=?,employee_no =?,acc_type =?,net_no =?,mul_net_no =?,"
        u"cert_type=?,cert_code=? where acc_no=?"_s,
        { groupOf(entry), entry.accName, entry.employeeNo, entry.accType, entry.netNo, entry.mulNetNo, entry.certType,
            entry.certCode, entry.accNo });
}

Result<> RosterTable::removeWithInstructions(const QStringList& accNos)
{
    const QString keys = DBAccess::listParameter(accNos);
    Transaction tx(m_db);
    if (!tx.begun())
        return tx.failure();
    if (Result<> done
        = m_db.Delete(u"delete from laborage where acc_no in (select value from json_each(?))"_s, { keys });
        !done)
        return done;
    if (Result<> done
        = m_db.Delete(u"delete from person_payee_acc where acc_no in (select value from json_each(?))"_s, { keys });
        !done)
        return done;
    return tx.commit();
}

RosterTable::ImportStop RosterTable::importEntries(const std::vector<Entry>& entries, const Progress& progress)
{
    using Kind = ImportStop::Kind;
    auto stopAt = [](Kind kind, qsizetype row) { return ImportStop { kind, row, {} }; };
    Transaction tx(m_db);
    if (!tx.begun())
        return { Kind::StoreFailed, -1, tx.failure().message() };

    // The running numbers and the document codes by description.
    const Result<qlonglong> first = nextPersonNo();
    QHash<QString, QString> certTypes;
    const Result<> typesRead
        = m_db.QueryEach(u"select cert_type,cert_desc from cert_type"_s, {}, [&certTypes](const RecordView& r) {
              const QString desc = r.text(1);
              if (!certTypes.contains(desc))
                  certTypes.insert(desc, r.text(0));
          });
    if (!first || !typesRead)
        return stopAt(Kind::ReadFailed, 0);
    qlonglong nextPerson = first.value();

    std::vector<QString> kinds; // the kind written for each entry
    kinds.reserve(entries.size());
    const qsizetype total = qsizetype(entries.size());
    for (qsizetype index = 0; index < total; ++index) {
        const Entry& e = entries.at(size_t(index));
        // The entries the import replaces: the same account, employee number or
        // document. One query finds them, with what is stored for the account.
        const bool fileDocument = (e.carried & Entry::CertType) && (e.carried & Entry::CertCode);
        const QString fileCertType = certTypes.value(e.certDesc);
        struct Match {
            QString accNo;
            QString values[5]; // kind, bank number, agreement number, document code and number
            // Every column as stored, in kInsert's order (none for null).
            std::optional<QString> stored[kColumns];
        };
        std::vector<Match> matches;
        const Result<> matched
            = m_db.QueryEach(u"select acc_no,acc_type,net_no,mul_net_no,cert_type,cert_code,"_s + kColumnList
                    + u" from person_payee_acc where acc_no=? or"
                      u" (employee_no=? and employee_no<>'') or (cert_type=? and cert_code=? and cert_code<>'')"_s,
                { e.accNo, orNull(e.employeeNo), fileDocument ? QVariant(fileCertType) : QVariant(),
                    fileDocument ? orNull(e.certCode) : QVariant() },
                [&matches](const RecordView& r) {
                    Match m { r.text(0), { r.text(1), r.text(2), r.text(3), r.text(4), r.text(5) }, {} };
                    for (int c = 0; c < kColumns; ++c)
                        if (!r.isNull(6 + c))
                            m.stored[c] = r.text(6 + c);
                    matches.push_back(std::move(m));
                });
        if (!matched)
            return stopAt(Kind::ReplaceFailed, index);
        const Match* stored = nullptr; // the first row of the same account
        int storedRows = 0;
        QStringList others; // entries under another account number
        for (const Match& m : matches) {
            if (m.accNo == e.accNo) {
                if (!stored)
                    stored = &m;
                ++storedRows;
            } else if (!others.contains(m.accNo)) {
                others << m.accNo;
            }
        }
        // What the file does not carry stays as stored for this account.
        auto value = [&](unsigned field, const QString& carried, int column, const QString& fallback) {
            if (e.carried & field)
                return carried;
            return stored ? stored->values[column] : fallback;
        };
        Entry written = e;
        written.accType = value(Entry::Kind, e.accType, 0, kInBank);
        written.netNo = value(Entry::NetNo, e.netNo, 1, QString());
        written.mulNetNo = value(Entry::MulNetNo, e.mulNetNo, 2, QString());
        written.certType = value(Entry::CertType, fileCertType, 3, certTypes.value(QString()));
        written.certCode = value(Entry::CertCode, e.certCode, 4, QString());
        // A file giving only the type or only the number of a document: the
        // document it makes with the stored half is another entry's too.
        if (!fileDocument && (e.carried & (Entry::CertType | Entry::CertCode)) && !written.certCode.isEmpty()) {
            const Result<> same = m_db.QueryEach(
                u"select acc_no from person_payee_acc where acc_no<>? and cert_type=? and cert_code=?"_s,
                { e.accNo, written.certType, written.certCode }, [&others](const RecordView& r) {
                    const QString acc = r.text(0);
                    if (!others.contains(acc))
                        others << acc;
                });
            if (!same)
                return stopAt(Kind::ReplaceFailed, index);
        }

        const QVariantList values = insertValues(nextPerson, written);
        if (others.isEmpty() && storedRows == 0) {
            if (!m_db.Insert(kInsert, values))
                return stopAt(Kind::InsertFailed, index);
        } else if (others.isEmpty() && storedRows == 1) {
            // Only the entry of the same account: one statement replaces its
            // values. It sets only what differs from what is stored (always
            // the running number), so the store rewrites only the indexes of
            // those columns; a file imported again changes one index a row.
            QString sql = u"update person_payee_acc set person_no=?"_s;
            QVariantList update { values.at(0) };
            for (int c = 1; c < kColumns; ++c) {
                const QString text = values.at(c).toString();
                if (stored->stored[c] && *stored->stored[c] == text)
                    continue;
                sql += u',' + kColumnNames[c] + u"=?"_s;
                update.append(values.at(c));
            }
            sql += u" where acc_no=?"_s;
            update.append(e.accNo);
            if (!m_db.Insert(sql, update))
                return stopAt(Kind::InsertFailed, index);
        } else {
            const QStringList removed = QStringList { e.accNo } + others;
            // Delete and insert under a savepoint: a failed insert gives the old entries back.
            if (!m_db.Update(u"SAVEPOINT roster_record"_s))
                return stopAt(Kind::ReplaceFailed, index);
            Kind refused = Kind::None;
            if ((removed.size() > 1
                    && !m_db.Delete(u"delete from laborage where acc_no in (select value from json_each(?))"_s,
                        { DBAccess::listParameter(removed.mid(1)) }))
                || !m_db.Delete(u"delete from person_payee_acc where acc_no in (select value from json_each(?))"_s,
                    { DBAccess::listParameter(removed) }))
                refused = Kind::ReplaceFailed;
            else if (!m_db.Insert(kInsert, values))
                refused = Kind::InsertFailed;
            if (refused != Kind::None)
                m_db.Update(u"ROLLBACK TO roster_record"_s);
            m_db.Update(u"RELEASE roster_record"_s);
            if (refused != Kind::None)
                return stopAt(refused, index);
        }
        kinds.push_back(written.accType.trimmed());
        ++nextPerson;
        if (progress)
            progress(index + 1, total);
    }

    // Every group holds accounts of one kind. A group's kind is that of its
    // first entry the import left in place, else that of its first entry here.
    QHash<QString, QString> groupKinds;
    for (qsizetype index = 0; index < total; ++index) {
        const QString group = groupOf(entries.at(size_t(index)));
        const QString& kind = kinds.at(size_t(index));
        auto known = groupKinds.constFind(group);
        if (known == groupKinds.cend()) {
            const auto kept = m_db.Query(u"select acc_type from person_payee_acc where group_no=? and person_no<?"
                                         u" order by person_no limit 1"_s,
                { group, first.value() });
            if (!kept)
                return stopAt(Kind::GroupReadFailed, index);
            known = groupKinds.insert(group, kept->isEmpty() ? kind : fieldToText(kept->value(0, 0)).trimmed());
        }
        if (*known != kind)
            return stopAt(Kind::GroupKind, index);
    }
    if (const Result<> committed = tx.commit(); !committed)
        return { Kind::StoreFailed, -1, committed.message() };
    return {};
}

Result<std::vector<RosterTable::Entry>> RosterTable::inBankEntries()
{
    std::vector<Entry> entries;
    const Result<> read = m_db.QueryEach(
        u"select acc_no,acc_name,employee_no from person_payee_acc where acc_type='0' order by acc_no"_s, {},
        [&entries](const RecordView& r) {
            Entry e;
            e.accNo = r.text(0).trimmed();
            e.accName = r.text(1).trimmed();
            e.employeeNo = r.text(2).trimmed();
            e.accType = kInBank;
            entries.push_back(std::move(e));
        });
    if (!read)
        return read.failure();
    return entries;
}

Result<std::vector<RosterTable::Entry>> RosterTable::inBankEntriesOfGroup(const QString& group)
{
    std::vector<Entry> entries;
    const Result<> read
        = m_db.QueryEach(u"select acc_no,acc_type,net_no from person_payee_acc where group_no = ? and acc_type='0'"_s,
            { group }, [&entries](const RecordView& r) {
                Entry e;
                e.accNo = r.text(0).trimmed();
                e.accType = r.text(1).trimmed();
                e.netNo = r.text(2).trimmed();
                entries.push_back(std::move(e));
            });
    if (!read)
        return read.failure();
    return entries;
}

Result<QHash<QString, bool>> RosterTable::otherBankByAccount()
{
    QHash<QString, bool> otherBank;
    const auto count = this->count();
    if (count)
        otherBank.reserve(*count);
    const Result<> read
        = m_db.QueryEach(u"select acc_no,acc_type from person_payee_acc"_s, {}, [&otherBank](const RecordView& r) {
              // The kind compared in place: "1" with blanks around it, if any.
              const QByteArrayView kind = QByteArrayView(r.utf8(1)).trimmed();
              bool& other = otherBank[r.text(0)];
              other = other || kind == "1";
          });
    if (!read)
        return read.failure();
    return otherBank;
}

Result<> RosterTable::addUngroupedInBank(qlonglong personNo, const QString& accNo, const QString& accName)
{
    return m_db.Insert(u"insert into person_payee_acc (person_no,group_no,acc_no,acc_type,acc_name) "
                       u"values (?,?,?,'0',?)"_s,
        { personNo, kUngrouped, accNo, accName });
}
