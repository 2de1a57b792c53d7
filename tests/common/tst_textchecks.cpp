#include "TestRegistry.h"

#include "RecordingPrompt.h"
#include "common/FieldChecks.h"
#include "common/FieldRule.h"
#include "common/TextFormat.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// An input control without widgets: a text box or a combo box whose text and
// chosen index the test sets, recording every focus request.
class FakeInput : public InputControl {
public:
    FakeInput(QString text, bool combo = false, int index = -1)
        : m_text(std::move(text))
        , m_combo(combo)
        , m_index(index)
    {
    }
    QString text() const override { return m_text; }
    bool isCombo() const override { return m_combo; }
    int currentIndex() const override { return m_combo ? m_index : -1; }
    void focusAndSelectAll() override { ++focusRequests; }

    int focusRequests = 0;

private:
    QString m_text;
    bool m_combo;
    int m_index;
};

const QString kLabel = u"批量付款:收款帐号"_s;
}

class TestTextChecks : public QObject {
    Q_OBJECT

private slots:
    void checkLength_data();
    void checkLength();
    void checkField_data();
    void checkField();
    void checkFieldReadsTheGivenSlot();
    void isFieldFilled_data();
    void isFieldFilled();
    void isInRange_data();
    void isInRange();
    void isNumberText_data();
    void isNumberText();
    void isIntegerText_data();
    void isIntegerText();
    void isAmountText_data();
    void isAmountText();
    void isIdCardNumber_data();
    void isIdCardNumber();
    void isAccountText_data();
    void isAccountText();
    void isDigitsOnly_data();
    void isDigitsOnly();
    void isEmptyText();
    void formatAmount_data();
    void formatAmount();
    void formatAmountTyped_data();
    void formatAmountTyped();
    void groupThousands_data();
    void groupThousands();
    void textHelpers();
};

void TestTextChecks::checkLength_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("rule");
    QTest::addColumn<bool>("isAccount");
    QTest::addColumn<bool>("passes");

    const auto digits = [](int n) { return QString(n, u'7'); };

    QTest::newRow("list, 12") << digits(12) << u"12,15,17"_s << true << true;
    QTest::newRow("list, 15") << digits(15) << u"12,15,17"_s << true << true;
    QTest::newRow("list, 17") << digits(17) << u"12,15,17"_s << true << true;
    QTest::newRow("list, 13") << digits(13) << u"12,15,17"_s << true << false;
    QTest::newRow("list, 11") << digits(11) << u"12,15,17"_s << true << false;
    QTest::newRow("list, 18") << digits(18) << u"12,15,17"_s << true << false;
    QTest::newRow("range, 10") << digits(10) << u"10-20"_s << true << true;
    QTest::newRow("range, 15") << digits(15) << u"10-20"_s << true << true;
    QTest::newRow("range, 20") << digits(20) << u"10-20"_s << true << true;
    QTest::newRow("range, 9") << digits(9) << u"10-20"_s << true << false;
    QTest::newRow("range, 21") << digits(21) << u"10-20"_s << true << false;
    QTest::newRow("one number, equal") << digits(19) << u"19"_s << true << true;
    QTest::newRow("one number, shorter") << digits(18) << u"19"_s << true << false;
    QTest::newRow("one number, longer") << digits(20) << u"19"_s << true << false;
    QTest::newRow("malformed, comma and dash") << digits(12) << u"10-20,12"_s << true << false;
    QTest::newRow("malformed, two dashes") << digits(12) << u"1-2-30"_s << true << false;
    QTest::newRow("malformed, not a number") << digits(12) << u"abc"_s << true << false;
    QTest::newRow("malformed, open range") << digits(12) << u"10-"_s << true << false;
    QTest::newRow("empty rule, account") << digits(3) << QString() << true << true;
    QTest::newRow("empty rule, other") << digits(300) << QString() << false << true;
    QTest::newRow("maximum, at it") << digits(20) << u"20"_s << false << true;
    QTest::newRow("maximum, below") << QString() << u"20"_s << false << true;
    QTest::newRow("maximum, above") << digits(21) << u"20"_s << false << false;
    QTest::newRow("maximum, malformed") << digits(1) << u"12,15"_s << false << false;
    QTest::newRow("trimmed length counts") << u"  "_s + digits(12) + u"  "_s << u"12"_s << true << true;
}

