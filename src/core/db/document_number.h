#pragma once
#include <QString>

// Document numbers: today as "yyyyMMdd", the employee code and a five-digit
// counter per employee, document type and day (GG_XZ); with short numbers
// ("DDH" = "T") the date and the last four digits of the counter.
// Types: "XSD", "SKD", "CZD", "DJFD", "XTD", "RKD", "THD", "PDD", "FKD", "SRD", "ZCD".

namespace Documents {
// The number a new document of this type would get. Nothing is reserved: the
// counter moves only when a document is saved, so a number handed out but
// never saved is handed out again. The first number of a day clears the
// employee's older counters of that type.
QString NewDocumentNumber(const QString &type);

// Records that a document with this number was saved today. The counter only
// ever moves forward, so a number made earlier but saved later cannot make
// the next number repeat one already saved.
void CommitDocumentNumber(const QString &type, const QString &number);
} // namespace Documents
