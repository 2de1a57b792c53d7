#pragma once

// What every roster reader must hold for the entries it accepts, whatever the
// bytes were: the limits of the roster screen, no control characters, one entry
// per account and employee number, and a message for every refusal.

#include "domain/masterdata/EmployeeListFile.h"

#include <QSet>

#include <cstdio>
#include <cstdlib>

namespace rosterfuzz {

inline void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

inline bool hasControlCharacter(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 && c != u'\t')
            return true;
    }
    return false;
}

inline bool isTrimmed(const QString& text)
{
    return text == text.trimmed();
}

// `xml`: the entries come from the XML reader (16 to 20 digits, carried fields).
inline void checkRead(const EmployeeListFile::ReadResult& read, bool xml)
{
    using EmployeeListFile::Entry;
    require(read.stopped() || !read.records.empty(), "an accepted file has entries");
    require(!read.stopped() || !read.stop.message().isEmpty(), "a refusal has a message");
    QSet<QString> accounts;
    QSet<QString> employees;
    for (const Entry& e : read.records) {
        for (const QString* value : { &e.group, &e.accNo, &e.accName, &e.employeeNo, &e.accType, &e.netNo, &e.mulNetNo,
                 &e.certDesc, &e.certCode }) {
            require(!hasControlCharacter(*value), "no control characters");
            require(isTrimmed(*value), "values are trimmed");
        }
        require(!e.accNo.isEmpty() && !e.accName.isEmpty(), "account and name are given");
        require(e.accNo.size() <= EmployeeListFile::kAccNoMaxLength, "account fits its box");
        require(e.accName.size() <= EmployeeListFile::kAccNameMaxLength, "name fits its box");
        require(e.employeeNo.size() <= EmployeeListFile::kEmployeeNoMaxLength, "employee number fits its box");
        require(e.mulNetNo.size() <= EmployeeListFile::kMulNetNoMaxLength, "agreement number fits its box");
        if (xml) {
            require(e.accNo.size() >= EmployeeListFile::kXmlAccNoMinLength, "XML account of 16 digits or more");
            for (const QChar c : e.accNo)
                require(c >= u'0' && c <= u'9', "XML account of digits");
            require(!(e.carried & Entry::Kind) || e.accType == QStringLiteral("0") || e.accType == QStringLiteral("1"),
                "kind 0 or 1");
        } else {
            require(e.carried == 0, "CSV and workbooks carry no kind, bank numbers or documents");
        }
        require(!accounts.contains(e.accNo), "an account once per file");
        accounts.insert(e.accNo);
        if (!e.employeeNo.isEmpty()) {
            require(!employees.contains(e.employeeNo), "an employee number once per file");
            employees.insert(e.employeeNo);
        }
    }
}

} // namespace rosterfuzz