void TestTextChecks::checkLength()
{
    QFETCH(QString, text);
    QFETCH(QString, rule);
    QFETCH(bool, isAccount);
    QFETCH(bool, passes);
    QCOMPARE(::checkLength(text, rule, isAccount), passes);
}

void TestTextChecks::checkField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isCombo");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("doCheck");
    QTest::addColumn<bool>("notNull");
    QTest::addColumn<bool>("isAccount");
    QTest::addColumn<bool>("isNumric");
    QTest::addColumn<QString>("length");
    QTest::addColumn<QString>("minText");
    QTest::addColumn<QString>("maxText");
    QTest::addColumn<bool>("passes");
    QTest::addColumn<QString>("message"); // empty: no message
    QTest::addColumn<bool>("focused");

    const QString none;
    const QString max308 = u"1E+308"_s;

    QTest::newRow("not checked") << QString() << false << -1 << false << true << true << false << u"12"_s << none
                                 << none << true << none << false;
    QTest::newRow("empty, not null") << QString() << false << -1 << true << true << false << false << none << none
                                     << none << false << u"批量付款:收款帐号不能为空，请重新输入。"_s << false;
    QTest::newRow("blanks only, not null")
        << u"  \t "_s << false << -1 << true << true << false << false << none << none << none << false
        << u"批量付款:收款帐号不能为空，请重新输入。"_s << false;
    QTest::newRow("empty, nullable") << QString() << false << -1 << true << false << false << false << u"5"_s << none
                                     << none << true << none << false;
    QTest::newRow("combo index 0, blank text")
        << u" "_s << true << 0 << true << true << false << false << none << none << none << false
        << u"批量付款:收款帐号不能为空，请重新输入。"_s << false;
    QTest::newRow("combo nothing chosen") << QString() << true << -1 << true << true << false << false << none << none
                                          << none << false << u"批量付款:收款帐号不能为空，请重新输入。"_s << false;
    QTest::newRow("combo index 0 with text")
        << u"人民币"_s << true << 0 << true << true << false << false << none << none << none << true << none << false;
    QTest::newRow("combo index 2, blank text")
        << QString() << true << 2 << true << true << false << false << none << none << none << true << none << false;

    QTest::newRow("account with letter") << u"62220200A1234"_s << false << -1 << true << true << true << false
                                         << u"12,15,17"_s << none << none << false
                                         << u"批量付款:收款帐号输入错误，请输入正确的帐号。"_s << true;
    QTest::newRow("account of 13 digits")
        << u"6222020012345"_s << false << -1 << true << true << true << false << u"12,15,17"_s << none << none << false
        << u"批量付款:收款帐号输入错误，请输入正确的帐号,帐号位数为12,15,17。"_s << false;
    QTest::newRow("account out of range")
        << u"123456789"_s << false << -1 << true << false << true << false << u"10-20"_s << none << none << false
        << u"批量付款:收款帐号输入错误，请输入正确的帐号,帐号位数为10-20。"_s << false;
    QTest::newRow("account with blanks and line breaks")
        << u" 6222 0200\r\n1234 567\n"_s << false << -1 << true << true << true << false << u"12,15,17"_s << none
        << none << true << none << false;
    QTest::newRow("account with dashes") << u"6222-0200-12"_s << false << -1 << true << true << true << false
                                         << u"12,15,17"_s << none << none << true << none << false;
    QTest::newRow("account, empty length rule")
        << u"1"_s << false << -1 << true << true << true << false << none << none << none << true << none << false;

    QTest::newRow("number, not numeric") << u"12a"_s << false << -1 << true << true << false << true << u"20"_s
                                         << u"0"_s << max308 << false
                                         << u"批量付款:收款帐号输入错误，请输入正确的数值。"_s << false;
    QTest::newRow("number, grouped counts commas") << u"1,234.50"_s << false << -1 << true << true << false << true
                                                   << u"8"_s << u"0"_s << max308 << true << none << false;
    QTest::newRow("number, too long") << u"12,345.50"_s << false << -1 << true << true << false << true << u"8"_s
                                      << u"0"_s << max308 << false
                                      << u"批量付款:收款帐号输入错误，请输入正确的数值,最大位数为8。"_s << false;
    QTest::newRow("number, blanks ignored") << u"1 234.5"_s << false << -1 << true << true << false << true << u"6"_s
                                            << u"0"_s << u"2000"_s << true << none << false;
    QTest::newRow("number, above 1E11")
        << u"100000000000.01"_s << false << -1 << true << true << false << true << u"20"_s << u"0"_s << u"1E11"_s
        << false << u"批量付款:收款帐号输入错误，请输入正确的数值,数据最大为100000000000,最小为0。"_s << false;
    QTest::newRow("number, at 1E11") << u"100,000,000,000.00"_s << false << -1 << true << true << false << true
                                     << u"20"_s << u"0"_s << u"1E11"_s << true << none << false;
    QTest::newRow("number, below minimum")
        << u"0.3"_s << false << -1 << true << true << false << true << none << u"0.50"_s << max308 << false
        << u"批量付款:收款帐号输入错误，请输入正确的数值,数据最大为1E+308,最小为0.5。"_s << false;
    QTest::newRow("number, negative bounds")
        << u"-100.5"_s << false << -1 << true << true << false << true << none << u"-100"_s << u"1,000.10"_s << false
        << u"批量付款:收款帐号输入错误，请输入正确的数值,数据最大为1000.1,最小为-100。"_s << false;
    QTest::newRow("number, tiny bounds")
        << u"1"_s << false << -1 << true << true << false << true << none << u"1.5e-3"_s << u"0.25"_s << false
        << u"批量付款:收款帐号输入错误，请输入正确的数值,数据最大为0.25,最小为0.0015。"_s << false;

    QTest::newRow("text, too long") << u"abcdef"_s << false << -1 << true << true << false << false << u"5"_s << none
                                    << none << false << u"批量付款:收款帐号输入错误,最大位数为5。"_s << false;
    QTest::newRow("text, blanks not counted") << u"ab c\r\nde"_s << false << -1 << true << true << false << false
                                              << u"5"_s << none << none << true << none << false;
    QTest::newRow("text, no rule") << QString(500, u'x') << false << -1 << true << true << false << false << none
                                   << none << none << true << none << false;
}

