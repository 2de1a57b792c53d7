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

std::variant<RecordingPrompt::Choice, QString> RecordingPrompt::takeAnswer(Kind kind, const QString& text)
{
    m_calls.append({ kind, applicationTitle(), text });
    if (m_answers.empty()) {
        QTest::qFail(
            qPrintable(QStringLiteral("unexpected prompt without a scripted answer: ") + text), __FILE__, __LINE__);
        return kind == Kind::SaveFile || kind == Kind::OpenFile ? std::variant<Choice, QString>(QString())
                                                                : std::variant<Choice, QString>(Choice::Cancel);
    }
    auto answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

bool RecordingPrompt::askOkCancel(const QString& text)
{
    auto a = takeAnswer(Kind::AskOkCancel, text);
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
    auto a = takeAnswer(Kind::AskYesNo, text);
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

QString RecordingPrompt::chooseSaveFile(const QString& filter)
{
    auto a = takeAnswer(Kind::SaveFile, filter);
    if (!std::holds_alternative<QString>(a)) {
        QTest::qFail("save dialog answered with a button instead of a path", __FILE__, __LINE__);
        return {};
    }
    return std::get<QString>(a);
}

QString RecordingPrompt::chooseOpenFile(const QString& filter)
{
    auto a = takeAnswer(Kind::OpenFile, filter);
    if (!std::holds_alternative<QString>(a)) {
        QTest::qFail("open dialog answered with a button instead of a path", __FILE__, __LINE__);
        return {};
    }
    return std::get<QString>(a);
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
