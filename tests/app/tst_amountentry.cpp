#include "GuiTest.h"
#include "TestEnv.h"
#include "TestRegistry.h"

#include "app/frmMain.h"
#include "payment/frmPaymentB2B.h"
#include "payroll/frmLaborage.h"

#include <QLabel>
#include <QLineEdit>

#include <memory>

using namespace Qt::StringLiterals;

namespace {
// An instruction dialog on screen with its amount box enabled, as the user
// meets it: the batch payment's frmPaymentB2B or the payroll's frmLaborage.
struct AmountDialog {
    AmountDialog(TestEnv& env, const QString& which)
        : gui(env.prompt)
    {
        // The main window reads the settings: the rule is set after it.
        env.window();
        env.ctx().fieldRules.ruleFor(FieldId::PatchPayFile_PaySum).canEdit = true;
        if (which == u"payment"_s) {
            dialog = std::make_unique<frmPaymentB2B>(env.ctx(), &env.window());
        } else {
            auto payroll = std::make_unique<frmLaborage>(env.ctx(), &env.window());
            payroll->setAddMode(true);
            dialog = std::move(payroll);
        }
        gui.show(*dialog);
        // What the amount box shows while each message is on screen.
        const auto real = env.prompt.showBox;
        env.prompt.showBox = [this, real](RecordingPrompt::Call call, bool answer) {
            behindBoxes << amount()->text();
            real(call, answer);
        };
    }
    QLineEdit* amount() const { return gui.find<QLineEdit>(u"txtAmount"_s); }
    QString words() const { return gui.find<QLabel>(u"lblCnPayAmount"_s)->text(); }

    GuiTest gui;
    std::unique_ptr<QDialog> dialog;
    QStringList behindBoxes;
};

const QStringList kDialogs { u"payment"_s, u"payroll"_s };
} // namespace

class TestAmountEntry : public QObject {
    Q_OBJECT
private slots:
    // The amount as typed key by key and as left with Tab or Enter, in both
    // instruction dialogs: the text as shown while typing and after leaving,
    // the capital figures, and each refusal shown once, over the refused text,
    // leaving the box and its capital figures empty and the box focused.
    void typedAndLeft_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("enter");
        QTest::addColumn<QString>("whileTyping");
        QTest::addColumn<QString>("afterLeaving");
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("behindBox");
        for (const QString& d : kDialogs) {
            const auto row = [&d](const char* name) -> QTestData& {
                return QTest::newRow(qPrintable(d + u": "_s + QLatin1String(name))) << d;
            };
            row("1234.5, Tab") << u"1234.5"_s << false << u"1,234.5"_s << u"1,234.50"_s << u"壹仟贰佰叁拾肆元伍角"_s
                               << QString() << QString();
            row("1234.5, Enter") << u"1234.5"_s << true << u"1,234.5"_s << u"1,234.50"_s << u"壹仟贰佰叁拾肆元伍角"_s
                                 << QString() << QString();
            row("separators typed") << u"12,345"_s << false << u"12,345"_s << u"12,345.00"_s
                                    << u"壹万贰仟叁佰肆拾伍元"_s << QString() << QString();
            row("cents only") << u"0.05"_s << false << u"0.05"_s << u"0.05"_s << u"伍分"_s << QString() << QString();
            row("exactly 1E11") << u"100000000000"_s << false << u"100,000,000,000"_s << u"100,000,000,000.00"_s
                                << u"壹仟亿元"_s << QString() << QString();
            row("not a number") << u"12a"_s << false << QString() << QString() << QString() << u"金额格式错误"_s
                                << u"12a"_s;
            row("minus") << u"-"_s << false << QString() << QString() << QString() << u"金额格式错误"_s << u"-"_s;
            row("1E11 + 0.01") << u"100000000000.01"_s << false << QString() << QString() << QString()
                               << u"金额超过系统最大单笔限制"_s << u"100,000,000,000.01"_s;
            row("zero, Tab") << u"0.00"_s << false << u"0.00"_s << QString() << QString() << u"金额必须大于零元"_s
                             << u"0.00"_s;
            row("zero, Enter") << u"0"_s << true << u"0"_s << QString() << QString() << u"金额必须大于零元"_s
                               << u"0.00"_s;
        }
    }
    void typedAndLeft()
    {
        QFETCH(QString, dialog);
        QFETCH(QString, typed);
        QFETCH(bool, enter);
        QFETCH(QString, whileTyping);
        QFETCH(QString, afterLeaving);
        QFETCH(QString, words);
        QFETCH(QString, message);
        QFETCH(QString, behindBox);
        TestEnv env;
        AmountDialog d(env, dialog);
        d.gui.type(u"txtAmount"_s, typed);
        QCOMPARE(d.amount()->text(), whileTyping);
        // Refused while typing: the box stays where the user is.
        if (whileTyping.isEmpty())
            QCOMPARE(d.gui.focused(), u"txtAmount"_s);
        enter ? d.gui.enter() : d.gui.tab();
        QCOMPARE(d.amount()->text(), afterLeaving);
        QCOMPARE(d.words(), words);
        const QStringList messages = message.isEmpty() ? QStringList() : QStringList { message };
        QCOMPARE(env.prompt.texts(), messages);
        QCOMPARE(d.gui.boxes(), messages);
        QCOMPARE(d.behindBoxes, behindBox.isEmpty() ? QStringList() : QStringList { behindBox });
        // Refused on leaving: the box takes the focus back.
        if (!message.isEmpty() && !whileTyping.isEmpty())
            QCOMPARE(d.gui.focused(), u"txtAmount"_s);
        else if (!enter)
            QVERIFY(d.gui.focused() != u"txtAmount"_s);
    }

    // After a refusal the box takes the next amount as any other: the amount
    // typed then is kept as typed, with no message of the refused one again.
    void nextAmountAfterARefusal_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("refused");
        for (const QString& d : kDialogs) {
            QTest::newRow(qPrintable(d + u": format"_s)) << d << u"1x"_s;
            QTest::newRow(qPrintable(d + u": limit"_s)) << d << u"200000000000"_s;
            QTest::newRow(qPrintable(d + u": zero"_s)) << d << u"0"_s;
        }
    }
    void nextAmountAfterARefusal()
    {
        QFETCH(QString, dialog);
        QFETCH(QString, refused);
        TestEnv env;
        AmountDialog d(env, dialog);
        d.gui.type(u"txtAmount"_s, refused);
        d.gui.tab();
        QCOMPARE(env.prompt.texts().size(), 1);
        d.gui.type(u"txtAmount"_s, u"987.6"_s);
        QCOMPARE(d.amount()->text(), u"987.6"_s);
        d.gui.tab();
        QCOMPARE(d.amount()->text(), u"987.60"_s);
        QCOMPARE(d.words(), u"玖佰捌拾柒元陆角"_s);
        QCOMPARE(env.prompt.texts().size(), 1);
        QCOMPARE(d.gui.boxes().size(), 1);
    }
};

QELVORA_TEST(TestAmountEntry)
#include "tst_amountentry.moc"
