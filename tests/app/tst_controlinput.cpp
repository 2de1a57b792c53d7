#include "TestEnv.h"
#include "TestRegistry.h"

#include "app/ControlInput.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {
constexpr FieldId kAccount = FieldId(1);
constexpr FieldId kCurrency = FieldId(2);
constexpr FieldId kAmount = FieldId(3);
constexpr FieldId kRemark = FieldId(4);

// A small entry form with the kinds of controls the screens check.
struct Form {
    QWidget window;
    QLineEdit* other = new QLineEdit;
    QLineEdit* account = new QLineEdit;
    QComboBox* currency = new QComboBox;
    QComboBox* editableAccount = new QComboBox;
    QPlainTextEdit* remark = new QPlainTextEdit;

    Form()
    {
        auto* layout = new QVBoxLayout(&window);
        for (QWidget* w :
            { static_cast<QWidget*>(other), static_cast<QWidget*>(account), static_cast<QWidget*>(currency),
                static_cast<QWidget*>(editableAccount), static_cast<QWidget*>(remark) })
            layout->addWidget(w);
        currency->addItems({ u" "_s, u"人民币"_s, u"美元"_s });
        editableAccount->setEditable(true);
        editableAccount->addItems({ QString(), u"622202001234"_s });
    }
};

void setRules(AppContext& ctx)
{
    FieldRule& account = ctx.fieldRules.ruleFor(kAccount);
    account.label = u"付款:收款帐号"_s;
    account.notNull = true;
    account.isAccount = true;
    account.length = u"12,15,17"_s;

    FieldRule& currency = ctx.fieldRules.ruleFor(kCurrency);
    currency.label = u"付款:币种"_s;
    currency.notNull = true;

    FieldRule& amount = ctx.fieldRules.ruleFor(kAmount);
    amount.label = u"付款:金额"_s;
    amount.notNull = true;
    amount.isNumric = true;
    amount.length = u"20"_s;
    amount.minValueText = u"0"_s;
    amount.maxValueText = u"1E11"_s;

    FieldRule& remark = ctx.fieldRules.ruleFor(kRemark);
    remark.label = u"付款:用途"_s;
    remark.length = u"10"_s;
}
}

