#pragma once

#include "common/Money.h"
#include "common/Result.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The checks run over a whole instruction list before its upload file is
// written: everything the bank would refuse (errors) and everything that is
// likely a mistake (warnings), all at once, each naming the row, the field and
// the problem. Free functions over plain records, without widgets or store.
namespace InstructionCheck {

enum class Severity { Error, Warning };

struct Finding {
    Severity severity = Severity::Error;
    qint64 row = 0; // 序号 in the list; 0 when the finding concerns no listed row
    QString field;
    QString problem;
};

// A text written into the upload file without quoting.
struct TextField {
    QString name;
    QString text;
};

// One instruction as the list holds it.
struct Record {
    qint64 row = 0; // 序号 in the list; 0 for an instruction the list does not show
    QString serialNo;
    std::vector<TextField> texts; // checked for ",", line breaks and GBK
    QString accNo; // the payee account
    bool inBank = true; // an in-bank account: digits only, length by the rule
    QString amount; // the stored amount text ("1234.5")
    QString accName;
    std::optional<QString> keptName; // the name kept for this account, when one is kept
    bool inRoster = true; // payroll: the account still has a roster row
    // Payroll: the in-bank instruction's account is other-bank in the roster
    // (changed since the instruction was made); the bank refuses it in the
    // in-bank upload file.
    bool rosterOtherBank = false;
    QString residentId; // payroll: the roster's resident ID number, when it has one
};

// The wording and the rules a tab's list is checked with.
struct Rules {
    QString accountField; // "收款账号" / "账号"
    QString nameField;
    QString amountField;
    QString accountLengthRule; // the account field rule's length; empty: any
    // The largest total the header's amount field carries, in fen: 15
    // significant digits, which every reader of the file keeps exactly.
    qint64 maxTotalFen = 999'999'999'999'999;
};

// Checks a list one instruction at a time, so that a list of any length is
// checked without holding all its records.
class Checker {
public:
    // `expected`: about how many records will be added (room is made for them).
    explicit Checker(Rules rules, qsizetype expected = 0);
    void add(const Record& record);
    // All findings, errors and warnings in the order the records were added; a
    // finding about the whole list (the total) comes last.
    std::vector<Finding> finish();

private:
    Rules m_rules;
    bool m_lengthRuled = false;
    // The row of the first instruction with each account and amount.
    QHash<std::pair<QString, qint64>, qint64> m_seen;
    Money m_total;
    bool m_totalOverflow = false;
    std::vector<Finding> m_findings;
};

// The findings of a whole list, as a Checker gives them.
std::vector<Finding> check(const std::vector<Record>& records, const Rules& rules);
bool hasErrors(const std::vector<Finding>& findings);

// The Luhn check digit of bank card numbers holds for a text of digits.
bool luhnValid(const QString& digits);
// The check character of an 18-character resident ID number (GB 11643) is right.
bool residentIdValid(const QString& id);

// The report's columns "类别,序号,字段,问题" and the words of its first column.
QStringList reportHeader();
QString severityText(Severity severity);

// Writes the report as a CSV file: the header, then one line per finding.
// Texts are made fit for the unquoted file (a "," becomes "，", a line break a
// blank, a character GBK lacks its code "U+XXXX").
Result<> saveReport(const QString& path, const std::vector<Finding>& findings);

} // namespace InstructionCheck
