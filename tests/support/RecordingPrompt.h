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
    enum class Kind { Message, AskOkCancel, AskYesNo, AskOkSkipCancel, Critical, SaveFile, OpenFile };
    struct Call {
        Call(Kind k, QString t, QString x)
            : kind(k)
            , title(std::move(t))
            , text(std::move(x))
        {
        }
        Kind kind;
        QString title;
        QString text; // message text, or the filters of a file dialog joined by ";;"
        DefaultButton defaultButton = DefaultButton::Ok; // of an OK/Cancel question
        OkSkipCancel okSkipCancel = OkSkipCancel::Ok; // the scripted answer of an OK/跳过/Cancel question
        QStringList filters; // of a file dialog
        QString directory; // where a file dialog opened
    };

    using Prompt::askOkCancel;
    void message(const QString& text) override;
    bool askOkCancel(const QString& text, DefaultButton defaultButton) override;
    bool askYesNo(const QString& text) override;
    OkSkipCancel askOkSkipCancel(const QString& text) override;
    void critical(const QString& title, const QString& text) override;
    FileChoice chooseSaveFile(const FileDialogRequest& request) override;
    FileChoice chooseOpenFile(const FileDialogRequest& request) override;

    // Script the answer of the next question or file dialog.
    void answerOk() { m_answers.push_back(Choice::Ok); }
    void answerCancel() { m_answers.push_back(Choice::Cancel); }
    void answerYes() { m_answers.push_back(Choice::Yes); }
    void answerNo() { m_answers.push_back(Choice::No); }
    // "跳过" in a question with OK, 跳过 and Cancel (answerOk and answerCancel
    // give its other buttons).
    void answerSkip() { m_answers.push_back(Choice::Skip); }
    // A file dialog answered with `path` and the filter `filter`; without a
    // filter, with the filter the dialog offered first.
    void answerFile(const QString& path, const QString& filter = {})
    {
        m_answers.push_back(FileChoice { path, filter });
    }
    bool allAnswersUsed() const { return m_answers.empty(); }

    // Called after a message, question or critical box has been recorded, with
    // its answer (an OK/跳过/Cancel question: true, and the call carries its
    // answer): a GUI test shows the box for real there (GuiTest).
    std::function<void(Call call, bool answer)> showBox;

    const QList<Call>& calls() const { return m_calls; }
    // The texts of all calls in order (messages, questions, critical boxes; file dialogs give their filter).
    QStringList texts() const;
    // Only the texts of OK-only messages.
    QStringList messages() const;
    void clear();

private:
    enum class Choice { Ok, Cancel, Yes, No, Skip };
    using Answer = std::variant<Choice, FileChoice>;
    Answer takeAnswer(Call call);
    FileChoice fileAnswer(Kind kind, const FileDialogRequest& request);

    QList<Call> m_calls;
    std::deque<Answer> m_answers;
};
