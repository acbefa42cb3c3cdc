#pragma once
#include <QString>

// What a logic operation that can fail tells its caller: whether it worked,
// the sentence the user reads, and the technical detail (the database's or the
// system's own words) shown beneath it. Windows show it through Prompt; a
// failure never passes for success.
struct Outcome
{
    bool ok = true;
    QString message; // for the user, in the program's words; may be empty on success
    QString detail;  // the technical reason, shown below the message

    static Outcome success(const QString &message = QString()) { return Outcome{true, message, QString()}; }
    static Outcome failure(const QString &message, const QString &detail = QString())
    {
        return Outcome{false, message, detail};
    }

    explicit operator bool() const { return ok; }
    // Message and detail as one text for a message box.
    QString text() const
    {
        if (detail.isEmpty() || detail == message)
            return message;
        if (message.isEmpty())
            return detail;
        return message + QLatin1Char('\n') + detail;
    }
};
