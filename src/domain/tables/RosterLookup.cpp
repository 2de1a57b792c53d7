#include "domain/tables/RosterLookup.h"

#include "store/DBAccess.h"

using namespace Qt::StringLiterals;

Result<std::vector<RosterLookup::Employee>> RosterLookup::inBank()
{
    std::vector<Employee> employees;
    const Result<> read = m_db.QueryEach(
        u"select acc_no,acc_name,employee_no from person_payee_acc where acc_type='0' order by acc_no"_s, {},
        [&](const RecordView& v) {
            employees.push_back({ v.text(0).trimmed(), v.text(1).trimmed(), v.text(2).trimmed() });
        });
    if (!read)
        return read.failure();
    return employees;
}

Result<QStringList> RosterLookup::groups()
{
    QStringList groups;
    const Result<> read = m_db.QueryEach(u"select distinct group_no from person_payee_acc order by group_no "_s, {},
        [&](const RecordView& v) { groups.append(v.text(0)); });
    if (!read)
        return read.failure();
    return groups;
}

Result<std::vector<RosterLookup::Member>> RosterLookup::inBankMembers(const QString& group)
{
    std::vector<Member> members;
    const Result<> read
        = m_db.QueryEach(u"select acc_no,acc_type,net_no from person_payee_acc where group_no = ? and acc_type='0'"_s,
            { group }, [&](const RecordView& v) {
                members.push_back({ v.text(0).trimmed(), v.text(1).trimmed(), v.text(2).trimmed() });
            });
    if (!read)
        return read.failure();
    return members;
}
