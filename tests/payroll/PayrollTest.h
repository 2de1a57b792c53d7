#pragma once

#include "TestEnv.h"

#include <QString>

// Set-up rows of the payroll tests, stored directly.
namespace payrolltest {

using namespace Qt::StringLiterals;

inline void addRoster(TestEnv& env, const QString& accNo, const QString& name, const QString& employeeNo,
    const QString& group = u"一组"_s, const QString& accType = u"0"_s)
{
    env.exec(u"insert into person_payee_acc (person_no,group_no,acc_no,acc_name,employee_no,acc_type,net_no) "
             u"values ((select ifnull(max(person_no),0)+1 from person_payee_acc),?,?,?,?,?,'')"_s,
        { group, accNo, name, employeeNo, accType });
}

inline void addInstruction(TestEnv& env, qint64 serial, const QString& accNo, const QString& amount,
    const QString& accType = u"0"_s, const QString& remark = QString())
{
    env.exec(u"insert into laborage (serial_no,acc_no,pay_amount,acc_type,net_no,remark) values (?,?,?,?,'',?)"_s,
        { serial, accNo, amount, accType, remark });
}

// The table as text, one instruction a line in serial-number order.
inline QString dump(TestEnv& env)
{
    return env
        .scalar(u"select group_concat(line, '|') from (select serial_no||','||acc_no||','||pay_amount||','||"
                u"acc_type||','||ifnull(remark,'') as line from laborage order by serial_no)"_s)
        .toString();
}

// The three employees of the reference upload file and their instructions, 1500 yuan.
inline void addReferencePayroll(TestEnv& env)
{
    addRoster(env, u"6228480011112222"_s, u"张三"_s, u"007"_s);
    addRoster(env, u"6228480033334444"_s, u"李四"_s, QString());
    addRoster(env, u"6228480055556666"_s, u"王五 "_s, u"A-12"_s);
    addInstruction(env, 1, u"6228480011112222"_s, u"1234.5"_s);
    addInstruction(env, 2, u"6228480033334444"_s, u"200"_s);
    addInstruction(env, 3, u"6228480055556666"_s, u"65.5"_s);
}

} // namespace payrolltest
