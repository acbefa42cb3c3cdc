#pragma once
#include <QString>

// The text of a PDF (pages first..last, all when 0) as pdftotext reads it,
// with radical forms mapped back to the characters they stand for.
QString pdfText(const QString &pdf, int first = 0, int last = 0);
// pdfinfo's report (page count, page size).
QString pdfInfo(const QString &pdf);
// Writes a text file (UTF-8), replacing it.
bool writeTextFile(const QString &path, const QString &text);
