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

// fieldRules[id] for id 1..50; use ruleFor() rather than indexing by hand.
class FieldRules {
public:
    FieldRule& ruleFor(int id) { return m_rules.at(static_cast<size_t>(id - 1)); }
    const FieldRule& ruleFor(int id) const { return m_rules.at(static_cast<size_t>(id - 1)); }
    static bool isValidId(int id) { return id >= 1 && id <= kFieldRuleCount; }

private:
    std::array<FieldRule, kFieldRuleCount> m_rules;
};
