#pragma once
#include <QString>

namespace Db {
// True when a row of the table already has this code (BM); the user has then
// been told "您输入的编码已存在，请更改编码!". The table must be one of the
// data model's tables with a BM column; any other name throws DbError.
bool CheckCodeUnique(const QString &table, const QString &code);
} // namespace Db
