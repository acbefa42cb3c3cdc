#include "pdf_text.h"

#include <QFile>
#include <QProcess>
#include <QStringList>

namespace {
// Qt writes a PDF's text layer with the lowest code point of each glyph, so
// characters that double as radicals (页, 月, 人 …) come back as radical forms.
QString readable(QString text)
{
    text = text.normalized(QString::NormalizationForm_KC); // Kangxi radicals
    static const char16_t pairs[][2] = {
        {u'\u2EDA', u'页'}, {u'\u2ED3', u'长'}, {u'\u2ED4', u'门'}, {u'\u2ECB', u'车'}, {u'\u2EC5', u'见'},
        {u'\u2EC9', u'贝'}, {u'\u2EE2', u'马'}, {u'\u2EDB', u'风'}, {u'\u2EDC', u'飞'}, {u'\u2EE9', u'黄'},
        {u'\u2ED8', u'青'}, {u'\u2EC4', u'西'}, {u'\u2EA0', u'民'}, {u'\u2EE4', u'鬼'}, {u'\u2EC6', u'角'},
    };
    for (const auto &p : pairs)
        text.replace(QChar(p[0]), QChar(p[1]));
    return text;
}
}

QString pdfText(const QString &pdf, int first, int last)
{
    QStringList args{QStringLiteral("-layout")};
    if (first > 0)
        args << QStringLiteral("-f") << QString::number(first);
    if (last > 0)
        args << QStringLiteral("-l") << QString::number(last);
    args << pdf << QStringLiteral("-");
    QProcess p;
    p.start(QStringLiteral("pdftotext"), args);
    p.waitForFinished(30000);
    return readable(QString::fromUtf8(p.readAllStandardOutput()));
}

QString pdfInfo(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

bool writeTextFile(const QString &path, const QString &text)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(text.toUtf8()) >= 0;
}