void TestTextChecks::checkField()
{
    QFETCH(QString, text);
    QFETCH(bool, isCombo);
    QFETCH(int, index);
    QFETCH(bool, doCheck);
    QFETCH(bool, notNull);
    QFETCH(bool, isAccount);
    QFETCH(bool, isNumric);
    QFETCH(QString, length);
    QFETCH(QString, minText);
    QFETCH(QString, maxText);
    QFETCH(bool, passes);
    QFETCH(QString, message);
    QFETCH(bool, focused);

    FieldRules rules;
    FieldRule& rule = rules.ruleFor(FieldId::PatchPayFile_PatchPayFileRemark);
    rule.label = kLabel;
    rule.notNull = notNull;
    rule.isAccount = isAccount;
    rule.isNumric = isNumric;
    rule.length = length;
    rule.minValueText = minText;
    rule.maxValueText = maxText;
    rule.minValue = minText.toDouble();
    rule.maxValue = maxText.toDouble();

    FakeInput input(text, isCombo, index);
    RecordingPrompt prompt;
    QCOMPARE(::checkField(input, FieldId(7), doCheck, rules, prompt), passes);
    QCOMPARE(prompt.messages(), message.isEmpty() ? QStringList() : QStringList { message });
    QCOMPARE(prompt.calls().size(), message.isEmpty() ? 0 : 1);
    QCOMPARE(input.focusRequests, focused ? 1 : 0);
    QCOMPARE(input.text(), text);
}