class TestControlInput : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        setRules(m_env->ctx());
        m_form = std::make_unique<Form>();
        m_form->window.show();
        QVERIFY(QTest::qWaitForWindowActive(&m_form->window));
        m_form->other->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), m_form->other);
    }
    void cleanup()
    {
        m_form.reset();
        m_env.reset();
    }

    void accountFormatFailureFocusesAndSelects()
    {
        m_form->account->setText(u"6222 0200 12AB"_s);
        m_form->account->setCursorPosition(3);
        QVERIFY(!checkField(m_form->account, kAccount, true, m_env->ctx()));
        QCOMPARE(m_env->prompt.messages(), QStringList { u"付款:收款帐号输入错误，请输入正确的帐号。"_s });
        QTRY_COMPARE(QApplication::focusWidget(), m_form->account);
        QCOMPARE(m_form->account->selectedText(), u"6222 0200 12AB"_s);
        QCOMPARE(m_form->account->text(), u"6222 0200 12AB"_s);
    }

    void otherFailuresLeaveTheFocus()
    {
        m_form->account->setText(u"6222020012345"_s); // 13 digits
        QVERIFY(!checkField(m_form->account, kAccount, true, m_env->ctx()));
        m_form->account->setText(QString());
        QVERIFY(!checkField(m_form->account, kAccount, true, m_env->ctx()));
        QCOMPARE(m_env->prompt.messages(),
            (QStringList { u"付款:收款帐号输入错误，请输入正确的帐号,帐号位数为12,15,17。"_s,
                u"付款:收款帐号不能为空，请重新输入。"_s }));
        QCOMPARE(QApplication::focusWidget(), m_form->other);
        QVERIFY(!m_form->account->hasSelectedText());
    }

    void accountBlanksAndLineBreaksIgnored()
    {
        m_form->account->setText(u" 6222 0200 1234 "_s);
        QVERIFY(checkField(m_form->account, kAccount, true, m_env->ctx()));
        m_form->remark->setPlainText(u"6222 0200\r\n1234\n567"_s);
        QVERIFY(checkField(m_form->remark, kAccount, true, m_env->ctx()));
        QVERIFY(m_env->prompt.calls().isEmpty());
        QCOMPARE(m_form->remark->toPlainText(), u"6222 0200\n1234\n567"_s); // unchanged (Qt keeps LF only)
    }

    void comboAtFirstItemWithBlankTextIsEmpty()
    {
        m_form->currency->setCurrentIndex(0);
        QCOMPARE(m_form->currency->currentText(), u" "_s);
        QVERIFY(!checkField(m_form->currency, kCurrency, true, m_env->ctx()));
        QCOMPARE(m_env->prompt.messages(), QStringList { u"付款:币种不能为空，请重新输入。"_s });

        m_env->prompt.clear();
        m_form->currency->setCurrentIndex(1);
        QVERIFY(checkField(m_form->currency, kCurrency, true, m_env->ctx()));
        m_form->currency->setCurrentIndex(-1);
        QVERIFY(!checkField(m_form->currency, kCurrency, true, m_env->ctx()));
        QCOMPARE(m_env->prompt.messages(), QStringList { u"付款:币种不能为空，请重新输入。"_s });
    }

    void editableComboSelectsItsText()
    {
        m_form->editableAccount->setEditText(u"62220200-1234x"_s);
        QVERIFY(!checkField(m_form->editableAccount, kAccount, true, m_env->ctx()));
        QTRY_VERIFY(m_form->editableAccount->hasFocus());
        QCOMPARE(m_form->editableAccount->lineEdit()->selectedText(), u"62220200-1234x"_s);

        m_form->editableAccount->setCurrentIndex(1);
        QVERIFY(checkField(m_form->editableAccount, kAccount, true, m_env->ctx()));
    }

    // A cleared editable box has no chosen item, whatever index it still holds.
    void clearedEditableComboIsEmpty()
    {
        m_form->editableAccount->setCurrentIndex(1);
        m_form->editableAccount->lineEdit()->clear();
        QCOMPARE(ComboBoxInput(*m_form->editableAccount).currentIndex(), -1);
        QVERIFY(!checkField(m_form->editableAccount, kAccount, true, m_env->ctx()));
        QCOMPARE(m_env->prompt.messages(), QStringList { u"付款:收款帐号不能为空，请重新输入。"_s });
    }

    void numberAndTextRules()
    {
        m_form->account->setText(u"100,000,000,000.01"_s);
        QVERIFY(!checkField(m_form->account, kAmount, true, m_env->ctx()));
        m_form->account->setText(u"100,000,000,000.00"_s);
        QVERIFY(checkField(m_form->account, kAmount, true, m_env->ctx()));
        m_form->remark->setPlainText(u"一二三四五六七八九十一"_s);
        QVERIFY(!checkField(m_form->remark, kRemark, true, m_env->ctx()));
        QCOMPARE(m_env->prompt.messages(),
            (QStringList { u"付款:金额输入错误，请输入正确的数值,数据最大为100000000000,最小为0。"_s,
                u"付款:用途输入错误,最大位数为10。"_s }));
        QCOMPARE(QApplication::focusWidget(), m_form->other);
    }

    void noCheckPasses()
    {
        m_form->account->setText(u"not an account"_s);
        QVERIFY(checkField(m_form->account, kAccount, false, m_env->ctx()));
        QVERIFY(m_env->prompt.calls().isEmpty());
        QCOMPARE(QApplication::focusWidget(), m_form->other);
    }

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<Form> m_form;
};

QELVORA_TEST(TestControlInput)
#include "tst_controlinput.moc"
