#pragma once

#include <QString>

#include <array>

// The input rule of one entry field, addressed by its field id 1..50.
// A slot the settings never filled has an empty label, false flags, an empty
// length rule and bounds 0: it passes every check.
struct FieldRule {
    QString label; // function name + ":" + field name; starts every check message
    bool canEdit = false;
    bool notNull = false;
    bool isAccount = false;
    bool isNumric = false;
    QString length; // "20", "12,15,17", "10-20"; "10000" when the attribute is empty
    double minValue = 0;
    double maxValue = 0;
    // The bounds as written in the settings file ("0" / "1E+308" for empty
    // attributes), so that range checks can compare exactly in decimal.
    QString minValueText;
    QString maxValueText;
};

constexpr int kFieldRuleCount = 50;

// The fields the settings file gives rules for, by the id attribute of their
// element. The names are the group element and the field element of the file
// (<PatchPayFile><GatherAccountNo id="1" …/>…).
enum class FieldId : int {
    PatchPayFile_GatherAccountNo = 1,
    PatchPayFile_GatherAccountName = 2,
    PatchPayFile_GatherAccountNetNo = 3,
    PatchPayFile_GatherAccountAreaCode = 4,
    PatchPayFile_GatherAccountLinkNo = 5,
    PatchPayFile_PaySum = 6,
    PatchPayFile_PatchPayFileRemark = 7,
    SubSalaryFile_PayeeName = 8,
    SubSalaryFile_PayeeAccountNo = 9,
    SubSalaryFile_Sum = 10,
    SubSalaryFile_SubSalaryFileRemark = 11,
    PayAccountMana_PayAccountNo = 12,
    PayAccountMana_PayeeAccountName = 13,
    GatherAccountMana_GatherAccountNo = 14,
    GatherAccountMana_GatherAccountName = 15,
    GatherAccountMana_GatherAccountNetNo = 16,
    SubSalaRollMana_PerAccountNo = 17,
    SubSalaRollMana_PerAccountName = 18,
    SubSalaRollMana_CertificateNo = 19,
    RemarkMana_RemarkName = 20,
    SubSalaRollMana_EmployeeNo = 21,
    GatherAccountMana_GatherPayeeAreaNo = 22,
    GatherAccountMana_GatherPayeePayeeNetNo = 23,
};

// The rules of the fields; a FieldId names the field. ruleAt() reaches a slot
// by the number the settings file writes (1..50), for the code that reads or
// lists the file's elements.
class FieldRules {
public:
    FieldRule& ruleFor(FieldId id) { return ruleAt(static_cast<int>(id)); }
    const FieldRule& ruleFor(FieldId id) const { return ruleAt(static_cast<int>(id)); }
    FieldRule& ruleAt(int id) { return m_rules.at(static_cast<size_t>(id - 1)); }
    const FieldRule& ruleAt(int id) const { return m_rules.at(static_cast<size_t>(id - 1)); }
    static bool isValidId(int id) { return id >= 1 && id <= kFieldRuleCount; }

private:
    std::array<FieldRule, kFieldRuleCount> m_rules;
};
