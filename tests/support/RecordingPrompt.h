#pragma once

#include "common/Prompt.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <variant>

// The test double of the prompt service. It records every call (kind, title,
// text) in order. Messages and critical boxes need no answer. Questions and file
// dialogs take their answers from a script given beforehand (answerOk, answerFile,
// ...); one that comes without a scripted answer, or gets an answer of the wrong
// kind, fails the running test and is answered with Cancel / No / an empty text.
class RecordingPrompt : public Prompt {
public:
    enum class Kind { Message, AskOkCancel, AskYesNo, Critical, SaveFile, OpenFile };
    struct Call {
        Kind kind;
        QString title;
        QString text; // message text, or the filter of a file dialog
    };

    void message(const QString& text) override;
    bool askOkCancel(const QString& text) override;
    bool askYesNo(const QString& text) override;
    void critical(const QString& title, const QString& text) override;
    QString chooseSaveFile(const QString& filter) override;
    QString chooseOpenFile(const QString& filter) override;

    // Script the answer of the next question or file dialog.
    void answerOk() { m_answers.push_back(Choice::Ok); }
    void answerCancel() { m_answers.push_back(Choice::Cancel); }
    void answerYes() { m_answers.push_back(Choice::Yes); }
    void answerNo() { m_answers.push_back(Choice::No); }
    void answerFile(const QString& path) { m_answers.push_back(path); }
    bool allAnswersUsed() const { return m_answers.empty(); }

    // Called after a message, question or critical box has been recorded, with
    // its answer: a GUI test shows the box for real there (GuiTest).
    std::function<void(Call call, bool answer)> showBox;

    const QList<Call>& calls() const { return m_calls; }
    // The texts of all calls in order (messages, questions, critical boxes; file dialogs give their filter).
    QStringList texts() const;
    // Only the texts of OK-only messages.
    QStringList messages() const;
    void clear();

private:
    enum class Choice { Ok, Cancel, Yes, No };
    std::variant<Choice, QString> takeAnswer(Kind kind, const QString& text);

    QList<Call> m_calls;
    std::deque<std::variant<Choice, QString>> m_answers;
};