void TestTextChecks::checkFieldReadsTheGivenSlot()
{
    FieldRules rules;
    rules.ruleFor(FieldId::PatchPayFile_GatherAccountNo).label = u"A:"_s;
    rules.ruleFor(FieldId::PatchPayFile_GatherAccountNo).notNull = true;
    rules.ruleAt(50).label = u"B:"_s;
    rules.ruleAt(50).length = u"2"_s;
    RecordingPrompt prompt;

    FakeInput empty { QString() };
    QVERIFY(!::checkField(empty, FieldId(1), true, rules, prompt));
    QVERIFY(::checkField(empty, FieldId(50), true, rules, prompt));
    FakeInput longer { u"abc"_s };
    QVERIFY(::checkField(longer, FieldId(1), true, rules, prompt));
    QVERIFY(!::checkField(longer, FieldId(50), true, rules, prompt));
    // A slot the settings never filled passes everything.
    QVERIFY(::checkField(empty, FieldId(2), true, rules, prompt));
    QCOMPARE(prompt.messages(), (QStringList { u"A:不能为空，请重新输入。"_s, u"B:输入错误,最大位数为2。"_s }));

    // Bounds given only as numbers (no settings text) are printed the same way.
    FieldRule& rule = rules.ruleFor(FieldId::PatchPayFile_GatherAccountNetNo);
    rule.label = u"C:"_s;
    rule.isNumric = true;
    rule.minValue = 1;
    rule.maxValue = 99.5;
    FakeInput big { u"100"_s };
    prompt.clear();
    QVERIFY(!::checkField(big, FieldId(3), true, rules, prompt));
    QCOMPARE(prompt.messages(), QStringList { u"C:输入错误，请输入正确的数值,数据最大为99.5,最小为1。"_s });
}

void TestTextChecks::isFieldFilled_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isCombo");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("filled");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("textFilled");

    QTest::newRow("text box, text") << u" a "_s << false << -1 << true << false << true;
    QTest::newRow("text box, blanks") << u"   "_s << false << -1 << false << false << false;
    QTest::newRow("combo 0, blank") << u"  "_s << true << 0 << false << false << false;
    QTest::newRow("combo 0, text") << u"x"_s << true << 0 << true << false << true;
    QTest::newRow("combo 1, blank") << QString() << true << 1 << true << true << false;
    QTest::newRow("combo none, text") << u"x"_s << true << -1 << true << false << true;
}

void TestTextChecks::isFieldFilled()
{
    QFETCH(QString, text);
    QFETCH(bool, isCombo);
    QFETCH(int, index);
    QFETCH(bool, filled);
    QFETCH(bool, selected);
    QFETCH(bool, textFilled);
    const FakeInput input(text, isCombo, index);
    QCOMPARE(::isFieldFilled(input, true), filled);
    QCOMPARE(::isComboSelected(input, true), selected);
    QCOMPARE(::isComboTextFilled(input, true), textFilled);
    QCOMPARE(::isTextFilled(input, true), textFilled);
    // Without the not-null flag everything passes.
    QVERIFY(::isFieldFilled(input, false));
    QVERIFY(::isComboSelected(input, false));
    QVERIFY(::isComboTextFilled(input, false));
    QVERIFY(::isTextFilled(input, false));
}

