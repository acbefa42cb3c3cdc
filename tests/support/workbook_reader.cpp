#include "workbook_reader.h"

#include <QProcess>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace {

QByteArray member(const QString &xlsx, const QString &name)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral("-c"),
             QStringLiteral("import sys,zipfile;sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]))"),
             xlsx, name});
    p.waitForFinished(30000);
    EXPECT_EQ(p.exitCode(), 0) << name.toStdString() << ": " << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput();
}

// Formats Excel knows by number rather than by text.
QString builtinFormat(int id)
{
    static const QMap<int, QString> known{{0, QString()}, {1, "0"}, {2, "0.00"}, {14, "m/d/yy"},
                                          {20, "h:mm"}, {21, "h:mm:ss"}, {49, "@"}};
    return known.value(id, QStringLiteral("#builtin%1").arg(id));
}

} // namespace

Workbook readWorkbook(const QString &path)
{
    Workbook wb;

    QStringList shared;
    {
        QXmlStreamReader x(member(path, "xl/sharedStrings.xml"));
        QString current;
        while (!x.atEnd()) {
            x.readNext();
            if (x.isStartElement() && x.name() == u"si")
                current.clear();
            else if (x.isStartElement() && x.name() == u"t")
                current += x.readElementText();
            else if (x.isEndElement() && x.name() == u"si")
                shared << current;
        }
    }

    struct Font { QString name; double size = 0; };
    struct Xf { int numFmt = 0, font = 0, border = 0; QString h, v; };
    QMap<int, QString> numFmts;
    QList<Font> fonts;
    QList<bool> borders; // a thin line on every side
    QList<Xf> xfs;
    {
        QXmlStreamReader x(member(path, "xl/styles.xml"));
        QString section;
        while (!x.atEnd()) {
            x.readNext();
            if (!x.isStartElement())
                continue;
            const auto n = x.name();
            const auto a = x.attributes();
            if (n == u"fonts" || n == u"borders" || n == u"cellXfs" || n == u"cellStyleXfs")
                section = n.toString();
            else if (n == u"numFmt")
                numFmts[a.value("numFmtId").toInt()] = a.value("formatCode").toString();
            else if (n == u"font" && section == u"fonts")
                fonts << Font{};
            else if (n == u"name" && section == u"fonts")
                fonts.last().name = a.value("val").toString();
            else if (n == u"sz" && section == u"fonts")
                fonts.last().size = a.value("val").toDouble();
            else if (n == u"border" && section == u"borders")
                borders << true;
            else if ((n == u"left" || n == u"right" || n == u"top" || n == u"bottom") && section == u"borders")
                borders.last() = borders.last() && a.value("style") == u"thin";
            else if (n == u"xf" && section == u"cellXfs")
                xfs << Xf{a.value("numFmtId").toInt(), a.value("fontId").toInt(), a.value("borderId").toInt(), {}, {}};
            else if (n == u"alignment" && section == u"cellXfs") {
                xfs.last().h = a.value("horizontal").toString();
                xfs.last().v = a.value("vertical").toString();
            }
        }
    }

    QXmlStreamReader x(member(path, "xl/worksheets/sheet1.xml"));
    QString ref;
    while (!x.atEnd()) {
        x.readNext();
        if (!x.isStartElement())
            continue;
        const auto a = x.attributes();
        if (x.name() == u"row")
            wb.rowNumbers << a.value("r").toInt();
        else if (x.name() == u"mergeCell")
            wb.merged << a.value("ref").toString();
        else if (x.name() == u"col")
            for (int c = a.value("min").toInt(); c <= a.value("max").toInt(); ++c)
                wb.widths[c] = a.value("width").toDouble();
        else if (x.name() == u"c") {
            ref = a.value("r").toString();
            Workbook::Cell cell;
            cell.isText = a.value("t") == u"s";
            const Xf xf = xfs.value(a.value("s").toInt());
            cell.numFormat = numFmts.contains(xf.numFmt) ? numFmts[xf.numFmt] : builtinFormat(xf.numFmt);
            cell.bordered = borders.value(xf.border);
            cell.fontName = fonts.value(xf.font).name;
            cell.fontSize = fonts.value(xf.font).size;
            cell.hAlign = xf.h;
            cell.vAlign = xf.v;
            wb.cells[ref] = cell;
        } else if (x.name() == u"v") {
            Workbook::Cell &cell = wb.cells[ref];
            cell.value = x.readElementText();
            if (cell.isText)
                cell.value = shared.value(cell.value.toInt());
        }
    }
    return wb;
}
