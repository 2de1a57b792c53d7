#include "app/ControlInput.h"

#include "common/FieldChecks.h"
#include "common/Prompt.h"
#include "domain/AppContext.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

using namespace Qt::StringLiterals;

QString LineEditInput::text() const
{
    return m_edit.text();
}

void LineEditInput::focusAndSelectAll()
{
    m_edit.setFocus(Qt::OtherFocusReason);
    m_edit.selectAll();
}

QString PlainTextEditInput::text() const
{
    return m_edit.toPlainText();
}

void PlainTextEditInput::focusAndSelectAll()
{
    m_edit.setFocus(Qt::OtherFocusReason);
    m_edit.selectAll();
}

QString ComboBoxInput::text() const
{
    return m_combo.currentText();
}

int ComboBoxInput::currentIndex() const
{
    // Once the text of an editable box no longer is the chosen item's (cleared
    // or typed over), no item is chosen.
    const int index = m_combo.currentIndex();
    return index >= 0 && m_combo.currentText() == m_combo.itemText(index) ? index : -1;
}

void ComboBoxInput::focusAndSelectAll()
{
    m_combo.setFocus(Qt::OtherFocusReason);
    if (QLineEdit* edit = m_combo.lineEdit())
        edit->selectAll();
}

bool refuseDisabledAmountBox(const QLineEdit& amount, AppContext& ctx)
{
    if (amount.isEnabled() || !amount.text().trimmed().isEmpty())
        return false;
    // The settings menu is revealed by the caption-less Label1 at the right end
    // of the menu bar: the message says where to click.
    ctx.prompt.message(u"金额输入框未启用：请在“工具→选项”中为“付款金额”勾选“可编辑”。"
                       u"“工具”菜单平时隐藏：关闭本窗口后，单击主窗口菜单栏最右端的空白处，即出现“工具”菜单；"
                       u"在“工具→选项”的“批量支付文件设定”中勾选“付款金额”一行的“可编辑”，按“确定”保存，"
                       u"再重新打开本窗口。"_s);
    return true;
}

bool checkField(QWidget* control, FieldId fieldId, bool doCheck, AppContext& ctx)
{
    if (!doCheck)
        return true;
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        LineEditInput input(*edit);
        return checkField(input, fieldId, doCheck, ctx.fieldRules, ctx.prompt);
    }
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        ComboBoxInput input(*combo);
        return checkField(input, fieldId, doCheck, ctx.fieldRules, ctx.prompt);
    }
    if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
        PlainTextEditInput input(*plain);
        return checkField(input, fieldId, doCheck, ctx.fieldRules, ctx.prompt);
    }
    Q_ASSERT_X(false, "checkField", "unsupported input control");
    return false;
}

namespace {
// Enter in the popup of offered entries while none of them is chosen: the
// popup closes and the box takes the Enter as if the popup had not been open.
class EnterTakesTypedText : public QObject {
public:
    EnterTakesTypedText(QComboBox& combo, QAbstractItemView& popup)
        : QObject(&combo)
        , m_combo(combo)
        , m_popup(popup)
    {
        popup.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) || m_popup.currentIndex().isValid())
            return false;
        m_popup.hide();
        QKeyEvent enter(QEvent::KeyPress, key->key(), key->modifiers(), key->text());
        QCoreApplication::sendEvent(&m_combo, &enter);
        return true;
    }

private:
    QComboBox& m_combo;
    QAbstractItemView& m_popup;
};
} // namespace

void offerEntries(QComboBox& combo, std::function<void(int index)> picked)
{
    Q_ASSERT(combo.isEditable());
    combo.setInsertPolicy(QComboBox::NoInsert);
    // QComboBox chooses the first entry that matches the text when editing
    // finishes (Enter, focus out), changes the text to it and emits activated.
    [[maybe_unused]] const bool off
        = QObject::disconnect(combo.lineEdit(), SIGNAL(editingFinished()), &combo, SLOT(_q_editingFinished()));
    Q_ASSERT_X(off, "offerEntries", "the combo box's own choice on editing finished is not connected");
    // A popup of the entries instead of the default inline completion, which
    // puts the rest of the first matching entry into the text.
    auto* completer = new QCompleter(combo.model(), &combo);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    completer->setFilterMode(Qt::MatchContains);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    // The combo box chooses an entry picked from this popup by its row, and
    // reports it as activated.
    combo.setCompleter(completer);
    new EnterTakesTypedText(combo, *completer->popup());
    if (picked)
        QObject::connect(&combo, &QComboBox::activated, &combo, std::move(picked));
}

bool isLostFocus(const QEvent& event)
{
    if (event.type() != QEvent::FocusOut)
        return false;
    const Qt::FocusReason reason = static_cast<const QFocusEvent&>(event).reason();
    return reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason;
}
