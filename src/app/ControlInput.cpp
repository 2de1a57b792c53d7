#include "app/ControlInput.h"

#include "app/AppContext.h"
#include "common/FieldChecks.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

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

bool checkField(QWidget* control, int fieldId, bool doCheck, AppContext& ctx)
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