void TestTextChecks::isInRange_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("min");
    QTest::addColumn<QString>("max");
    QTest::addColumn<bool>("inRange");

    QTest::newRow("a fen above 1E11") << u"100000000000.01"_s << u"0"_s << u"1E11"_s << false;
    QTest::newRow("exactly 1E11") << u"100000000000"_s << u"0"_s << u"1E11"_s << true;
    QTest::newRow("grouped at 1E11") << u"100,000,000,000.00"_s << u"0"_s << u"1E+11"_s << true;
    QTest::newRow("0.07 + 0.01 bound") << u"0.08"_s << u"0.08"_s << u"0.08"_s << true;
    QTest::newRow("just below minimum") << u"0.0799999999999999999"_s << u"0.08"_s << u"1"_s << false;
    QTest::newRow("default maximum reached") << u"1E308"_s << u"0"_s << u"1E+308"_s << true;
    QTest::newRow("above default maximum, same double")
        << u"1.0000000000000001E+308"_s << u"0"_s << u"1E+308"_s << false;
    QTest::newRow("plain digits of the maximum") << u"1"_s + QString(308, u'0') << u"0"_s << u"1E+308"_s << true;
    QTest::newRow("one more than the maximum")
        << u"1"_s + QString(307, u'0') + u"1"_s << u"0"_s << u"1E+308"_s << false;
    QTest::newRow("negative below zero") << u"-0.01"_s << u"0"_s << u"100"_s << false;
    QTest::newRow("negative inside") << u"-5"_s << u"-10"_s << u"-1"_s << true;
    QTest::newRow("negative too low") << u"-10.5"_s << u"-10"_s << u"-1"_s << false;
    QTest::newRow("zero with signs") << u"-0"_s << u"0"_s << u"0"_s << true;
    QTest::newRow("blanks ignored") << u" 1 000\r\n"_s << u"1000"_s << u"1000"_s << true;
    QTest::newRow("not a number") << u"abc"_s << u"0"_s << u"100"_s << false;
    QTest::newRow("bad bound") << u"5"_s << u"0"_s << u"lots"_s << false;
}

void TestTextChecks::isInRange()
{
    QFETCH(QString, text);
    QFETCH(QString, min);
    QFETCH(QString, max);
    QFETCH(bool, inRange);
    QCOMPARE(::isInRange(text, min, max), inRange);
}

void TestTextChecks::isNumberText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");
    QTest::addColumn<QString>("after");

    QTest::newRow("grouped amount") << u"1,234.50"_s << true << u"1234.50"_s;
    QTest::newRow("plain") << u"12"_s << true << u"12"_s;
    QTest::newRow("blanks around") << u" 12 "_s << true << u" 12 "_s;
    QTest::newRow("signed exponent") << u"-1.5E+3"_s << true << u"-1.5E+3"_s;
    QTest::newRow("plus, leading point") << u"+.5"_s << true << u"+.5"_s;
    QTest::newRow("trailing point") << u"1234."_s << true << u"1234."_s;
    QTest::newRow("empty") << QString() << false << QString();
    QTest::newRow("blank") << u"   "_s << false << u"   "_s;
    QTest::newRow("letters, commas still removed") << u"a,b"_s << false << u"ab"_s;
    QTest::newRow("double comma") << u"1,,2"_s << false << u"12"_s;
    QTest::newRow("leading comma") << u",12"_s << false << u"12"_s;
    QTest::newRow("exponent without digits") << u"1E"_s << false << u"1E"_s;
    QTest::newRow("point only") << u"."_s << false << u"."_s;
    QTest::newRow("two points") << u"1.2.3"_s << false << u"1.2.3"_s;
    QTest::newRow("inner blank") << u"1 2"_s << false << u"1 2"_s;
    QTest::newRow("exponent out of reach") << u"1E999999"_s << false << u"1E999999"_s;
    QTest::newRow("largest exponent") << u"9.9E100000"_s << true << u"9.9E100000"_s;
    QTest::newRow("leading digit one place further") << u"99E100000"_s << false << u"99E100000"_s;
    QTest::newRow("smallest exponent") << u"0.1E-99999"_s << true << u"0.1E-99999"_s;
    QTest::newRow("beyond the smallest") << u"0.01E-99999"_s << false << u"0.01E-99999"_s;
    QTest::newRow("zero with a huge exponent") << u"0E999999"_s << true << u"0E999999"_s;
}

void TestTextChecks::isNumberText()
{
    QFETCH(QString, text);
    QFETCH(bool, numeric);
    QFETCH(QString, after);
    QCOMPARE(::isNumberText(text), numeric);
    QCOMPARE(text, after);
}

