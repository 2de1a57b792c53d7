#include "RecordingPrompt.h"

#include <QTest>

void RecordingPrompt::message(const QString& text)
{
    m_calls.append({ Kind::Message, applicationTitle(), text });
    if (showBox)
        showBox(m_calls.back(), true);
}

void RecordingPrompt::critical(const QString& title, const QString& text)
{
    m_calls.append({ Kind::Critical, title, text });
    if (showBox)
        showBox(m_calls.back(), true);
}

RecordingPrompt::Answer RecordingPrompt::takeAnswer(Call call)
{
    m_calls.append(std::move(call));
    const Call& recorded = m_calls.back();
    if (m_answers.empty()) {
        QTest::qFail(qPrintable(QStringLiteral("unexpected prompt without a scripted answer: ") + recorded.text),
            __FILE__, __LINE__);
        return recorded.kind == Kind::SaveFile || recorded.kind == Kind::OpenFile ? Answer(FileChoice {})
                                                                                  : Answer(Choice::Cancel);
    }
    auto answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

bool RecordingPrompt::askOkCancel(const QString& text, DefaultButton defaultButton)
{
    Call call { Kind::AskOkCancel, applicationTitle(), text };
    call.defaultButton = defaultButton;
    auto a = takeAnswer(std::move(call));
    if (!std::holds_alternative<Choice>(a)
        || (std::get<Choice>(a) != Choice::Ok && std::get<Choice>(a) != Choice::Cancel)) {
        QTest::qFail(qPrintable(QStringLiteral("OK/Cancel question answered with the wrong kind of answer: ") + text),
            __FILE__, __LINE__);
        return false;
    }
    const bool ok = std::get<Choice>(a) == Choice::Ok;
    if (showBox)
        showBox(m_calls.back(), ok);
    return ok;
}

bool RecordingPrompt::askYesNo(const QString& text)
{
    auto a = takeAnswer({ Kind::AskYesNo, applicationTitle(), text });
    if (!std::holds_alternative<Choice>(a)
        || (std::get<Choice>(a) != Choice::Yes && std::get<Choice>(a) != Choice::No)) {
        QTest::qFail(qPrintable(QStringLiteral("Yes/No question answered with the wrong kind of answer: ") + text),
            __FILE__, __LINE__);
        return false;
    }
    const bool yes = std::get<Choice>(a) == Choice::Yes;
    if (showBox)
        showBox(m_calls.back(), yes);
    return yes;
}

OkSkipCancel RecordingPrompt::askOkSkipCancel(const QString& text)
{
    auto a = takeAnswer({ Kind::AskOkSkipCancel, applicationTitle(), text });
    OkSkipCancel answer = OkSkipCancel::Cancel;
    if (std::holds_alternative<Choice>(a) && std::get<Choice>(a) == Choice::Ok)
        answer = OkSkipCancel::Ok;
    else if (std::holds_alternative<Choice>(a) && std::get<Choice>(a) == Choice::Skip)
        answer = OkSkipCancel::Skip;
    else if (!std::holds_alternative<Choice>(a) || std::get<Choice>(a) != Choice::Cancel)
        QTest::qFail(
            qPrintable(QStringLiteral("OK/跳过/Cancel question answered with the wrong kind of answer: ") + text),
            __FILE__, __LINE__);
    m_calls.back().okSkipCancel = answer;
    if (showBox)
        showBox(m_calls.back(), true);
    return answer;
}

FileChoice RecordingPrompt::fileAnswer(Kind kind, const FileDialogRequest& request)
{
    Call call { kind, applicationTitle(), request.filters.join(QStringLiteral(";;")) };
    call.filters = request.filters;
    call.directory = request.directory;
    auto a = takeAnswer(std::move(call));
    if (!std::holds_alternative<FileChoice>(a)) {
        QTest::qFail("file dialog answered with a button instead of a path", __FILE__, __LINE__);
        return {};
    }
    FileChoice choice = std::get<FileChoice>(a);
    if (choice.filter.isEmpty())
        choice.filter = request.filters.value(0);
    else if (!request.filters.contains(choice.filter))
        QTest::qFail(qPrintable(QStringLiteral("the dialog offers no filter ") + choice.filter), __FILE__, __LINE__);
    return choice;
}

FileChoice RecordingPrompt::chooseSaveFile(const FileDialogRequest& request)
{
    return fileAnswer(Kind::SaveFile, request);
}

FileChoice RecordingPrompt::chooseOpenFile(const FileDialogRequest& request)
{
    return fileAnswer(Kind::OpenFile, request);
}

QStringList RecordingPrompt::texts() const
{
    QStringList out;
    for (const auto& c : m_calls)
        out << c.text;
    return out;
}

QStringList RecordingPrompt::messages() const
{
    QStringList out;
    for (const auto& c : m_calls)
        if (c.kind == Kind::Message)
            out << c.text;
    return out;
}

void RecordingPrompt::clear()
{
    m_calls.clear();
    m_answers.clear();
}
