#pragma once

#include <QByteArray>

#include "platform/MessageSink.h"

namespace qm {

// Messages of a program without windows: one line each on stderr, after the program's name; nobody
// answers, so `dismissed` runs at once.
class StderrMessages : public MessageSink
{
public:
    explicit StderrMessages(QByteArray program)
        : m_program(std::move(program))
    {
    }
    void information(const QString& text, std::function<void()> dismissed) override { say(text, dismissed); }
    void error(const QString& text, std::function<void()> dismissed) override { say(text, dismissed); }

private:
    void say(const QString& text, const std::function<void()>& dismissed) const;
    QByteArray m_program;
};

} // namespace qm