void TestTextChecks::isIntegerText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("integer");
    QTest::newRow("digits") << u"123"_s << true;
    QTest::newRow("negative") << u"-5"_s << true;
    QTest::newRow("grouped") << u"1,234"_s << true;
    QTest::newRow("blanks around") << u" 7 "_s << true;
    QTest::newRow("decimal point") << u"1.0"_s << false;
    QTest::newRow("trailing point") << u"1."_s << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("letter") << u"12a"_s << false;
}

void TestTextChecks::isIntegerText()
{
    QFETCH(QString, text);
    QFETCH(bool, integer);
    QCOMPARE(::isIntegerText(text), integer);
}

void TestTextChecks::isAmountText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("amount");
    QTest::newRow("12.34") << u"12.34"_s << true;
    QTest::newRow("12.345") << u"12.345"_s << false;
    QTest::newRow("-1") << u"-1"_s << false;
    QTest::newRow("grouped, one decimal") << u"1,234.5"_s << true;
    QTest::newRow("leading point") << u".5"_s << true;
    QTest::newRow("trailing point") << u"12."_s << true;
    QTest::newRow("whole") << u"100"_s << true;
    QTest::newRow("zero") << u"0"_s << true;
    QTest::newRow("negative zero") << u"-0"_s << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("letters") << u"abc"_s << false;
    QTest::newRow("exponent") << u"1E5"_s << false;
}

void TestTextChecks::isAmountText()
{
    QFETCH(QString, text);
    QFETCH(bool, amount);
    QCOMPARE(::isAmountText(text), amount);
}

void TestTextChecks::isIdCardNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("17 digits and x") << u"11010519491231002x"_s << true;
    QTest::newRow("17 digits and X") << u"11010519491231002X"_s << true;
    QTest::newRow("18 digits") << u"110105194912310021"_s << true;
    QTest::newRow("15 digits") << u"110105491231002"_s << true;
    QTest::newRow("blanks around") << u"  110105491231002 "_s << true;
    QTest::newRow("16 digits") << u"1101054912310021"_s << false;
    QTest::newRow("14 digits") << u"11010549123100"_s << false;
    QTest::newRow("17 digits and y") << u"11010519491231002y"_s << false;
    QTest::newRow("x inside") << u"1101051949123100x2"_s << false;
    QTest::newRow("15 with letter") << u"11010549123100A"_s << false;
    QTest::newRow("15 with point") << u"1101054912310.2"_s << false;
}

void TestTextChecks::isIdCardNumber()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(::isIdCardNumber(text), valid);
}

void TestTextChecks::isAccountText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("empty") << QString() << true;
    QTest::newRow("digits and dashes") << u"6222-0200-1234"_s << true;
    QTest::newRow("blank") << u"6222 0200"_s << false;
    QTest::newRow("letter") << u"6222A"_s << false;
    QTest::newRow("fullwidth digits") << u"６２２２"_s << false;
    QTest::newRow("point") << u"62.22"_s << false;
}

void TestTextChecks::isAccountText()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(::isAccountText(text), valid);
}

void TestTextChecks::isDigitsOnly_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("empty") << QString() << true;
    QTest::newRow("digits") << u"0123"_s << true;
    QTest::newRow("trailing blanks ignored") << u"0123  "_s << true;
    QTest::newRow("leading blank fails") << u" 0123"_s << false;
    QTest::newRow("inner blank") << u"01 23"_s << false;
    QTest::newRow("sign") << u"-1"_s << false;
    QTest::newRow("point") << u"1.5"_s << false;
}

void TestTextChecks::isDigitsOnly()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(::isDigitsOnly(text), valid);
}

void TestTextChecks::isEmptyText()
{
    QVERIFY(::isEmptyText(QString()));
    QVERIFY(::isEmptyText(u""_s));
    QVERIFY(!::isEmptyText(u" "_s));
    QVERIFY(!::isEmptyText(u"0"_s));
}

void TestTextChecks::formatAmount_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("formatted");
    QTest::newRow("1234") << u"1234"_s << u"1,234.00"_s;
    QTest::newRow("0012.5") << u"0012.5"_s << u"12.50"_s;
    QTest::newRow(".5") << u".5"_s << u"0.50"_s;
    QTest::newRow("1234567.891 cut, not rounded") << u"1234567.891"_s << u"1,234,567.89"_s;
    QTest::newRow("empty") << QString() << u"0.00"_s;
    QTest::newRow("zeros") << u"000"_s << u"0.00"_s;
    QTest::newRow("0.00") << u"0.00"_s << u"0.00"_s;
    QTest::newRow("999999.999") << u"999999.999"_s << u"999,999.99"_s;
    QTest::newRow("already grouped") << u"1,234.5"_s << u"1,234.50"_s;
    QTest::newRow("six digits") << u"123456"_s << u"123,456.00"_s;
    QTest::newRow("ten digits") << u"1234567890.1"_s << u"1,234,567,890.10"_s;
}

void TestTextChecks::formatAmount()
{
    QFETCH(QString, text);
    QFETCH(QString, formatted);
    QCOMPARE(::formatAmount(text), formatted);
}

void TestTextChecks::formatAmountTyped_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("formatted");
    QTest::newRow("1234.5") << u"1234.5"_s << u"1,234.5"_s;
    QTest::newRow("1234") << u"1234"_s << u"1,234"_s;
    QTest::newRow("1234. point stays") << u"1234."_s << u"1,234."_s;
    QTest::newRow("1234567") << u"1234567"_s << u"1,234,567"_s;
    QTest::newRow("two decimals") << u"1234.56"_s << u"1,234.56"_s;
    QTest::newRow("third decimal dropped") << u"1234.567"_s << u"1,234.56"_s;
    QTest::newRow("leading point") << u".5"_s << u"0.5"_s;
    QTest::newRow("leading zeros") << u"007"_s << u"7"_s;
    QTest::newRow("regrouped while typing") << u"1,2345"_s << u"12,345"_s;
    QTest::newRow("small") << u"123"_s << u"123"_s;
}

void TestTextChecks::formatAmountTyped()
{
    QFETCH(QString, text);
    QFETCH(QString, formatted);
    QCOMPARE(::formatAmountTyped(text), formatted);
}

void TestTextChecks::groupThousands_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("grouped");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("short unchanged") << u"123.45"_s << u"123.45"_s;
    QTest::newRow("four digits") << u"1234.00"_s << u"1,234.00"_s;
    QTest::newRow("seven digits") << u"1234567.00"_s << u"1,234,567.00"_s;
    QTest::newRow("regrouped") << u"1,23,4567.00"_s << u"1,234,567.00"_s;
    QTest::newRow("negative") << u"-123456.78"_s << u"-123,456.78"_s;
    QTest::newRow("negative, three digits") << u"-123.00"_s << u"-123.00"_s;
}

void TestTextChecks::groupThousands()
{
    QFETCH(QString, text);
    QFETCH(QString, grouped);
    QCOMPARE(::groupThousands(text), grouped);
}

void TestTextChecks::textHelpers()
{
    QCOMPARE(removeCommas(u"1,234,567.8"_s), u"1234567.8"_s);
    QCOMPARE(removeCommas(QString()), QString());

    QString blanks = u" 62 22\r\n02\n00\t1 "_s;
    removeBlanks(blanks);
    QCOMPARE(blanks, u"62220200\t1"_s); // tabs are not blanks here

    QCOMPARE(padZeroLeft(u"12"_s, 5), u"00012"_s);
    QCOMPARE(padZeroLeft(u"12345"_s, 5), u"12345"_s);
    QCOMPARE(padZeroLeft(u"123456"_s, 3), u"123456"_s);
    QCOMPARE(padZeroLeft(QString(), 2), u"00"_s);
}

QELVORA_TEST(TestTextChecks)
#include "tst_textchecks.moc"
